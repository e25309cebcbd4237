// A pako-sim script, or a recorded game with its header, taken through the
// simulator's reader and, when it reads, played (a record with its seed): its messages reach the
// game's window procedure at their steps through the game's own queue, and a frame runs at every
// step the game is active, for the first MaxSteps steps (the title, the countdown and the serve),
// the state checked against its ranges after every frame.
//
// So that ten million scripts take minutes rather than hours, one simulated
// process serves many scripts: the game state is reset between them as at
// game start, and only a script that closes the window (Escape, F12, EXIT,
// close) costs a fresh process. The folder holds no pictures, so frames do
// not spend their time copying pixels.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "demo/script.h"
#include "display/catalogue.h"
#include "display/display.h"
#include "game/game.h"
#include "game/state.h"
#include "harness/files.h"
#include "harness/invariants.h"
#include "harness/process.h"
#include "platform/headless/headless.h"
#include "platform/resources.h"
#include "shell/app.h"

namespace {

constexpr int64_t MaxSteps = 120;

bool windowOpen = false;

void freshGame() {
    freshProcess();
    setResourcesEnabled(false);
    drawObserver = nullptr;
    if (initApp(GetModuleHandleA(nullptr), SW_SHOWDEFAULT) != 0) std::abort();
    gameStart();
    windowOpen = true;
}

// Hands every queued message to the window procedure, as the pump does;
// false once the window is gone.
bool pump() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
        if (!GetMessageA(&msg, nullptr, 0, 0)) return false;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    static TempDir dir;  // no picture files: every sprite stays unloaded
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    std::vector<ScriptLine> lines;
    ScriptHeader header;
    std::string error;
    if (!parseScript(in, "fuzz", lines, header, error)) {
        // pako-sim prints this as its one line naming file and line.
        if (error.rfind("fuzz:", 0) != 0 || error.find('\n') != std::string::npos) std::abort();
        return 0;
    }
    if (!windowOpen) {
        freshGame();
    } else {
        // What is left in the queue belongs to the last script.
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) GetMessageA(&msg, nullptr, 0, 0);
        game = GameState{};
        gameStart();
    }
    if (header.record) {
        // A record plays with the seed it was recorded with.
        seedRandom(header.seed);
        spawnDragonflies();
    }
    game.appActive = 1;  // the activation at start-up

    // Lines of one step keep their file order.
    std::vector<std::vector<const ScriptLine*>> bySteps(MaxSteps);
    int64_t last = -1;
    for (const ScriptLine& l : lines) {
        if (l.step >= MaxSteps) continue;
        bySteps[static_cast<size_t>(l.step)].push_back(&l);
        if (l.step > last) last = l.step;
    }
    std::string why;
    for (int64_t step = 0; step <= last + 1 && step < MaxSteps; ++step) {
        for (const ScriptLine* l : bySteps[static_cast<size_t>(step)])
            PostMessageA(mainWindow, l->message, l->wParam, 0);
        if (!pump()) {
            windowOpen = false;
            break;
        }
        if (game.appActive == 0) continue;
        presentFrame();
        if (!stateInRange(game, why)) {
            std::fprintf(stderr, "script fuzz: step %lld: %s\n", static_cast<long long>(step),
                         why.c_str());
            std::abort();
        }
    }
    if (!windowOpen) releaseAllSprites();
    return 0;
}
