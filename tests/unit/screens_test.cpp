// The title screen and the continue screen.
#include <gtest/gtest.h>

#include "display/display.h"
#include "game/game.h"
#include "game/state.h"
#include "harness/process.h"
#include "platform/win_queue.h"

namespace {

class Title : public ::testing::Test {
protected:
    void SetUp() override { freshProcess(); }
    static DrawRecord logo() {
        for (const DrawRecord& d : drawLog)
            if (d.name == "REVOZE") return d;
        return {};
    }
};

TEST_F(Title, LogoBouncesInFiveDampedStagesThenRests) {
    std::vector<int32_t> insets;
    for (int frame = 0; frame < 120; ++frame) {
        clearDraws();
        titleScreen();
        insets.push_back(game.zoomInset);
        if (frame == 0) {
            EXPECT_EQ(logo(), (DrawRecord{"REVOZE", {126, 47, 514, 233}}));
        }
        if (frame == 9) {
            EXPECT_EQ(logo(), (DrawRecord{"REVOZE", {252, 110, 388, 170}}));
            EXPECT_EQ(game.zoomGrowing, 1);
        }
        if (frame == 19) {
            EXPECT_EQ(game.zoomStage, 1);
        }
        if (frame >= 99) {
            EXPECT_EQ(logo(), (DrawRecord{"REVOZE", {112, 40, 528, 240}})) << frame;
        }
    }
    std::vector<int32_t> expected;
    const int steps[] = {7, 5, 3, 2, 1};
    for (int step : steps) {
        for (int i = 1; i <= 10; ++i) expected.push_back(step * i);
        for (int i = 9; i >= 0; --i) expected.push_back(step * i);
    }
    while (expected.size() < 120) expected.push_back(0);
    EXPECT_EQ(insets, expected);
    EXPECT_EQ(game.zoomStage, 5);
}

TEST_F(Title, LayersAndTheBlinkOfTheSelectedItem) {
    game.blink = 0;
    titleScreen();
    EXPECT_EQ(drawNames(),
              (std::vector<std::string>{"BACK", "REVOZE", "RANKING", "START1", "EXIT1", "START2"}));
    EXPECT_EQ(drawLog[0], (DrawRecord{"BACK", {0, -480}}));
    EXPECT_EQ(drawLog[2], (DrawRecord{"RANKING", {0, 275}}));
    clearDraws();
    game.blink = 1;
    titleScreen();
    EXPECT_EQ(drawLog.back(), (DrawRecord{"START1", {320, 240}}));
    clearDraws();
    game.menuChoice = 0;
    titleScreen();
    EXPECT_EQ(drawLog.back(), (DrawRecord{"EXIT1", {320, 360}}));
    clearDraws();
    game.blink = 0;
    titleScreen();
    EXPECT_EQ(drawLog.back(), (DrawRecord{"EXIT2", {320, 360}}));
}

TEST_F(Title, EnterOnStartBeginsTheGameMidBounce) {
    for (int i = 0; i < 7; ++i) titleScreen();
    game.enterHeld = 1;
    game.dropped = 1;
    clearDraws();
    titleScreen();
    EXPECT_EQ(drawLog.back(), (DrawRecord{"START3", {320, 240}}));
    EXPECT_EQ(game.titleActive, 0);
    EXPECT_EQ(game.dropped, 0);
    EXPECT_EQ(game.zoomStage, 0);
    EXPECT_EQ(game.zoomInset, 56);  // kept for the next visit to the title
    EXPECT_EQ(game.enterHeld, 1);
    clearDraws();
    gameFrame();
    EXPECT_EQ(drawLog[0], (DrawRecord{"BACK", {0, -480}}));
    EXPECT_NE(std::find(drawLog.begin(), drawLog.end(), DrawRecord{"READY", {250, 200}}),
              drawLog.end());
}

TEST_F(Title, EnterOnExitPostsTheCloseRequest) {
    startGame();
    game.menuChoice = 0;
    game.enterHeld = 1;
    while (winq::messageWaiting()) {
        MSG m;
        GetMessageA(&m, nullptr, 0, 0);
    }
    titleScreen();
    EXPECT_EQ(drawLog.back(), (DrawRecord{"EXIT3", {320, 360}}));
    EXPECT_EQ(game.titleActive, 1);
    MSG m;
    ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(m.message, WM_CLOSE);
    EXPECT_EQ(m.hwnd, mainWindow);
}

class Continue : public ::testing::Test {
protected:
    void SetUp() override {
        freshProcess();
        game.titleActive = 0;
        game.dropped = 1;
        game.rallyActive = 1;
        game.serveReady = 1;
        game.playerX = 100;
    }
};

TEST_F(Continue, PointerStandsBeforeTheChosenAnswer) {
    continueScreen();
    EXPECT_EQ(drawLog, (std::vector<DrawRecord>{{"CONTINUE", {80, 180}}, {"ANGLE", {360, 200}}}));
    clearDraws();
    game.menuChoice = 0;
    continueScreen();
    EXPECT_EQ(drawLog, (std::vector<DrawRecord>{{"CONTINUE", {80, 180}}, {"ANGLE", {360, 247}}}));
    EXPECT_EQ(game.dropped, 1);
}

TEST_F(Continue, YesServesANewRallyAndKeepsTheCount) {
    game.enterHeld = 1;
    game.kickCount = 6;
    continueScreen();
    EXPECT_EQ(game.dropped, 0);
    EXPECT_EQ(game.rallyActive, 0);
    EXPECT_EQ(game.serveReady, 0);
    EXPECT_EQ(game.playerX, 640);
    EXPECT_EQ(game.kickCount, 6);
    EXPECT_EQ(game.enterHeld, 1);
    EXPECT_EQ(game.menuChoice, 1);
}

TEST_F(Continue, NoReturnsToTheTitleWithStartSelected) {
    game.menuChoice = 0;
    game.enterHeld = 1;
    game.blink = 1;
    game.zoomGrowing = 1;
    game.kickAnimActive = 1;
    game.kickAnimFrames = 6;
    continueScreen();
    EXPECT_EQ(game.titleActive, 1);
    EXPECT_EQ(game.menuChoice, 1);
    EXPECT_EQ(game.dropped, 0);
    EXPECT_EQ(game.rallyActive, 0);
    EXPECT_EQ(game.serveReady, 0);
    EXPECT_EQ(game.enterHeld, 0);
    EXPECT_EQ(game.blink, 0);
    EXPECT_EQ(game.zoomGrowing, 0);
    EXPECT_EQ(game.kickAnimActive, 0);
    EXPECT_EQ(game.kickAnimFrames, 6);  // kept: the next pose is shorter
    EXPECT_EQ(game.playerX, 640);
}

}  // namespace
