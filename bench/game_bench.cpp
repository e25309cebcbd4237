// The game's own costs against the machine's floor, over the simulated
// platform with the embedded pictures. The floor: a memcpy of one 640 x 480
// 16-bit screen, and the row-by-row copy of a 640 x 480 window out of a
// 1280 x 960 16-bit picture, which is what drawing the playfield's background
// costs at the least. bench/report.py prints every figure also as a multiple
// of the window copy.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "display/catalogue.h"
#include "display/display.h"
#include "game/game.h"
#include "game/state.h"
#include "harness/process.h"

namespace {

constexpr int ScreenW = 640, ScreenH = 480;

// --- The floor ---

void Floor_memcpy_screen(benchmark::State& st) {
    std::vector<uint16_t> from(ScreenW * ScreenH, 0x1234), to(ScreenW * ScreenH, 0);
    for (auto _ : st) {
        std::memcpy(to.data(), from.data(), from.size() * 2);
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(Floor_memcpy_screen);

void Floor_window_copy(benchmark::State& st) {
    std::vector<uint16_t> from(1280 * 960, 0x1234), to(ScreenW * ScreenH, 0);
    for (auto _ : st) {
        const uint16_t* src = from.data() + 240 * 1280 + 320;
        uint16_t* dst = to.data();
        for (int y = 0; y < ScreenH; ++y, src += 1280, dst += ScreenW)
            std::memcpy(dst, src, ScreenW * 2);
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(Floor_window_copy);

// --- Whole frames ---

void start() {
    startGame();
    drawObserver = nullptr;
}

// Runs frames from a saved moment, going back to it every `period` frames so
// that the figure stays that of one phase (the copy back is part of it).
void frames(benchmark::State& st, int period) {
    const GameState saved = game;
    const uint32_t random = randomState();
    int n = 0;
    for (auto _ : st) {
        gameFrame();
        if (++n == period) {
            n = 0;
            game = saved;
            seedRandom(random);
        }
    }
}

void Frame_title(benchmark::State& st) {
    start();
    frames(st, 120);  // the logo's bounce and a rest
}
BENCHMARK(Frame_title);

void Frame_countdown(benchmark::State& st) {
    start();
    game.titleActive = 0;
    frames(st, 100);  // READY, then GO
}
BENCHMARK(Frame_countdown);

// The heaviest ordinary picture: the shuttlecock served and rising, the
// gauge shown, two digits in the counter, and all 25 dragonflies inside the
// screen in five rows of five flying right.
void Frame_play_25_dragonflies(benchmark::State& st) {
    start();
    game.titleActive = 0;
    for (int i = 0; i < 100; ++i) gameFrame();  // the countdown
    game.kickCount = 42;
    game.spaceHeld = 1;
    game.power = 30;
    for (int i = 0; i < DragonflyCount; ++i) {
        Dragonfly& d = game.dragonflies[i];
        d.alive = 1;
        d.pattern = Patrol;
        d.heading = Right;
        d.x = game.cameraX + 40 + (i % 5) * 110;
        d.y = game.cameraY + 40 + (i / 5) * 70;
    }
    frames(st, 32);
}
BENCHMARK(Frame_play_25_dragonflies);

void Frame_continue(benchmark::State& st) {
    start();
    game.titleActive = 0;
    game.serveReady = 1;
    game.rallyActive = 1;
    game.dropped = 1;
    frames(st, 1000);
}
BENCHMARK(Frame_continue);

// --- The adapter's copies, per sprite size ---

void copies(benchmark::State& st, Sprite& s, int kind) {
    start();
    // One and a half times the size, as far as the screen holds it.
    const RECT stretched{0, 0, std::min(640, s.width * 3 / 2), std::min(480, s.height * 3 / 2)};
    for (auto _ : st) {
        if (kind == 0) s.drawOpaque(10, 10);
        if (kind == 1) s.drawKeyed(10, 10);
        if (kind == 2) s.drawStretched(stretched);
    }
    st.SetLabel(std::to_string(s.width) + "x" + std::to_string(s.height));
}

#define COPIES(sprite)                                                            \
    void Copy_opaque_##sprite(benchmark::State& st) { copies(st, sprite, 0); }    \
    void Copy_keyed_##sprite(benchmark::State& st) { copies(st, sprite, 1); }     \
    void Copy_stretched_##sprite(benchmark::State& st) { copies(st, sprite, 2); } \
    BENCHMARK(Copy_opaque_##sprite);                                              \
    BENCHMARK(Copy_keyed_##sprite);                                               \
    BENCHMARK(Copy_stretched_##sprite);

COPIES(JAMJARYL)    // 35 x 31
COPIES(WAVEPAKO1)   // 80 x 50
COPIES(ZABLOSTAND)  // 120 x 120
COPIES(START1)      // 240 x 120
COPIES(CONTINUE)    // 480 x 120

void Copy_opaque_BACK_window(benchmark::State& st) {
    start();
    for (auto _ : st) BACK.drawOpaque(-320, -240);
}
BENCHMARK(Copy_opaque_BACK_window);

// --- Loading ---

void Load_all_56_sprites(benchmark::State& st) {
    start();
    for (auto _ : st) {
        releaseAllSprites();
        loadAllSprites();
    }
}
BENCHMARK(Load_all_56_sprites)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
