// The game's routines, one frame at a time, on prepared states.
#include <gtest/gtest.h>

#include "display/catalogue.h"
#include "game/game.h"
#include "game/state.h"
#include "harness/process.h"
#include "platform/headless/headless.h"

namespace {

class Game : public ::testing::Test {
protected:
    void SetUp() override { freshProcess(); }
};

// A state in play: the serve is done and the view at its lowest.
void inPlay() {
    game.titleActive = 0;
    game.rallyActive = 1;
    game.serveReady = 1;
}

TEST_F(Game, CountdownShowsReadyThenGoThenServes) {
    for (int call = 1; call <= 101; ++call) {
        clearDraws();
        const int32_t r = runCountdown(game.serveReady);
        if (call <= 50) {
            EXPECT_EQ(drawLog, (std::vector<DrawRecord>{{"READY", {250, 200}}})) << call;
            EXPECT_EQ(r, 0);
        } else if (call <= 100) {
            EXPECT_EQ(drawLog, (std::vector<DrawRecord>{{"GO", {288, 200}}})) << call;
            EXPECT_EQ(r, 0);
        } else {
            EXPECT_TRUE(drawLog.empty());
            EXPECT_EQ(r, 1);
            EXPECT_EQ(game.serveReady, 1);
        }
    }
    clearDraws();
    game.countdownFrames = 37;
    EXPECT_EQ(runCountdown(1), 1);
    EXPECT_EQ(game.countdownFrames, 0);
    EXPECT_TRUE(drawLog.empty());
}

TEST_F(Game, ThrowHeightsFollowTheSinglePrecisionTenth) {
    const int serve[] = {0, 4, 9, 14, 19, 23, 28, 32};
    for (int n = 0; n < 8; ++n) EXPECT_EQ(throwHeight(50, n), serve[n]) << n;
    for (int n = 48; n <= 54; ++n) EXPECT_EQ(throwHeight(50, n), 127) << n;
    EXPECT_EQ(throwHeight(50, 102), 0);
    EXPECT_EQ(throwHeight(50, 103), -4);
    EXPECT_EQ(throwHeight(99, 100), 500);  // 499 with an exact decimal tenth
    const struct {
        int n, h;
    } fall[] = {{0, 0},   {1, 2},   {2, 5},  {10, 25}, {20, 40}, {27, 45},  {34, 45},
                {40, 41}, {50, 27}, {60, 3}, {61, 0},  {62, -2}, {80, -73}, {100, -190}};
    for (auto f : fall) EXPECT_EQ(throwHeight(30, f.n), f.h) << f.n;
}

TEST_F(Game, RestingShuttlecockIsDrawnWhereTheLastFrameLeftIt) {
    game.titleActive = 0;
    updateShuttlecock(0);
    EXPECT_EQ(drawLog, (std::vector<DrawRecord>{{"WAVEPAKO1", {320, 10}}}));
    EXPECT_EQ(game.shuttleX, 605);  // world x 1280 - 675
    EXPECT_EQ(game.shuttleY, 360);  // world y 840
    clearDraws();
    game.shuttleFrame = 2;
    updateShuttlecock(0);
    EXPECT_EQ(drawLog, (std::vector<DrawRecord>{{"WAVEPAKO1", {605, 360}}}));
}

TEST_F(Game, ServeStartsAFlightFromTheRestingPlace) {
    game.titleActive = 0;
    game.power = 33;
    game.kickCount = 12;
    game.drift = 1;
    updateShuttlecock(1);
    EXPECT_EQ(game.rallyActive, 1);
    EXPECT_EQ(game.serveReady, 0);
    EXPECT_EQ(game.power, 0);
    EXPECT_EQ(game.kickCount, 0);
    EXPECT_EQ(game.drift, 0);
    EXPECT_EQ(game.flightTime, 1);
    EXPECT_EQ(game.launchSpeed, 50);
    EXPECT_EQ(drawNames(), std::vector<std::string>{"WAVEPAKO1"});  // level: falling set
}

TEST_F(Game, KickChoosesDriftByHeightCountsAndPlaysTheSound) {
    const struct { int32_t y, drift; } cases[] = {{362, -1}, {363, 0}, {373, 0}, {374, 1}};
    for (auto c : cases) {
        freshProcess();
        inPlay();
        game.shuttleY = c.y;
        game.shuttleX = 300;
        game.kickPending = 1;
        game.power = 57;
        game.kickCount = 98;
        game.flightTime = 40;
        updateShuttlecock(1);
        EXPECT_EQ(game.drift, c.drift) << c.y;
        EXPECT_EQ(game.launchSpeed, 67);
        EXPECT_EQ(game.power, 0);
        EXPECT_EQ(game.kickPending, 0);
        EXPECT_EQ(game.kickCount, 99);
        EXPECT_EQ(game.shuttleY, 360);  // the kick frame computes height 0
        ASSERT_EQ(headless::soundCount(), 1);
        EXPECT_STREQ(headless::sound(0), "kick.wav");
    }
    game.kickPending = 1;
    game.power = 30;
    updateShuttlecock(1);
    EXPECT_EQ(game.kickCount, 99);  // 99 stays 99
}

TEST_F(Game, WallsReverseTheDriftOnlyAtTheWorldsSides) {
    const struct {
        int32_t cameraX, shuttleX, drift, after;
    } cases[] = {{0, 16, -1, 1}, {0, 17, -1, -1}, {640, 541, 1, -1}, {640, 540, 1, 1},
                 {4, 0, -1, -1}, {4, 600, 1, 1},  {0, 16, 0, 0}};
    for (auto c : cases) {
        freshProcess();
        inPlay();
        game.cameraX = c.cameraX;
        game.shuttleX = c.shuttleX;
        game.shuttleRightOffset = 1280 - c.shuttleX - c.cameraX;
        game.shuttleY = 300;
        game.drift = c.drift;
        updateShuttlecock(1);
        EXPECT_EQ(game.drift, c.after) << c.cameraX << " " << c.shuttleX;
        EXPECT_EQ(game.shuttleX, c.shuttleX + c.after);  // moved with the new drift at once
    }
}

TEST_F(Game, GroundContactDropsAndKeepsComingBackEveryFrame) {
    inPlay();
    game.shuttleY = 960;
    game.cameraX = 300;
    game.shuttleRightOffset = 100;
    game.drift = 1;
    game.flightTime = 180;
    updateShuttlecock(1);
    EXPECT_EQ(game.dropped, 1);
    EXPECT_EQ(game.cameraX, 0);
    EXPECT_EQ(game.shuttleRightOffset, 674);  // 675 less the drift step
    EXPECT_EQ(game.rallyActive, 1);
    EXPECT_EQ(game.flightTime, 181);
    EXPECT_EQ(game.drift, 1);  // no wall test on a ground contact
}

TEST_F(Game, ADroppedShuttlecockLiesFarBelowForeverWithoutOverflow) {
    inPlay();
    game.dropped = 1;
    game.shuttleY = 5000;
    game.launchSpeed = 110;
    game.flightTime = MaxFlightTime - 2;
    for (int i = 0; i < 5; ++i) updateShuttlecock(1);
    EXPECT_EQ(game.flightTime, MaxFlightTime);
    const int32_t y = game.shuttleY;
    EXPECT_GT(y, 400000000);
    updateShuttlecock(1);
    EXPECT_EQ(game.shuttleY, y);
    EXPECT_EQ(game.prevHeight, throwHeight(110, MaxFlightTime));
    EXPECT_EQ(drawLog.back().name, "WAVEPAKO1");  // level counts as falling
}

TEST_F(Game, ShuttlecockPictureFollowsRiseFallAndTheStruckPhase) {
    const struct {
        int32_t prev, frame;
        const char* name;
    } cases[] = {{-5, 0, "WAVEPAKO5"}, {-5, 1, "WAVEPAKO6"}, {-5, 2, "WAVEPAKO7"},
                 {-5, 3, "WAVEPAKO4"}, {99, 0, "WAVEPAKO1"}, {99, 1, "WAVEPAKO2"},
                 {99, 2, "WAVEPAKO3"}, {99, 3, "WAVEPAKO4"}};
    for (auto c : cases) {
        freshProcess();
        inPlay();
        game.shuttleY = 300;
        game.flightTime = 1;  // height 4
        game.prevHeight = c.prev;
        game.shuttleFrame = c.frame;
        updateShuttlecock(1);
        EXPECT_EQ(drawLog.back().name, c.name) << c.prev << " " << c.frame;
    }
    freshProcess();
    inPlay();
    game.shuttleY = 300;
    game.flightTime = 1;
    game.prevHeight = 4;  // equal: falling
    updateShuttlecock(1);
    EXPECT_EQ(drawLog.back().name, "WAVEPAKO1");
}

TEST_F(Game, KickCounterDigits) {
    const struct {
        int32_t count;
        std::vector<DrawRecord> draws;
    } cases[] = {{0, {{"ZERO", {30, 30}}}},
                 {7, {{"SEVEN", {30, 30}}}},
                 {10, {{"ZERO", {30, 30}}, {"ONE", {0, 0}}}},
                 {99, {{"NINE", {30, 30}}, {"NINE", {0, 0}}}}};
    for (const auto& c : cases) {
        freshProcess();
        inPlay();
        game.dropped = 1;
        game.kickCount = c.count;
        game.shuttleY = 5000;
        gameFrame();
        std::vector<DrawRecord> tail(drawLog.end() - static_cast<long>(c.draws.size()),
                                     drawLog.end());
        EXPECT_EQ(tail, c.draws) << c.count;
        // The player is not drawn while the continue screen shows; the counter is.
        for (const DrawRecord& d : drawLog) EXPECT_NE(d.name.rfind("ZABLO", 0), 0u);
    }
}

TEST_F(Game, SwingJudgementEdges) {
    // The corner + 20 must lie in world rows 840..890 and in playerX - 60 ..
    // playerX + 20 across; power must exceed 20; the serve must be over.
    const struct {
        int32_t power, x, y, serveReady, kick;
    } cases[] = {{21, 300, 340, 1, 1}, {20, 300, 340, 1, 0}, {100, 300, 340, 1, 1},
                 {50, 300, 339, 1, 0}, {50, 300, 340, 1, 1}, {50, 300, 390, 1, 1},
                 {50, 300, 391, 1, 0}, {50, 240, 360, 1, 1}, {50, 239, 360, 1, 0},
                 {50, 320, 360, 1, 1}, {50, 321, 360, 1, 0}, {50, 300, 360, 0, 0}};
    for (auto c : cases) {
        freshProcess();
        inPlay();
        game.serveReady = c.serveReady;
        game.playerX = 320;
        game.cameraY = 480;
        game.shuttleX = c.x;
        game.shuttleY = c.y;
        game.power = c.power;
        game.spaceReleased = 1;
        judgeSwing();
        EXPECT_EQ(game.kickPending, c.kick) << c.power << " " << c.x << " " << c.y;
        EXPECT_EQ(game.power, c.kick ? c.power : 0);
        EXPECT_EQ(game.kickAnimActive, 1);  // the pose shows, hit or miss
        EXPECT_EQ(game.spaceReleased, 0);
    }
    freshProcess();
    game.power = 70;
    judgeSwing();  // no release: nothing happens
    EXPECT_EQ(game.power, 70);
    EXPECT_EQ(game.kickAnimActive, 0);
}

}  // namespace
