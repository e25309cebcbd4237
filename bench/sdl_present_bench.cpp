// The present step of a frame on the real platform: the 640 x 480 back
// buffer uploaded to the window's texture, scaled and shown, under SDL's
// dummy video driver (software renderer).
#include <SDL.h>
#include <benchmark/benchmark.h>

#include <cstdlib>

#include "platform/backend.h"
#include "platform/sdl/sdl_platform.h"

namespace {

void Present_dummy_driver(benchmark::State& st) {
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    if (!backend::createWindow("Pako Tumbo", 640, 480, nullptr) || backend::displayCreate() != 0 ||
        backend::displaySetCooperativeLevel(0x11) != 0 ||
        backend::displaySetMode(640, 480, 16) != 0 || backend::displayCreatePrimary() != 0) {
        st.SkipWithError(SDL_GetError());
        return;
    }
    SDL_Surface* back = SDL_CreateRGBSurfaceWithFormat(0, 640, 480, 16, SDL_PIXELFORMAT_RGB565);
    SDL_FillRect(back, nullptr, 0x1234);
    for (auto _ : st) backend::displayPresent(back);
    SDL_FreeSurface(back);
    sdlplat::shutdown();
}
BENCHMARK(Present_dummy_driver);

}  // namespace

BENCHMARK_MAIN();
