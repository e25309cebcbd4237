// What must hold after every frame, however long the game has run and
// whatever the player did: every position and counter in its range, the
// camera inside the world, the 25 dragonflies well formed, and each trace
// line a JSON object with every member the simulator promises.
#pragma once

#include <cstddef>
#include <string>

#include "game/state.h"

// False, with the first broken rule in `why`, when the state is not one the
// game can reach.
bool stateInRange(const GameState& g, std::string& why);

// False, with the reason in `why`, unless `line` (without its line feed) is
// one JSON object holding `frame`, every state variable as an integer,
// `dragonflies` as 25 arrays of 7 numbers, `draws` as arrays of a name and
// 2 or 4 integers, and `sounds` as an array of strings.
bool traceLineWellFormed(const char* line, size_t length, std::string& why);
