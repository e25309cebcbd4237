// The simulator's trace: one JSON object a line for every frame that ran.
#pragma once

#include <cstdint>
#include <cstdio>

#include "display/sprite.h"

class TraceWriter {
public:
    // Starts collecting the draws of a new frame.
    void beginFrame();
    void noteDraw(const Sprite& sprite, int32_t x, int32_t y);
    void noteStretched(const Sprite& sprite, const RECT& dest);
    // Writes the line of step `frame` with the game state as it stands, the
    // draws noted since beginFrame and the sounds from index firstSound on.
    // False when the output failed.
    bool writeFrame(FILE* out, int64_t frame, int64_t firstSound, int64_t endSound);

private:
    struct Draw {
        const char* name;
        int32_t v[4];
        bool stretched;
    };
    static constexpr int MaxDraws = 256;
    Draw draws_[MaxDraws];
    int drawCount_ = 0;
    int droppedDraws_ = 0;
};
