// The real game's demo files: a record of the game being played (pako
// --record), a recorded game played again (--replay), and the trace of the
// frames that ran (--trace), the same trace pako-sim writes.
//
// They follow the pump through the platform's watcher (platform/win.h),
// which counts its passes as the simulator counts its steps, so that a
// record replayed by pako-sim plays the same game, frame for frame.
#pragma once

#include <cstdint>
#include <string>

struct DemoFiles {
    std::string record;  // empty: none
    std::string replay;
    std::string trace;
};

// Reads the record to replay, before anything starts. False with one line
// (naming the file, and the line at fault) in error.
bool loadReplay(const std::string& path, std::string& error);
// The seed the loaded record was played with.
uint32_t replaySeed();

// Opens the record and the trace (a file that cannot be written is one line
// on standard error, and the game plays on without it) and starts following
// the pump. `seed` is the seed the game will draw.
void startDemo(const DemoFiles& files, uint32_t seed);

// After the game: the record's end and the last frame's trace line written,
// the files closed.
void finishDemo();

// The game ends at once, before another frame runs (the display lost): the
// record says so as a close in the step after the last frame, so that it
// replays to the frames that ran; then as finishDemo.
void finishDemoAtOnce();
