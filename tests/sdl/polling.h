// What the SDL platform's tests share: waiting for a defined moment.
#pragma once

#include <SDL.h>

// Polls until `done` holds, for at most ten seconds (a busy machine is slow,
// never wrong): true when it held.
template <typename Done>
bool waitUntil(Done done) {
    const Uint64 end = SDL_GetTicks64() + 10000;
    while (!done()) {
        if (SDL_GetTicks64() > end) return false;
        SDL_Delay(1);
    }
    return true;
}
