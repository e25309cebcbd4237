// The game's trace: one JSON object a line for every frame that ran, with
// the game state after the frame, the frame's draws and its sounds (the
// format pako-sim documents in its README section).
#pragma once

#include <cstdint>
#include <cstdio>

#include "display/sprite.h"

// Gathers one frame at a time and writes its line.
class TraceWriter {
public:
    // Starts a new frame, run in step `step`.
    void beginFrame(int64_t step);
    bool framePending() const { return pending_; }
    int64_t frameStep() const { return step_; }
    void noteDraw(const Sprite& sprite, int32_t x, int32_t y);
    void noteStretched(const Sprite& sprite, const RECT& dest);
    void noteSound(const char* fileName);
    // The sounds of the pending frame.
    int soundCount() const { return soundCount_; }
    const char* sound(int i) const { return sounds_[i]; }
    // Writes the pending frame's line with the game state as it stands now,
    // and ends the frame. False when the output failed.
    bool writeFrame(FILE* out);
    // Ends the pending frame without writing it.
    void endFrame() { pending_ = false; }

private:
    struct Draw {
        const char* name;
        int32_t v[4];
        bool stretched;
    };
    static constexpr int MaxDraws = 256;
    static constexpr int MaxSounds = 16;
    Draw draws_[MaxDraws];
    const char* sounds_[MaxSounds];
    int drawCount_ = 0;
    int soundCount_ = 0;
    bool pending_ = false;
    int64_t step_ = 0;
};

// Feeds `writer` with every draw and sound of the game from now on (it
// becomes the draw observer and the sound observer): a draw or a sound when
// no frame is pending begins one, in the step stepOf() answers. The caller
// writes or ends the frame at the next look at the message queue, when the
// frame has been drawn and flipped. Null stops the feeding.
void traceGame(TraceWriter* writer, int64_t (*stepOf)());
