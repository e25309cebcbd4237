// Start-up, the window procedure, the pump and the frame pacing, over the
// simulated platform.
#include <gtest/gtest.h>

#include <SDL.h>

#include <cstring>
#include <vector>

#include "display/catalogue.h"
#include "display/display.h"
#include "game/state.h"
#include "harness/process.h"
#include "platform/headless/headless.h"
#include "platform/win_queue.h"
#include "shell/app.h"

namespace {

using backend::Op;

class Shell : public ::testing::Test {
protected:
    void SetUp() override { freshProcess(); }
    static int runGame() {
        char commandLine[] = "";
        return appMain(GetModuleHandleA(nullptr), nullptr, commandLine, SW_SHOWDEFAULT);
    }
    static LRESULT send(UINT message, WPARAM wParam) {
        return windowProc(mainWindow, message, wParam, 0);
    }
};

TEST_F(Shell, KeyDownTable) {
    startGame();
    send(WM_KEYDOWN, VK_RETURN);
    EXPECT_EQ(game.enterHeld, 1);
    game.spaceReleased = 1;
    send(WM_KEYDOWN, VK_SPACE);
    EXPECT_EQ(game.spaceHeld, 1);
    EXPECT_EQ(game.spaceReleased, 0);
    // Left and Right only during a rally that is not over.
    send(WM_KEYDOWN, VK_LEFT);
    send(WM_KEYDOWN, VK_RIGHT);
    EXPECT_EQ(game.leftHeld + game.rightHeld, 0);
    game.rallyActive = 1;
    send(WM_KEYDOWN, VK_LEFT);
    send(WM_KEYDOWN, VK_RIGHT);
    EXPECT_EQ(game.leftHeld + game.rightHeld, 2);
    // Dropped: Space and the arrows do nothing on key-down.
    game = GameState{};
    game.dropped = 1;
    game.rallyActive = 1;
    game.spaceReleased = 1;
    send(WM_KEYDOWN, VK_SPACE);
    send(WM_KEYDOWN, VK_LEFT);
    EXPECT_EQ(game.spaceHeld + game.leftHeld, 0);
    EXPECT_EQ(game.spaceReleased, 1);
    // Up and Down flip the choice on every key-down, auto-repeats too.
    for (int i = 0; i < 3; ++i) send(WM_KEYDOWN, VK_UP);
    EXPECT_EQ(game.menuChoice, 0);
    send(WM_KEYDOWN, VK_DOWN);
    EXPECT_EQ(game.menuChoice, 1);
    // Other keys change nothing.
    const GameState before = game;
    send(WM_KEYDOWN, 0x41);
    send(WM_KEYUP, 0x41);
    EXPECT_TRUE(before == game);
}

TEST_F(Shell, KeyUpTableClearsWithoutConditions) {
    startGame();
    game.enterHeld = game.spaceHeld = game.leftHeld = game.rightHeld = 1;
    game.dropped = 1;
    send(WM_KEYUP, VK_RETURN);
    send(WM_KEYUP, VK_SPACE);
    send(WM_KEYUP, VK_LEFT);
    send(WM_KEYUP, VK_RIGHT);
    send(WM_KEYUP, VK_UP);
    EXPECT_EQ(game.enterHeld + game.spaceHeld + game.leftHeld + game.rightHeld, 0);
    EXPECT_EQ(game.spaceReleased, 1);
    EXPECT_EQ(game.menuChoice, 1);
}

TEST_F(Shell, EscapeAndF12PostACloseAndAnswerZero) {
    startGame();
    for (WPARAM key : {VK_ESCAPE, VK_F12}) {
        while (winq::messageWaiting()) {
            MSG m;
            GetMessageA(&m, nullptr, 0, 0);
        }
        EXPECT_EQ(send(WM_KEYDOWN, key), 0);
        MSG m;
        ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE));
        EXPECT_EQ(m.message, WM_CLOSE);
    }
}

TEST_F(Shell, ActivationTimerAndCursor) {
    startGame();
    const struct {
        WPARAM w;
        int32_t active;
    } cases[] = {{1, 1}, {0, 0}, {2, 1}, {3, 0}, {7, 0}};
    for (auto c : cases) {
        send(WM_ACTIVATEAPP, c.w);
        EXPECT_EQ(game.appActive, c.active) << c.w;
    }
    game.shuttleFrame = 3;  // the kick pose's phase goes back to 0
    game.runFrame = 3;
    EXPECT_EQ(windowProc(mainWindow, WM_TIMER, 42, 0), 0);  // any identifier
    EXPECT_EQ(game.blink, 1);
    EXPECT_EQ(game.shuttleFrame, 0);
    EXPECT_EQ(game.runFrame, 0);
    send(WM_TIMER, 1);
    send(WM_TIMER, 1);
    EXPECT_EQ(game.blink, 1);
    EXPECT_EQ(game.shuttleFrame, 2);
    EXPECT_EQ(game.runFrame, 2);
    EXPECT_EQ(send(WM_SETCURSOR, 0), 1);
}

TEST_F(Shell, StartUpShowsTheWindowActivatesAndLoadsEverything) {
    startGame();
    EXPECT_TRUE(headless::windowShown());
    EXPECT_EQ(headless::windowTitle(), "Pako Tumbo");
    EXPECT_EQ(game.appActive, 1);
    ASSERT_NE(backBuffer, nullptr);
    EXPECT_EQ(backBuffer->pixels->w, 640);
    EXPECT_EQ(backBuffer->pixels->h, 480);
    EXPECT_EQ(game.dragonflies[24].alive, 1);
    // Both sounds read ahead, so that a missing one is said at start-up.
    EXPECT_EQ(headless::preloadedSounds(), (std::vector<std::string>{"kick.wav", "a1.wav"}));
}

TEST_F(Shell, EachDisplayStepFailingShowsItsMessageAndEndsWithZero) {
    const struct {
        Op op;
        const char* text;
        int surfacesLeft;
    } steps[] = {{Op::DirectDrawCreate, "DirectDrawCreate FAILED", 0},
                 {Op::QueryInterface, "QueryInterface FAILED", 0},
                 {Op::SetCooperativeLevel, "SetCooperativeLevel FAILED", 0},
                 {Op::SetDisplayMode, "SetDisplayMode FAILED", 0},
                 {Op::CreateSurface, "CreateSurface FAILED", 0},
                 {Op::GetAttachedSurface, "GetAttachedSurface FAILED", 0}};
    for (auto s : steps) {
        freshProcess();
        headless::injectFault(s.op, 1, E_FAIL);
        EXPECT_EQ(runGame(), 0) << s.text;
        ASSERT_EQ(headless::messageBoxes().size(), 1u) << s.text;
        EXPECT_EQ(headless::messageBoxes()[0].text, s.text);
        EXPECT_EQ(headless::messageBoxes()[0].caption, "Velmora");
        EXPECT_EQ(headless::messageBoxes()[0].type, MB_OK);
        EXPECT_FALSE(headless::windowExists());
        EXPECT_EQ(directDraw, nullptr);
        EXPECT_EQ(primarySurface, nullptr);
        EXPECT_EQ(ddraw::liveSurfaces(), s.surfacesLeft) << s.text;
        EXPECT_EQ(ZABLOSTAND.surface, nullptr);  // no sprite was loaded
        EXPECT_EQ(headless::callCount(Op::SetTimer), 0);
        EXPECT_EQ(headless::presentCount(), 0);
    }
}

TEST_F(Shell, NoWindowEndsSilentlyWithZero) {
    headless::injectFault(Op::CreateWindow, 1, E_FAIL);
    EXPECT_EQ(runGame(), 0);
    EXPECT_TRUE(headless::messageBoxes().empty());
    EXPECT_EQ(headless::callCount(Op::DirectDrawCreate), 0);
}

TEST_F(Shell, TimerWarningRetriesUntilCancel) {
    headless::injectFault(Op::SetTimer, 1, E_FAIL, 3);
    headless::answerNextMessageBox(IDRETRY);
    headless::answerNextMessageBox(IDRETRY);
    headless::answerNextMessageBox(IDCANCEL);
    headless::setStepLimit(30);
    EXPECT_EQ(runGame(), 0);
    ASSERT_EQ(headless::messageBoxes().size(), 3u);
    EXPECT_EQ(headless::messageBoxes()[0].text, "Too many clocks or timers!");
    EXPECT_EQ(headless::messageBoxes()[0].caption, "Pako");
    EXPECT_EQ(headless::messageBoxes()[0].type, MB_ICONWARNING | MB_RETRYCANCEL);
    EXPECT_EQ(game.blink, 0);  // no timer: nothing blinks, but the game ran
    EXPECT_EQ(headless::presentCount(), 30);

    freshProcess();
    headless::injectFault(Op::SetTimer, 1, E_FAIL, 1);
    headless::answerNextMessageBox(IDRETRY);
    headless::setStepLimit(30);  // 420 ms: two ticks
    EXPECT_EQ(runGame(), 0);
    EXPECT_EQ(headless::messageBoxes().size(), 1u);
    EXPECT_EQ(game.blink, 0);
    EXPECT_EQ(game.shuttleFrame, 2);
}

TEST_F(Shell, PumpHandlesEveryMessageBeforeTheNextFrame) {
    // Twelve key-downs before step 0: all handled before frame 0 runs.
    for (int i = 0; i < 12; ++i) headless::scheduleMessage(0, WM_KEYDOWN, VK_UP, 0);
    headless::scheduleMessage(0, WM_KEYDOWN, VK_DOWN, 0);
    headless::setStepLimit(1);
    EXPECT_EQ(runGame(), 0);
    EXPECT_EQ(headless::presentCount(), 1);
    EXPECT_EQ(game.menuChoice, 0);
    EXPECT_EQ(drawLog.back(), (DrawRecord{"EXIT2", {320, 360}}));  // chosen when drawn
}

TEST_F(Shell, InactiveGameSleepsButTheTimerGoesOn) {
    headless::scheduleMessage(2, WM_ACTIVATEAPP, 0, 0);
    headless::scheduleMessage(60, WM_ACTIVATEAPP, 1, 0);
    headless::setStepLimit(62);
    EXPECT_EQ(runGame(), 0);
    EXPECT_EQ(headless::presentCount(), 4);  // steps 0, 1, 60, 61
    EXPECT_EQ(game.zoomInset, 28);           // four bounce steps
    EXPECT_EQ(game.blink, 0);                // four ticks by 868 ms
    EXPECT_EQ(game.runFrame, 0);
    EXPECT_EQ(headless::clock(), 62u * 14u);
}

// As on the original platform, at most one tick of the timer waits in the
// queue: a game that looks at its messages late finds one tick, not a pile.
// Ticks posted by anybody else (a script's "timer") are messages of their
// own and always queued.
TEST_F(Shell, AtMostOneAutomaticTimerTickWaits) {
    startGame();
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) GetMessageA(&msg, nullptr, 0, 0);
    auto ticksWaiting = [] {
        int ticks = 0;
        MSG m;
        while (PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE)) {
            GetMessageA(&m, nullptr, 0, 0);
            ticks += m.message == WM_TIMER;
        }
        return ticks;
    };
    for (int i = 0; i < 5; ++i) winq::postTimerTick();
    EXPECT_EQ(ticksWaiting(), 1);
    // Once the tick is taken, the next one may come.
    winq::postTimerTick();
    EXPECT_EQ(ticksWaiting(), 1);
    PostMessageA(mainWindow, WM_TIMER, 1, 0);
    winq::postTimerTick();
    winq::postTimerTick();
    PostMessageA(mainWindow, WM_TIMER, 1, 0);
    EXPECT_EQ(ticksWaiting(), 3);

    // Through the pump: a frame that takes 850 ms lets four ticks fall due,
    // and the game hears one of them (four would leave the blink as it was).
    freshProcess();
    headless::setStepLimit(70);
    headless::jumpClockOnRead(3, 850);
    EXPECT_EQ(runGame(), 0);
    EXPECT_EQ(game.blink, 1);
}

TEST_F(Shell, CloseEndsThePumpBeforeAnyFurtherFrame) {
    headless::scheduleMessage(5, WM_CLOSE, 0, 0);
    headless::scheduleMessage(5, WM_KEYDOWN, VK_RETURN, 0);
    headless::setStepLimit(100);
    EXPECT_EQ(runGame(), 0);
    EXPECT_EQ(headless::presentCount(), 5);
    EXPECT_FALSE(headless::windowExists());
    EXPECT_EQ(directDraw, nullptr);  // released on the window's destruction
    EXPECT_EQ(game.titleActive, 1);
}

// The clock at every flip the pump made, read at the look at the queue that
// follows it (a simulated frame takes no time).
std::vector<uint64_t> flipTimes;
int flipsSeen = 0;
void noteFlips() {
    for (; flipsSeen < headless::presentCount(); ++flipsSeen)
        flipTimes.push_back(headless::clock());
}

// The pump waits before each frame, not after: the frame runs on the keys
// that came during the wait, and its picture is flipped at once. Frames
// still begin 14 ms apart; one that ran long delays the next and nothing
// else; the clock's wrap changes nothing.
TEST_F(Shell, FramesWaitFirstThenFlipAtOnceFourteenMillisecondsApart) {
    flipTimes.clear();
    flipsSeen = 0;
    headless::setPumpHook(noteFlips);
    // Enter comes at 42 ms, in the wait before frame 3: that frame ends the
    // title, and its picture is flipped at 42 ms, not 14 ms later.
    headless::scheduleMessage(3, WM_KEYDOWN, VK_RETURN, 0);
    headless::setStepLimit(5);
    EXPECT_EQ(runGame(), 0);
    EXPECT_EQ(flipTimes, (std::vector<uint64_t>{0, 14, 28, 42, 56}));
    EXPECT_EQ(game.titleActive, 0);
    // It waited before each frame, and before the close that ends step 5.
    EXPECT_EQ(headless::idledMs(), 70u);

    // A frame called on its own flips with no wait after gameFrame.
    startGame();
    headless::setClock(1000);
    presentFrame();
    EXPECT_EQ(headless::clock(), 1000u);
    EXPECT_EQ(headless::presentCount(), 1);

    // A frame that takes 20 ms (the clock has moved on by the pump's next
    // look) is followed by the next at once, and that one 14 ms later; one
    // of 3 ms waits the rest.
    freshProcess();
    flipTimes.clear();
    flipsSeen = 0;
    headless::setPumpHook(noteFlips);
    headless::setAutomaticTimer(false);
    headless::setStepLimit(6);
    // Reads: the first frame's start, then the look whether the next is due.
    headless::jumpClockOnRead(2, 20);
    EXPECT_EQ(runGame(), 0);
    ASSERT_GE(flipTimes.size(), 3u);
    EXPECT_EQ(flipTimes[0], 0u);
    EXPECT_EQ(flipTimes[1], 20u);
    EXPECT_EQ(flipTimes[2], 34u);
    freshProcess();
    flipTimes.clear();
    flipsSeen = 0;
    headless::setPumpHook(noteFlips);
    headless::setStepLimit(3);
    headless::jumpClockOnRead(2, 3);
    EXPECT_EQ(runGame(), 0);
    EXPECT_EQ(flipTimes, (std::vector<uint64_t>{0, 14, 28}));

    // Across the clock's wrap the frames keep their 14 ms.
    freshProcess();
    flipTimes.clear();
    flipsSeen = 0;
    headless::setPumpHook(noteFlips);
    headless::setClockBase(0xFFFFFFFFu - 20);
    headless::setStepLimit(4);
    EXPECT_EQ(runGame(), 0);
    EXPECT_EQ(flipTimes, (std::vector<uint64_t>{0, 14, 28, 42}));
    headless::setPumpHook(nullptr);
}

// Woken 3 ms late before every frame, as a browser wakes a page: the
// desktop's pace loses the 3 ms each time (17 ms a frame), a page's fixed
// step makes them up (14 ms a frame on average). Woken 40 ms late, a page
// runs two frames at once and lets the rest go: never a burst.
TEST_F(Shell, OnAPageLateWakesAreMadeUpTwoFramesAtOnceAtMost) {
    const auto flipsWhenWokenLate = [](bool fixedStep, uint32_t lateMs) {
        freshProcess();
        flipTimes.clear();
        flipsSeen = 0;
        headless::setPumpHook(noteFlips);
        headless::setAutomaticTimer(false);
        headless::paceAsAPage(fixedStep, lateMs);
        // The simulator's steps go by its clock, 14 ms each.
        headless::setStepLimit(10);
        EXPECT_EQ(runGame(), 0);
        headless::setPumpHook(nullptr);
        EXPECT_GE(flipTimes.size(), 5u);
        flipTimes.resize(5);
        return flipTimes;
    };
    using Times = std::vector<uint64_t>;
    EXPECT_EQ(flipsWhenWokenLate(false, 3), (Times{0, 17, 34, 51, 68}));
    EXPECT_EQ(flipsWhenWokenLate(true, 3), (Times{0, 17, 31, 45, 59}));
    EXPECT_EQ(flipsWhenWokenLate(true, 40), (Times{0, 54, 54, 95, 95}));
    // On time, a page's frames are the desktop's.
    EXPECT_EQ(flipsWhenWokenLate(true, 0), (Times{0, 14, 28, 42, 56}));
}

TEST_F(Shell, FlipIsRetriedWhileTheDeviceIsStillDrawing) {
    startGame();
    headless::injectFault(Op::Flip, headless::callCount(Op::Flip) + 1, DDERR_WASSTILLDRAWING, 4);
    const int before = headless::callCount(Op::Flip);
    presentFrame();
    EXPECT_EQ(headless::callCount(Op::Flip) - before, 5);
    EXPECT_EQ(headless::presentCount(), 1);
    // Any other failure ends the frame without a retry.
    headless::injectFault(Op::Flip, headless::callCount(Op::Flip) + 1, E_FAIL, 1);
    presentFrame();
    EXPECT_EQ(headless::callCount(Op::Flip) - before, 6);
    EXPECT_EQ(headless::presentCount(), 1);
}

TEST_F(Shell, EverySurfaceLostOnEveryFrameStillLetsTheGamePlayOn) {
    startGame();
    game.titleActive = 0;
    for (int frame = 0; frame < 200; ++frame) {
        headless::loseAllSurfaces();
        presentFrame();
    }
    // The countdown ran its course and the serve flew, as without losses.
    EXPECT_EQ(game.rallyActive, 1);
    EXPECT_EQ(game.serveReady, 1);
    EXPECT_EQ(game.flightTime, 100);
    headless::loseAllSurfaces();
    presentFrame();  // every draw finds its surface lost and restores it
    const int before = headless::presentCount();
    presentFrame();
    EXPECT_EQ(headless::presentCount(), before + 1);
    EXPECT_EQ(BACK.result, DD_OK);
}

TEST_F(Shell, ReleaseDisplayIsSafeTwiceAndWithNothingSetUp) {
    releaseDisplay();
    startGame();
    releaseDisplay();
    releaseDisplay();
    EXPECT_EQ(directDraw, nullptr);
    EXPECT_EQ(primarySurface, nullptr);
    // The sprite surfaces outlive the device and go safely afterwards.
    int loaded = 0;
    for (const CatalogueEntry& e : catalogue) loaded += e.sprite->surface ? 1 : 0;
    EXPECT_EQ(ddraw::liveSurfaces(), loaded);
    releaseAllSprites();
    EXPECT_EQ(ddraw::liveSurfaces(), 0);
    releaseAllSprites();
}

TEST_F(Shell, InitFailCutsALongMessageToItsBuffer) {
    startGame();
    const std::string longText(300, 'x');
    EXPECT_EQ(initFail(mainWindow, E_FAIL, "%s", longText.c_str()), E_FAIL);
    ASSERT_EQ(headless::messageBoxes().size(), 1u);
    EXPECT_EQ(headless::messageBoxes()[0].text, std::string(127, 'x'));
}

}  // namespace
