// The dragonflies: spawning, patterns, the shared counters, strikes and falls.
#include <gtest/gtest.h>

#include "game/game.h"
#include "game/state.h"
#include "harness/process.h"
#include "platform/headless/headless.h"

namespace {

class Dragonflies : public ::testing::Test {
protected:
    void SetUp() override {
        freshProcess();
        game.titleActive = 0;
        // Every record alive but inert, far above and right of the world
        // (where nothing retires it), with a pattern and heading that do
        // nothing: only the records a test brings to life take part.
        for (Dragonfly& d : game.dragonflies) d = Dragonfly{100000, -100000, 0, 5, 5, 0.0f, 1};
    }
    // Keeps the gone records gone during one update.
    static void holdRespawns() { game.respawnTick = 1; }
    Dragonfly& fly(int index, int16_t pattern, int16_t heading, int32_t x, int32_t y) {
        Dragonfly& d = game.dragonflies[index];
        d = Dragonfly{x, y, 0, pattern, heading, 0.0f, 1};
        return d;
    }
};

TEST_F(Dragonflies, SpawnBandsDependOnIndexAndOccasion) {
    for (uint32_t seed = 1; seed < 40; ++seed) {
        seedRandom(seed);
        spawnDragonflies();
        for (int i = 0; i < DragonflyCount; ++i) {
            const Dragonfly& d = game.dragonflies[i];
            EXPECT_EQ(d.alive, 1);
            EXPECT_GE(d.pattern, 0);
            EXPECT_LE(d.pattern, 3);
            EXPECT_TRUE(d.heading == Left || d.heading == Right);
            EXPECT_GE(d.x, 100);
            EXPECT_LE(d.x, 599);
            if (i < 10) {
                EXPECT_GE(d.y, 480);
                EXPECT_LE(d.y, 729);
            } else {
                EXPECT_GE(d.y, 200);
                EXPECT_LE(d.y, 849);
            }
        }
    }
    // The start-up spawn draws exactly four values a record, in order.
    seedRandom(7);
    spawnDragonflies();
    const Dragonfly first = game.dragonflies[0];
    seedRandom(7);
    EXPECT_EQ(first.pattern, randomValue() % 4);
    EXPECT_EQ(first.heading, randomValue() % 2 == 1 ? Left : Right);
    EXPECT_EQ(first.x, randomValue() % 500 + 100);
    EXPECT_EQ(first.y, randomValue() % 250 + 480);
}

TEST_F(Dragonflies, RespawnUsesTheLowBandUpToIndexNineteenOnEverySecondVisit) {
    for (uint32_t seed = 1; seed < 30; ++seed) {
        SetUp();
        for (Dragonfly& d : game.dragonflies) d.alive = 0;
        seedRandom(seed);
        game.respawnTick = 0;
        updateDragonflies();
        // Visits 0, 2, 4, ... respawn: records 0, 2, 4, ..., 24.
        for (int i = 0; i < DragonflyCount; ++i) {
            const Dragonfly& d = game.dragonflies[i];
            EXPECT_EQ(d.alive, i % 2 == 0 ? 1 : 0) << i;
            if (!d.alive) continue;
            if (i < 20) {
                EXPECT_GE(d.y, 480);
                EXPECT_LE(d.y, 729);
            } else {
                EXPECT_GE(d.y, 200);
                EXPECT_LE(d.y, 849);
            }
        }
        EXPECT_EQ(game.respawnTick, 25);
    }
    // The tick wraps at an even bound, so the alternation survives the wrap.
    SetUp();
    for (Dragonfly& d : game.dragonflies) d.alive = 0;
    game.respawnTick = CounterWrap - 1;  // odd: no respawn, then 0 (even)
    updateDragonflies();
    EXPECT_EQ(game.dragonflies[0].alive, 0);
    EXPECT_EQ(game.dragonflies[1].alive, 1);
}

TEST_F(Dragonflies, LeavingLeftOrBottomRetiresAndMayRespawnAtOnce) {
    fly(0, Patrol, Left, -31, 500);
    fly(1, Patrol, Left, -30, 500);
    fly(2, ClockwiseLoop, Down, 300, 1001);
    fly(3, ClockwiseLoop, Up, 300, -5000);  // no test at the top
    game.respawnTick = 1;                   // record 0's visit: odd, stays gone
    game.cwTurnTimer = 5;
    updateDragonflies();
    EXPECT_EQ(game.dragonflies[0].alive, 0);
    EXPECT_EQ(game.dragonflies[1].alive, 1);
    EXPECT_EQ(game.dragonflies[2].alive, 1);  // visit 2 found the tick even: respawned
    EXPECT_LE(game.dragonflies[2].y, 729);
    EXPECT_EQ(game.dragonflies[3].alive, 1);
    EXPECT_EQ(game.dragonflies[3].y, -5002);
}

TEST_F(Dragonflies, TurnEventsFallOnEveryHundredthStepOfAPattern) {
    fly(0, ClockwiseLoop, Left, 300, 500);
    fly(1, ClockwiseLoop, Left, 300, 600);
    fly(2, CounterClockwiseLoop, Right, 300, 700);
    holdRespawns();
    updateDragonflies();
    EXPECT_EQ(game.dragonflies[0].heading, Up);    // the first step turns: left to up
    EXPECT_EQ(game.dragonflies[1].heading, Left);  // its step found 1
    EXPECT_EQ(game.dragonflies[2].heading, Up);    // right to up
    EXPECT_EQ(game.cwTurnTimer, 2);
    EXPECT_EQ(game.ccwTurnTimer, 1);
    // Two clockwise fliers: events every 50 frames, always on record 0.
    for (int frame = 1; frame <= 50; ++frame) {
        game.respawnTick = 1;
        updateDragonflies();
    }
    EXPECT_EQ(game.dragonflies[0].heading, Right);  // up to right on step 101
    EXPECT_EQ(game.dragonflies[1].heading, Left);
    // Every turn of the clockwise cycle, and of the other one.
    const int16_t cw[4][2] = {{Up, Right}, {Right, Down}, {Down, Left}, {Left, Up}};
    const int16_t ccw[4][2] = {{Up, Left}, {Left, Down}, {Down, Right}, {Right, Up}};
    for (int k = 0; k < 4; ++k) {
        SetUp();
        fly(0, ClockwiseLoop, cw[k][0], 300, 500);
        fly(1, CounterClockwiseLoop, ccw[k][0], 300, 500);
        holdRespawns();
        updateDragonflies();
        EXPECT_EQ(game.dragonflies[0].heading, cw[k][1]) << k;
        EXPECT_EQ(game.dragonflies[1].heading, ccw[k][1]) << k;
    }
}

TEST_F(Dragonflies, WobbleReversesOnTheFirstStepAndEveryHundredth) {
    fly(0, WavyPatrol, Right, 300, 500);
    fly(1, WavyPatrol, Left, 300, 500);
    holdRespawns();
    updateDragonflies();
    EXPECT_EQ(game.wobble, -1);
    EXPECT_EQ(game.dragonflies[0].y, 499);
    EXPECT_EQ(game.dragonflies[1].y, 499);
    EXPECT_EQ(game.dragonflies[0].x, 302);
    game.wobbleTimer = 100;
    game.respawnTick = 1;
    updateDragonflies();
    EXPECT_EQ(game.wobble, 1);
    EXPECT_EQ(game.dragonflies[0].y, 500);
    EXPECT_EQ(game.wobbleTimer, 102);  // never set back
    game.wobbleTimer = CounterWrap - 1;
    game.respawnTick = 1;
    updateDragonflies();
    EXPECT_EQ(game.wobbleTimer, 1);  // wrapped to 0, then stepped by record 1
    EXPECT_EQ(game.wobble, -1);      // 0 is a multiple of 100
}

TEST_F(Dragonflies, PatrolsTurnAtTheWorldsSidesBeforeMoving) {
    fly(0, Patrol, Left, -1, 500);
    fly(1, Patrol, Right, 1246, 500);
    fly(2, Patrol, Left, 0, 500);
    fly(3, Patrol, Right, 1245, 500);
    holdRespawns();
    updateDragonflies();
    EXPECT_EQ(game.dragonflies[0].heading, Right);
    EXPECT_EQ(game.dragonflies[0].x, 1);
    EXPECT_EQ(game.dragonflies[1].heading, Left);
    EXPECT_EQ(game.dragonflies[1].x, 1244);
    // On the edge itself no turn yet, at either side.
    EXPECT_EQ(game.dragonflies[2].heading, Left);
    EXPECT_EQ(game.dragonflies[2].x, -2);
    EXPECT_EQ(game.dragonflies[3].heading, Right);
    EXPECT_EQ(game.dragonflies[3].x, 1247);
}

TEST_F(Dragonflies, DrawnAtScreenPositionsByHeading) {
    game.cameraX = 100;
    game.cameraY = 480;
    fly(0, Patrol, Right, 300, 500);
    fly(1, ClockwiseLoop, Down, 300, 500);
    game.cwTurnTimer = 5;
    holdRespawns();
    updateDragonflies();
    EXPECT_EQ(drawLog, (std::vector<DrawRecord>{{"JAMJARYR", {202, 20}}, {"JAMJARYD", {200, 22}}}));
}

TEST_F(Dragonflies, HitTestEdgesDuringARallyOnly) {
    // The dragonfly's corner after its move must lie within shuttleX + 15 ..
    // + 45 across and shuttleY - 30 .. + 50 down.
    const struct {
        int32_t dx, dy;
        bool struck;
    } cases[] = {{15, 0, true},   {14, 0, false},   {45, 0, true},  {46, 0, false},
                 {30, -30, true}, {30, -31, false}, {30, 50, true}, {30, 51, false}};
    for (auto c : cases) {
        SetUp();
        game.rallyActive = 1;
        game.cameraY = 480;
        game.shuttleX = 200;
        game.shuttleY = 100;
        // A patrol heading right moves 2 before the test.
        fly(0, Patrol, Right, 200 + c.dx - 2, 580 + c.dy);
        game.drift = 5;
        holdRespawns();
        updateDragonflies();
        const Dragonfly& d = game.dragonflies[0];
        EXPECT_EQ(d.pattern == Struck, c.struck) << c.dx << " " << c.dy;
        if (c.struck) {
            EXPECT_EQ(d.hitHeight, 960 - d.y);
            EXPECT_EQ(d.heading, Right);  // its flying picture this frame
            EXPECT_GE(game.drift, -1);
            EXPECT_LE(game.drift, 1);
            EXPECT_STREQ(headless::sound(headless::soundCount() - 1), "a1.wav");
        } else {
            EXPECT_EQ(game.drift, 5);
        }
    }
    SetUp();
    game.rallyActive = 0;
    game.shuttleX = 200;
    game.shuttleY = 100;
    fly(0, Patrol, Right, 228, 580);
    holdRespawns();
    updateDragonflies();
    EXPECT_EQ(game.dragonflies[0].pattern, Patrol);
}

TEST_F(Dragonflies, AStruckDragonflyHopsThenFallsOutAndIsRetired) {
    Dragonfly& d = fly(0, Struck, Right, 300, 480);
    d.hitHeight = 480;
    game.cameraY = 480;  // the screen test (y - cameraY > 960) comes later
    std::vector<int32_t> ys;
    int frames = 0;
    while (d.alive && frames < 500) {
        holdRespawns();
        updateDragonflies();
        ys.push_back(d.y);
        ++frames;
    }
    EXPECT_EQ(ys[0], 480);        // the first step leaves it where it was struck
    EXPECT_EQ(ys[30], 480 - 45);  // the top of the hop
    EXPECT_EQ(d.heading, Falling);
    // It passes y 1000 at its fall step 139 and is retired on the next visit.
    EXPECT_LE(ys[138], 1000);
    EXPECT_GT(ys[139], 1000);
    EXPECT_EQ(frames, 141);
    EXPECT_EQ(drawLog.size(), 140u);  // drawn falling on every fall step, not once gone
    for (const DrawRecord& r : drawLog) EXPECT_EQ(r.name, "JAMJARYDIE");

    // Struck at y 849 it passes y 1000 at its fall step 95. With the view at
    // the top of the world the screen test retires it sooner.
    SetUp();
    Dragonfly& low = fly(0, Struck, Left, 300, 849);
    low.hitHeight = 960 - 849;
    for (int n = 0; n <= 95; ++n) updateDragonflies();
    EXPECT_GT(low.y, 1000);
    EXPECT_EQ(low.alive, 1);
    SetUp();
    Dragonfly& early = fly(0, Struck, Left, 300, 900);
    early.hitHeight = 60;
    game.cameraY = 0;
    updateDragonflies();
    EXPECT_EQ(early.alive, 1);
    for (int n = 0; n < 200 && early.y <= 960; ++n) updateDragonflies();
    updateDragonflies();  // the step that finds y - cameraY > 960
    EXPECT_EQ(early.alive, 0);
    EXPECT_LE(early.y, 1000);
}

TEST_F(Dragonflies, AFlierLeftOutsideTheWorldStaysInsideThirtyTwoBits) {
    fly(0, ClockwiseLoop, Right, PositionLimit - 1, 500);
    fly(1, ClockwiseLoop, Up, 300, -PositionLimit + 1);
    game.cwTurnTimer = 5;
    holdRespawns();
    updateDragonflies();
    EXPECT_EQ(game.dragonflies[0].x, PositionLimit);
    EXPECT_EQ(game.dragonflies[1].y, -PositionLimit);
    EXPECT_EQ(game.dragonflies[0].alive, 1);
}

}  // namespace
