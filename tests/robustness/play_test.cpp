// Faults and long play, over the whole game as pako-sim runs it: every
// surface lost on every frame, the focus taken away a thousand times with
// keys held, Escape and F12 in every phase, a month on the continue screen.
// Every frame is checked against the game's ranges (harness/invariants.h).
#include <gtest/gtest.h>

#include <SDL.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "demo/trace.h"
#include "display/catalogue.h"
#include "display/display.h"
#include "game/game.h"
#include "game/state.h"
#include "harness/files.h"
#include "harness/invariants.h"
#include "harness/process.h"
#include "platform/gdi.h"
#include "platform/headless/headless.h"
#include "platform/resources.h"
#include "shell/app.h"

namespace {

// One game as pako-sim plays it, with the trace line of every frame kept
// and checked, and a hook that may act before every look at the queue.
struct Game {
    struct Line {
        int64_t step;
        std::string text;
    };
    static inline std::vector<Line> lines;
    static inline std::vector<GameState> states;
    static inline std::function<void()> beforePump;
    static inline TraceWriter writer;
    static inline std::string broken;

    static void endFrame() {
        if (!writer.framePending()) return;
        const int64_t step = writer.frameStep();
        char* text = nullptr;
        size_t size = 0;
        FILE* f = open_memstream(&text, &size);
        writer.writeFrame(f);
        std::fclose(f);
        std::string why;
        if (broken.empty() && (size == 0 || !traceLineWellFormed(text, size - 1, why)))
            broken = "frame " + std::to_string(step) + ": trace: " + why;
        if (broken.empty() && !stateInRange(game, why))
            broken = "frame " + std::to_string(step) + ": " + why;
        lines.push_back({step, text});
        states.push_back(game);
        std::free(text);
    }
    static void hook() {
        endFrame();
        if (beforePump) beforePump();
    }

    // Plays `script` (step, message, wParam) for `steps` steps.
    static void play(const std::vector<std::array<int64_t, 3>>& script, int64_t steps) {
        lines.clear();
        states.clear();
        writer.endFrame();
        broken.clear();
        freshProcess();
        setResourcesEnabled(false);
        for (const auto& m : script)
            headless::scheduleMessage(m[0], static_cast<UINT>(m[1]), static_cast<WPARAM>(m[2]), 0);
        headless::setStepLimit(steps);
        headless::setPumpHook(hook);
        traceGame(&writer, headless::currentStep);
        char commandLine[] = "";
        appMain(GetModuleHandleA(nullptr), nullptr, commandLine, SW_SHOWDEFAULT);
        endFrame();
        releaseAllSprites();
        beforePump = nullptr;
    }
};

// A one-colour 8-bit run-length picture: BACK at a fraction of the bytes
// to read again after every loss.
void writeFlatPicture(const std::string& path, int w, int h, uint32_t rgb) {
    std::vector<unsigned char> data;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; x += 255) {
            data.push_back(static_cast<unsigned char>(std::min(255, w - x)));
            data.push_back(0);
        }
        data.push_back(0);
        data.push_back(0);
    }
    data.back() = 1;  // the end of the picture
    auto le32 = [](std::vector<unsigned char>& v, uint32_t x) {
        for (int i = 0; i < 4; ++i) v.push_back(static_cast<unsigned char>(x >> (8 * i)));
    };
    std::vector<unsigned char> f{'B', 'M'};
    const uint32_t offset = 14 + 40 + 4;
    le32(f, offset + static_cast<uint32_t>(data.size()));
    le32(f, 0);
    le32(f, offset);
    for (uint32_t v : {40u, static_cast<uint32_t>(w), static_cast<uint32_t>(h)}) le32(f, v);
    f.push_back(1), f.push_back(0), f.push_back(8), f.push_back(0);  // planes, bits
    for (uint32_t v : {1u, static_cast<uint32_t>(data.size()), 2835u, 2835u, 1u, 0u}) le32(f, v);
    le32(f, rgb);  // blue, green, red, 0
    f.insert(f.end(), data.begin(), data.end());
    FILE* out = std::fopen(path.c_str(), "wb");
    std::fwrite(f.data(), 1, f.size(), out);
    std::fclose(out);
}

class Play : public ::testing::Test {
protected:
    TempDir dir;
    void SetUp() override {
        // Plain pictures of every catalogue size, so draws copy pixels.
        for (const CatalogueEntry& e : catalogue)
            writeBitmap(e.sprite->name, e.width, e.height, 0x3080C0,
                        e.key == KeyBlack ? 0x000000 : 0xFFFFFF);
        writeFlatPicture("BACK", 1280, 960, 0x80A0C0);
    }
    void TearDown() override {
        EXPECT_EQ(Game::broken, "");
        EXPECT_EQ(ddraw::liveSurfaces(), 0);
        EXPECT_EQ(gdiLiveObjects(), 0);
    }
};

using Script = std::vector<std::array<int64_t, 3>>;

// Enter on the title at step 1; the countdown ends and the serve comes at
// about step 102; a swing is charged and released now and then.
Script startAndSwing(int64_t until) {
    Script s{{1, WM_KEYDOWN, VK_RETURN}, {2, WM_KEYUP, VK_RETURN}};
    for (int64_t t = 110; t + 40 < until; t += 97) {
        s.push_back({t, WM_KEYDOWN, VK_SPACE});
        s.push_back({t + 35, WM_KEYUP, VK_SPACE});
    }
    return s;
}

TEST_F(Play, LosingEverySurfaceOnEveryFrameForAThousandFramesChangesOnlyThePictures) {
    const Script script = startAndSwing(1000);
    Game::play(script, 1000);
    const std::vector<Game::Line> calm = Game::lines;
    ASSERT_EQ(calm.size(), 1000u);

    int losses = 0;
    Game::beforePump = [&losses] {
        headless::loseAllSurfaces();
        ++losses;
    };
    Game::play(script, 1000);
    EXPECT_GE(losses, 1000);
    // Every picture is restored by its next draw and missing for that frame
    // only; the game itself does not notice: frame for frame the same trace.
    ASSERT_EQ(Game::lines.size(), calm.size());
    for (size_t i = 0; i < calm.size(); ++i)
        ASSERT_EQ(Game::lines[i].text, calm[i].text) << "frame " << i;
    EXPECT_TRUE(headless::debugStrings().empty());
}

TEST_F(Play, AThousandFocusTogglesWithKeysHeldPauseTheGameAndKeepTheKeys) {
    // A rally with Right and Space held, then a thousand times the focus
    // lost and won back, each for one step; once more both within a step.
    Script s = startAndSwing(0);
    s.push_back({150, WM_KEYDOWN, VK_RIGHT});
    s.push_back({150, WM_KEYDOWN, VK_SPACE});
    int64_t t = 160;
    for (int i = 0; i < 1000; ++i, t += 2) {
        s.push_back({t, WM_ACTIVATEAPP, 0});
        s.push_back({t + 1, WM_ACTIVATEAPP, i % 2 ? 2 : 1});
    }
    for (int i = 0; i < 100; ++i) {
        s.push_back({t, WM_ACTIVATEAPP, 0});
        s.push_back({t, WM_ACTIVATEAPP, 1});
    }
    const int64_t steps = t + 20;
    Game::play(s, steps);

    // No frame while the focus is away: a thousand steps without one.
    int64_t ran = 0, during = 0;
    for (const Game::Line& l : Game::lines) {
        ++ran;
        if (l.step >= 160 && l.step < 2160) ++during;
    }
    EXPECT_EQ(during, 1000);
    EXPECT_EQ(ran, steps - 1000);
    for (const Game::Line& l : Game::lines) {
        if (l.step >= 160 && l.step < 2160) {
            ASSERT_EQ((l.step - 160) % 2, 1) << l.step;
        }
    }
    // The keys stay held, as on the platform the game was made for: the
    // player keeps running right and the gauge keeps charging.
    const GameState& last = Game::states.back();
    EXPECT_EQ(last.appActive, 1);
    EXPECT_EQ(last.rightHeld, 1);
    EXPECT_EQ(last.spaceHeld, 1);
}

TEST_F(Play, EscapeAndF12EndTheGameCleanlyInEveryPhase) {
    const struct Phase {
        const char* name;
        Script script;
        bool (*reached)(const GameState&);
    } phases[] = {
        {"title", {}, [](const GameState& g) { return g.titleActive != 0; }},
        {"title with EXIT chosen",
         {{1, WM_KEYDOWN, VK_DOWN}},
         [](const GameState& g) { return g.titleActive != 0 && g.menuChoice == 0; }},
        {"countdown READY", startAndSwing(0),
         [](const GameState& g) {
             return g.titleActive == 0 && g.countdownFrames > 10 && g.countdownFrames < 50;
         }},
        {"countdown GO", startAndSwing(0),
         [](const GameState& g) { return g.countdownFrames > 60 && g.countdownFrames < 100; }},
        {"rally", startAndSwing(0),
         [](const GameState& g) {
             return g.rallyActive != 0 && g.dropped == 0 && g.flightTime > 5;
         }},
        {"charging", startAndSwing(400),
         [](const GameState& g) { return g.spaceHeld != 0 && g.power > 10; }},
        {"kick pose", startAndSwing(400), [](const GameState& g) { return g.kickAnimActive != 0; }},
        {"continue screen", startAndSwing(0),
         [](const GameState& g) { return g.dropped != 0 && g.menuChoice != 0; }},
        {"continue screen with no chosen",
         Script{{1, WM_KEYDOWN, VK_RETURN}, {2, WM_KEYUP, VK_RETURN}},
         [](const GameState& g) { return g.dropped != 0 && g.menuChoice == 0; }},
        {"window in the background",
         Script{{1, WM_KEYDOWN, VK_RETURN}, {2, WM_KEYUP, VK_RETURN}, {130, WM_ACTIVATEAPP, 0}},
         [](const GameState& g) { return g.appActive == 0; }},
    };
    for (const Phase& phase : phases) {
        for (WPARAM key : {WPARAM{VK_ESCAPE}, WPARAM{VK_F12}}) {
            SCOPED_TRACE(std::string(phase.name) + (key == VK_ESCAPE ? ", Escape" : ", F12"));
            int64_t keyStep = -1;
            bool downSent = false;
            const bool chooseNo = std::strcmp(phase.name, "continue screen with no chosen") == 0;
            Game::beforePump = [&keyStep, &downSent, &phase, key, chooseNo] {
                if (keyStep >= 0 || headless::currentStep() < 5) return;
                // On the continue screen, Down first where no is wanted.
                if (chooseNo && game.dropped != 0 && !downSent) {
                    downSent = true;
                    headless::scheduleMessage(headless::currentStep() + 1, WM_KEYDOWN, VK_DOWN, 0);
                }
                if (!phase.reached(game)) return;
                keyStep = headless::currentStep() + 1;
                headless::scheduleMessage(keyStep, WM_KEYDOWN, key, 0);
            };
            Game::play(phase.script, 3000);
            ASSERT_GE(keyStep, 0) << "phase never reached";
            // The game ends at that step: no frame from it on, the window
            // gone, the display let go, no message box, and every sprite
            // surface released after the device without touching it.
            EXPECT_EQ(headless::currentStep(), keyStep);
            ASSERT_FALSE(Game::lines.empty());
            EXPECT_LT(Game::lines.back().step, keyStep);
            EXPECT_FALSE(headless::windowExists());
            EXPECT_EQ(primarySurface, nullptr);
            EXPECT_TRUE(headless::messageBoxes().empty());
            EXPECT_EQ(ddraw::liveSurfaces(), 0);
        }
    }
}

TEST_F(Play, AMonthOnTheContinueScreenKeepsEveryCounterInRange) {
    // To the continue screen, then the counters that grow while it waits
    // are moved to where a month (or more) of waiting takes them: the
    // dragonflies' counters to just before their wrap, the flight to its
    // end, the clock to just before its 32-bit wrap. Then 20,000 frames.
    bool jumped = false;
    Game::beforePump = [&jumped] {
        if (jumped || game.dropped == 0) return;
        jumped = true;
        game.respawnTick = CounterWrap - 1;
        game.cwTurnTimer = CounterWrap - 5;
        game.ccwTurnTimer = CounterWrap - 3;
        game.wobbleTimer = CounterWrap - 1;
        game.flightTime = MaxFlightTime - 2;
        game.dragonflies[0].alive = 0;  // so that the respawn counter moves
        headless::setClockBase(0xFFFFFFFFu - static_cast<uint32_t>(headless::clock()) - 3000);
    };
    Game::play(Script{{1, WM_KEYDOWN, VK_RETURN}, {2, WM_KEYUP, VK_RETURN}}, 24000);
    ASSERT_TRUE(jumped);
    const GameState& last = Game::states.back();
    EXPECT_EQ(last.dropped, 1);
    EXPECT_EQ(last.flightTime, MaxFlightTime);
    // Wrapped round.
    EXPECT_LT(last.respawnTick, 1000000);
    EXPECT_LT(std::min({last.cwTurnTimer, last.ccwTurnTimer, last.wobbleTimer}), 1000000);
    EXPECT_GT(Game::lines.size(), 23000u);
    // Frames kept their pace across the clock's wrap.
    EXPECT_GT(Game::lines.back().step, 23990);
}

TEST(SoakChecks, RejectStatesAndTraceLinesTheGameCannotMake) {
    std::string why;
    GameState g;
    EXPECT_TRUE(stateInRange(g, why)) << why;
    for (auto breakIt : std::vector<std::function<void(GameState&)>>{
             [](GameState& s) { s.cameraX = 644; }, [](GameState& s) { s.cameraY = -1; },
             [](GameState& s) { s.kickCount = 100; }, [](GameState& s) { s.power = 101; },
             [](GameState& s) { s.respawnTick = CounterWrap; },
             [](GameState& s) { s.dragonflies[24].pattern = 5; },
             [](GameState& s) {
                 s.dragonflies[3].fallTime = std::numeric_limits<float>::infinity();
             },
             [](GameState& s) { s.playerX = PositionLimit + 1; }}) {
        GameState bad;
        breakIt(bad);
        EXPECT_FALSE(stateInRange(bad, why));
    }

    // A line from the trace writer is well formed; damaged copies are not.
    freshProcess();
    TraceWriter w;
    w.beginFrame(7);
    w.noteDraw(BACK, 0, -480);
    w.noteStretched(REVOZE, RECT{126, 47, 514, 233});
    w.noteSound("kick.wav");
    char* text = nullptr;
    size_t size = 0;
    FILE* f = open_memstream(&text, &size);
    w.writeFrame(f);
    std::fclose(f);
    const std::string good(text, size - 1);
    std::free(text);
    EXPECT_TRUE(traceLineWellFormed(good.data(), good.size(), why)) << why;
    const std::string damaged[] = {
        good.substr(0, good.size() - 1),                                   // cut off
        good + " x",                                                       // trailing text
        std::string(good).replace(good.find("\"power\""), 7, "\"powr\""),  // renamed member
        std::string(good).replace(good.find("],["), 3, "]]"),              // 24 dragonflies
        std::string(good).replace(good.find("-480"), 4, "-4.8"),           // not an integer
        std::string(good).replace(good.find(",\"sounds\""), 1, ",\"sounds\":[],"),  // twice
    };
    for (const std::string& d : damaged)
        EXPECT_FALSE(traceLineWellFormed(d.data(), d.size(), why)) << d;
}

}  // namespace
