// Shared helpers of the test suites: a fresh simulated process, a log of
// the sprite draws, small bitmap files.
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

// A fresh process: platform, display surfaces, sprites and game state as at
// start, the draw log installed and empty, resources on.
void freshProcess();

// freshProcess, then the start-up and game start as the entry routine does
// them (window, display, timer, sprites, dragonflies), without the pump.
void startGame();

// Writes a 24-bit bitmap file of w x h filled with one colour, with an
// optional differently coloured top-left pixel.
void writeBitmap(const std::string& path, int w, int h, uint32_t rgb, int64_t topLeft = -1);

// A temporary folder made the working directory for the test's lifetime.
class TempDir {
public:
    TempDir();
    ~TempDir();
    const std::string& path() const { return path_; }

private:
    std::string path_;
    std::string previous_;
};
