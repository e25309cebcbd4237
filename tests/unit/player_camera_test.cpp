// The player, the kick pose, the power gauge and the camera.
#include <gtest/gtest.h>

#include "game/game.h"
#include "game/state.h"
#include "harness/process.h"

namespace {

class Player : public ::testing::Test {
protected:
    void SetUp() override {
        freshProcess();
        game.titleActive = 0;
    }
};

TEST_F(Player, RunningMovesFourAndDrawsAtTheNewPlace) {
    game.leftHeld = 1;
    game.rightHeld = 1;  // both: left wins
    game.runFrame = 2;
    updatePlayer();
    EXPECT_EQ(game.playerX, 636);
    EXPECT_EQ(drawLog, (std::vector<DrawRecord>{{"ZABLORUNL3", {576, 308}}}));
    clearDraws();
    game.leftHeld = 0;
    game.runFrame = 3;
    game.cameraY = 0;
    updatePlayer();
    EXPECT_EQ(game.playerX, 640);
    EXPECT_EQ(drawLog, (std::vector<DrawRecord>{{"ZABLORUNR4", {580, 788}}}));
}

TEST_F(Player, KickPoseLastsTwelveFramesAndMarksAPendingKick) {
    game.kickAnimActive = 1;
    game.kickPending = 1;
    for (int frame = 0; frame < 12; ++frame) {
        clearDraws();
        game.shuttleFrame = 1;
        updatePlayer();
        EXPECT_EQ(drawNames(), std::vector<std::string>{"ZABLOPAKO"}) << frame;
        EXPECT_EQ(game.shuttleFrame, frame < 5 ? 3 : 1) << frame;
    }
    EXPECT_EQ(game.kickAnimActive, 0);
    EXPECT_EQ(game.kickAnimFrames, 0);
    clearDraws();
    updatePlayer();
    EXPECT_EQ(drawNames(), std::vector<std::string>{"ZABLOSTAND"});

    // Running holds the pose's count; it goes on after the arrow is let go.
    game.kickAnimActive = 1;
    game.kickAnimFrames = 4;
    game.rightHeld = 1;
    updatePlayer();
    EXPECT_EQ(game.kickAnimFrames, 4);
    game.rightHeld = 0;
    updatePlayer();
    EXPECT_EQ(game.kickAnimFrames, 5);
}

TEST_F(Player, GaugeShowsThePowerBeforeItRisesAndWrapsAfterAHundred) {
    game.spaceHeld = 1;
    const struct {
        int32_t power;
        const char* bar;
    } cases[] = {{9, nullptr}, {10, "BAR1"}, {99, "BAR9"}, {100, "BAR10"}};
    for (auto c : cases) {
        clearDraws();
        game.power = c.power;
        updatePlayer();
        const std::vector<std::string> names = drawNames();
        if (c.bar) {
            ASSERT_EQ(names.size(), 2u);
            EXPECT_EQ(names[1], c.bar);
            EXPECT_EQ(drawLog[1].v, (std::vector<int32_t>{10, 230}));
        } else {
            EXPECT_EQ(names.size(), 1u);
        }
        EXPECT_EQ(game.power, c.power == 100 ? 0 : c.power + 1);
    }
    game.power = 0;
    for (int i = 0; i < 101; ++i) updatePlayer();
    EXPECT_EQ(game.power, 0);
}

TEST_F(Player, APlayerRunningOffTheWorldNeverOverflows) {
    game.leftHeld = 1;
    game.playerX = -PositionLimit + 2;
    updatePlayer();
    updatePlayer();
    EXPECT_EQ(game.playerX, -PositionLimit);
    game.leftHeld = 0;
    game.rightHeld = 1;
    game.playerX = PositionLimit - 1;
    updatePlayer();
    EXPECT_EQ(game.playerX, PositionLimit);
}

class Camera : public ::testing::Test {
protected:
    void SetUp() override {
        freshProcess();
        game.titleActive = 0;
        game.shuttleY = 240;
    }
};

TEST_F(Camera, PansByFourTowardsThePlayerWhileTheWorldAllows) {
    game.playerX = 640;
    game.shuttleX = 100;
    for (int i = 0; i < 80; ++i) updateCamera();
    EXPECT_EQ(game.cameraX, 320);
    EXPECT_EQ(game.playerX, 320);
    EXPECT_EQ(game.shuttleX, -220);
    updateCamera();
    EXPECT_EQ(game.cameraX, 320);  // exactly 320: no pan

    game.cameraX = 640;
    game.playerX = 500;
    updateCamera();
    EXPECT_EQ(game.cameraX, 640);
    EXPECT_EQ(game.playerX, 500);
    game.cameraX = 0;
    game.playerX = 100;
    updateCamera();
    EXPECT_EQ(game.cameraX, 0);
    EXPECT_EQ(game.playerX, 100);
    game.cameraX = 100;
    updateCamera();
    EXPECT_EQ(game.cameraX, 96);
    EXPECT_EQ(game.playerX, 104);
}

TEST_F(Camera, FollowsTheShuttlecockUpAndDownWithinTheWorld) {
    const struct {
        int32_t shuttleY, cameraY, after;
        bool marker;
    } cases[] = {{240, 100, 100, true},  {40, 100, 0, true},     {400, 400, 480, false},
                 {100, 0, 0, true},      {300, 480, 480, false}, {240, 329, 329, true},
                 {240, 330, 330, false}, {200, 480, 440, false}};
    for (auto c : cases) {
        clearDraws();
        game.playerX = 320;
        game.cameraX = 320;
        game.shuttleY = c.shuttleY;
        game.cameraY = c.cameraY;
        updateCamera();
        EXPECT_EQ(game.cameraY, c.after) << c.shuttleY << " " << c.cameraY;
        EXPECT_EQ(!drawLog.empty(), c.marker) << c.shuttleY << " " << c.cameraY;
        if (c.marker) {
            EXPECT_EQ(drawLog[0], (DrawRecord{"HERE", {260, 380}}));
        }
    }
}

TEST_F(Camera, MarkerFollowsThePlayerAfterThePan) {
    game.cameraY = 100;
    game.cameraX = 0;
    game.playerX = 400;
    updateCamera();
    EXPECT_EQ(drawLog, (std::vector<DrawRecord>{{"HERE", {336, 380}}}));
}

}  // namespace
