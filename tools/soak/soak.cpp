// pako-soak: the whole game, as pako-sim runs it, played by a random player
// for a long time over many seeds, with every frame checked: the game state
// in its ranges (harness/invariants.h), the frame's trace line well
// formed, and at the end of each run every surface, bitmap and device
// context given back. Besides the keys of play the player switches windows,
// sends stray keys and timer ticks, quits with Escape or F12 in whatever
// phase the game is in, and the display loses its surfaces now and then.
//
// The pictures are plain bitmaps of the catalogue's sizes written to a
// temporary folder, so every draw really copies pixels. The input is made up
// as the game goes, from the seed alone, and written down: a failing run
// leaves its script behind, to be replayed with pako-sim.
#include <SDL.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "demo/script.h"
#include "demo/trace.h"
#include "display/catalogue.h"
#include "display/display.h"
#include "game/state.h"
#include "harness/files.h"
#include "harness/invariants.h"
#include "harness/process.h"
#include "harness/sim_options.h"
#include "platform/gdi.h"
#include "platform/headless/headless.h"
#include "platform/resources.h"
#include "shell/app.h"

namespace {

const char* const usage =
    "usage: pako-soak [--runs N] [--frames F] [--first-seed S] [--total-frames T]\n"
    "                 [--verbose]\n"
    "\n"
    "Plays N games (seeds S, S+1, ...) of at most F steps each with a random\n"
    "player and checks every frame; with --total-frames, as many games as it\n"
    "takes to check T frames in all (N is then no limit), with a line of\n"
    "progress every million frames. Exit status 0 when every frame held, 1 on\n"
    "the first that did not (its script is left in the current folder), 2 on\n"
    "bad options. Defaults: --runs 4 --frames 20000 --first-seed 1.\n";

// A small generator of its own, so the player does not touch the game's.
struct Rng {
    uint64_t s;
    uint32_t next() {
        s ^= s << 13;
        s ^= s >> 7;
        s ^= s << 17;
        return static_cast<uint32_t>(s >> 11);
    }
    bool chance(uint32_t oneIn) { return next() % oneIn == 0; }
    int32_t between(int32_t low, int32_t high) {
        return low + static_cast<int32_t>(next() % static_cast<uint32_t>(high - low + 1));
    }
};

struct Totals {
    int64_t frames = 0;
    int64_t kicks = 0;
    int64_t strikes = 0;
    int64_t drops = 0;
    int64_t rallies = 0;
    int32_t bestKickCount = 0;
    int64_t losses = 0;
    int64_t focusChanges = 0;
    int64_t quitsByKey = 0;
};

struct Run {
    uint32_t seed = 1;
    Rng rng{1};
    TraceWriter writer;
    FILE* memory = nullptr;
    std::vector<char> buffer;
    int64_t decidedUpTo = -1;
    std::vector<std::pair<int64_t, std::string>> script;
    struct Pending {
        int64_t step;
        WPARAM key;
    };
    std::vector<Pending> releases;
    int64_t spaceUntil = -1;
    int64_t inactiveUntil = -1;
    int32_t lastKickCount = 0;
    int32_t lastDropped = 0;
    int32_t lastRally = 0;
    bool failed = false;
    std::string failure;
    int64_t failStep = 0;
};

Run run;
Totals totals;

const char* keyName(WPARAM key) {
    switch (key) {
        case VK_RETURN: return "enter";
        case VK_ESCAPE: return "escape";
        case VK_SPACE: return "space";
        case VK_LEFT: return "left";
        case VK_UP: return "up";
        case VK_RIGHT: return "right";
        case VK_DOWN: return "down";
        case VK_F12: return "f12";
        default: return nullptr;
    }
}

void send(int64_t step, UINT message, WPARAM wParam) {
    headless::scheduleMessage(step, message, wParam, 0);
    std::string line = std::to_string(step) + " ";
    if (message == WM_KEYDOWN || message == WM_KEYUP) {
        line += message == WM_KEYDOWN ? "keydown " : "keyup ";
        char code[16];
        std::snprintf(code, sizeof code, "0x%x", static_cast<unsigned>(wParam));
        line += keyName(wParam) ? keyName(wParam) : code;
    } else if (message == WM_ACTIVATEAPP) {
        line += "activate " + std::to_string(static_cast<int64_t>(static_cast<int32_t>(wParam)));
    } else if (message == WM_TIMER) {
        line += "timer";
    } else {
        line += "close";
    }
    run.script.emplace_back(step, line);
}

void press(int64_t step, WPARAM key, int32_t holdSteps) {
    send(step, WM_KEYDOWN, key);
    run.releases.push_back({step + holdSteps, key});
}

// The random player's input for step s, from what the game shows now.
void decide(int64_t s) {
    Rng& r = run.rng;
    const GameState& g = game;
    for (size_t i = 0; i < run.releases.size();) {
        if (run.releases[i].step <= s) {
            send(s, WM_KEYUP, run.releases[i].key);
            run.releases[i] = run.releases.back();
            run.releases.pop_back();
        } else {
            ++i;
        }
    }
    // A sleeping game looks at its queue only when something is due, so
    // steps pass undecided: the focus comes back at the first one after.
    if (run.inactiveUntil >= 0 && s >= run.inactiveUntil) {
        send(s, WM_ACTIVATEAPP, r.chance(4) ? 2 : 1);
        run.inactiveUntil = -1;
        ++totals.focusChanges;
    }
    if (run.inactiveUntil < 0 && r.chance(2500)) {
        // Another window takes the focus, for a moment or a long while,
        // sometimes with keys still held.
        send(s, WM_ACTIVATEAPP, r.chance(8) ? static_cast<WPARAM>(r.between(3, 1000)) : 0);
        run.inactiveUntil = s + (r.chance(10) ? r.between(200, 3000) : r.between(1, 40));
        ++totals.focusChanges;
    }
    if (r.chance(1500)) send(s, WM_TIMER, 1);
    if (r.chance(1200)) {
        // A stray key; Escape and F12 are kept for the quits below.
        const auto key = static_cast<WPARAM>(r.between(0, 255));
        if (key != VK_ESCAPE && key != VK_F12) press(s, key, r.between(0, 30));
    }
    if (r.chance(150000)) {
        send(s, WM_KEYDOWN, r.chance(2) ? VK_ESCAPE : VK_F12);
        ++totals.quitsByKey;
    }

    if (g.titleActive != 0) {
        if (g.menuChoice == 0 && r.chance(8))
            press(s, r.chance(2) ? VK_UP : VK_DOWN, 1);
        else if (r.chance(400))
            press(s, VK_DOWN, r.between(1, 3));
        // EXIT is chosen now and then: the game ends there.
        if (r.chance(g.menuChoice == 0 ? 3000 : 90)) press(s, VK_RETURN, r.between(1, 6));
    } else if (g.dropped != 0) {
        if (r.chance(120)) press(s, r.chance(2) ? VK_UP : VK_DOWN, 1);
        if (r.chance(90)) press(s, VK_RETURN, r.between(1, 10));
    } else {
        // Run under the shuttlecock, more or less.
        const int32_t target = g.shuttleX + 40 + r.between(-30, 30);
        if (r.chance(6)) {
            if (target < g.playerX - 20)
                press(s, VK_LEFT, r.between(1, 12));
            else if (target > g.playerX + 20)
                press(s, VK_RIGHT, r.between(1, 12));
        }
        // Charge while it comes down, release near the feet (mostly when
        // it is there, sometimes too early or too late).
        const int32_t y = g.shuttleY + 20, x = g.shuttleX + 20;
        const bool atFeet = y >= 840 - g.cameraY && y <= 890 - g.cameraY && x >= g.playerX - 60 &&
                            x <= g.playerX + 20;
        if (run.spaceUntil >= s && g.spaceHeld != 0 && g.power > 20 && atFeet && !r.chance(4)) {
            send(s, WM_KEYUP, VK_SPACE);
            run.spaceUntil = s - 1;
            std::erase_if(run.releases, [](const Run::Pending& p) { return p.key == VK_SPACE; });
        } else if (run.spaceUntil < s && r.chance(30)) {
            run.spaceUntil = s + r.between(5, 110);
            press(s, VK_SPACE, static_cast<int32_t>(run.spaceUntil - s));
        } else if (run.spaceUntil >= s && r.chance(12)) {
            send(s, WM_KEYDOWN, VK_SPACE);  // an auto-repeat
        }
    }
}

bool fail(const std::string& why) {
    if (!run.failed) {
        run.failed = true;
        run.failure = why;
        run.failStep = headless::currentStep();
    }
    return false;
}

void checkFrame() {
    std::fflush(run.memory);
    std::rewind(run.memory);
    const TraceWriter& frame = run.writer;
    for (int i = 0; i < frame.soundCount(); ++i) {
        if (std::strcmp(frame.sound(i), "kick.wav") == 0) ++totals.kicks;
        if (std::strcmp(frame.sound(i), "a1.wav") == 0) ++totals.strikes;
    }
    if (!run.writer.writeFrame(run.memory)) {
        fail("the trace line could not be written");
        return;
    }
    const long length = std::ftell(run.memory);
    std::fflush(run.memory);
    std::string why;
    if (length <= 1 || run.buffer[static_cast<size_t>(length - 1)] != '\n')
        fail("trace line without its line feed");
    else if (!traceLineWellFormed(run.buffer.data(), static_cast<size_t>(length - 1), why))
        fail("trace: " + why);
    else if (!stateInRange(game, why))
        fail(why);
    if (game.dropped && !run.lastDropped) ++totals.drops;
    if (game.rallyActive && !run.lastRally) ++totals.rallies;
    run.lastDropped = game.dropped;
    run.lastRally = game.rallyActive;
    if (game.kickCount > totals.bestKickCount) totals.bestKickCount = game.kickCount;
    ++totals.frames;
}

// Every look at the queue: the frame that ran since the last one is checked,
// then the player decides the next step's input, and once in a while the
// display loses every surface.
void pumpHook() {
    if (run.writer.framePending()) checkFrame();
    const int64_t next = headless::currentStep() + 1;
    if (next > run.decidedUpTo) {
        run.decidedUpTo = next;
        decide(next);
        if (run.rng.chance(700)) {
            headless::loseAllSurfaces();
            ++totals.losses;
        }
    }
}

void writePictures() {
    for (const CatalogueEntry& e : catalogue) {
        // A colour no key leaves out, with the transparent colour in the
        // top-left corner, so keyed copies write nearly every pixel.
        const int64_t key = e.key == KeyBlack ? 0x000000 : 0xFFFFFF;
        writeBitmap(e.sprite->name, e.width, e.height, 0x3080C0, key);
    }
}

bool oneRun(uint32_t seed, int64_t frames, const std::string& home, bool verbose) {
    freshProcess();
    setResourcesEnabled(false);
    run.seed = seed;
    run.rng = Rng{0x9E3779B97F4A7C15ull ^ seed};
    run.writer.endFrame();
    run.decidedUpTo = -1;
    run.script.clear();
    run.releases.clear();
    run.spaceUntil = run.inactiveUntil = -1;
    run.lastDropped = run.lastRally = 0;
    run.failed = false;
    headless::setCalendarSeconds(seed);
    headless::setStepLimit(frames);
    headless::setPumpHook(pumpHook);
    traceGame(&run.writer, headless::currentStep);

    const int64_t before = totals.frames;
    char commandLine[] = "";
    appMain(GetModuleHandleA(nullptr), nullptr, commandLine, SW_SHOWDEFAULT);
    pumpHook();
    releaseAllSprites();
    if (ddraw::liveSurfaces() != 0 || gdiLiveObjects() != 0)
        fail("surfaces or bitmaps left after the run: " + std::to_string(ddraw::liveSurfaces()) +
             " surfaces, " + std::to_string(gdiLiveObjects()) + " bitmaps and contexts");
    if (verbose) {
        std::printf("seed %u: %lld frames, best kick count %d, ended at step %lld after: ", seed,
                    static_cast<long long>(totals.frames - before), totals.bestKickCount,
                    static_cast<long long>(headless::currentStep()));
        for (size_t i = run.script.size() > 3 ? run.script.size() - 3 : 0; i < run.script.size();
             ++i)
            std::printf("[%s] ", run.script[i].second.c_str());
        std::printf("\n");
    }
    if (!run.failed) return true;

    const std::string path = home + "/soak-failure-" + std::to_string(seed) + ".script";
    std::ofstream out(path);
    out << "# pako-soak seed " << seed << ": " << run.failure << "\n"
        << "# replay: pako-sim --seed " << seed << " --frames " << frames
        << " --no-resources --assets FOLDER --script this --trace -\n"
        << "# (FOLDER: plain pictures of the catalogue's sizes; surface losses are not in it)\n";
    for (const auto& [step, line] : run.script) out << line << "\n";
    std::fprintf(stderr, "pako-soak: seed %u, step %lld: %s\n  script: %s\n", seed,
                 static_cast<long long>(run.failStep), run.failure.c_str(), path.c_str());
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    uint64_t runs = 4, frames = 20000, firstSeed = 1, totalFrames = 0;
    bool verbose = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        uint64_t* target = a == "--runs"           ? &runs
                           : a == "--frames"       ? &frames
                           : a == "--first-seed"   ? &firstSeed
                           : a == "--total-frames" ? &totalFrames
                                                   : nullptr;
        if (a == "--verbose") {
            verbose = true;
        } else if (a == "--help") {
            std::fputs(usage, stdout);
            return 0;
        } else if (!target || i + 1 >= argc ||
                   !parseNumber(argv[++i], a == "--first-seed" ? 4294967295u : uint64_t{1} << 40,
                                *target)) {
            std::fprintf(stderr, "pako-soak: %s: bad option or value (see --help)\n", a.c_str());
            return 2;
        }
    }

    const std::string home = std::filesystem::current_path().string();
    TempDir pictures;
    writePictures();
    run.buffer.assign(256 * 1024, 0);
    run.memory = fmemopen(run.buffer.data(), run.buffer.size(), "w");
    if (!run.memory) return 2;

    const auto start = std::chrono::steady_clock::now();
    bool ok = true;
    uint64_t k = 0;
    int64_t reported = 0;
    for (; ok && (totalFrames > 0 ? static_cast<uint64_t>(totals.frames) < totalFrames : k < runs);
         ++k) {
        ok = oneRun(static_cast<uint32_t>(firstSeed + k), static_cast<int64_t>(frames), home,
                    verbose);
        if (totalFrames > 0 && totals.frames / 1000000 > reported) {
            reported = totals.frames / 1000000;
            std::printf("pako-soak: %lld frames, %llu games, every frame held so far\n",
                        static_cast<long long>(totals.frames),
                        static_cast<unsigned long long>(k) + 1);
            std::fflush(stdout);
        }
    }
    runs = k;
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::fclose(run.memory);

    std::printf(
        "pako-soak: %s: %llu runs, %lld frames checked in %.0f s; %lld rallies, %lld kicks "
        "(best count %d), %lld dragonflies struck, %lld drops, %lld surface losses, "
        "%lld focus changes, %lld quits by key\n",
        ok ? "every frame held" : "FAILED", static_cast<unsigned long long>(runs),
        static_cast<long long>(totals.frames), seconds, static_cast<long long>(totals.rallies),
        static_cast<long long>(totals.kicks), totals.bestKickCount,
        static_cast<long long>(totals.strikes), static_cast<long long>(totals.drops),
        static_cast<long long>(totals.losses), static_cast<long long>(totals.focusChanges),
        static_cast<long long>(totals.quitsByKey));
    return ok ? 0 : 1;
}
