// The simulated process that tests, tools, benchmarks and fuzz targets run
// the game in: every layer reset to how a fresh process finds it, and a log
// of the sprite draws.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "display/sprite.h"

struct DrawRecord {
    std::string name;
    std::vector<int32_t> v;  // x, y; or left, top, right, bottom when stretched
    bool operator==(const DrawRecord&) const = default;
};

// Every draw since the last clearDraws(), while the log is installed.
extern std::vector<DrawRecord> drawLog;
void clearDraws();
std::vector<std::string> drawNames();

// A fresh process: each layer's own reset, from the platform up (the
// simulated platform, the display and its sprites, the game state), then
// the draw log installed and empty.
void freshProcess();

// freshProcess, then the start-up and game start as the entry routine does
// them (window, display, timer, sprites, dragonflies), without the pump.
void startGame();
