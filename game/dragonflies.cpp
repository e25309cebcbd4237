#include "display/catalogue.h"
#include "game/game.h"
#include "game/state.h"
#include "platform/win.h"

namespace {

Sprite* const headingPictures[5] = {&JAMJARYU, &JAMJARYD, &JAMJARYL, &JAMJARYR, &JAMJARYDIE};

// The band a new dragonfly's height is drawn from: the low one or the wide one.
enum class Occasion { StartUp, Respawn };

void randomise(int index, Dragonfly& d, Occasion occasion) {
    d.alive = 1;
    d.pattern = static_cast<int16_t>(randomValue() % 4);
    d.heading = randomValue() % 2 == 1 ? Left : Right;
    d.x = randomValue() % 500 + 100;
    const int lowBandEnd = occasion == Occasion::StartUp ? 10 : 20;
    d.y = index < lowBandEnd ? randomValue() % 250 + 480 : randomValue() % 650 + 200;
    d.fallTime = 0.0f;
    d.hitHeight = 0;
}

// Takes the counter's value and advances it; true when the value was a
// multiple of 100. The counters wrap at CounterWrap, a multiple of 100, so
// the test keeps giving what it always gave.
bool stepCounter(int32_t& counter) {
    const int32_t v = counter;
    counter = v + 1 >= CounterWrap ? 0 : v + 1;
    return v % 100 == 0;
}

void turnClockwise(Dragonfly& d) {
    static constexpr int16_t next[4] = {Right, Left, Up, Down};  // up, down, left, right
    d.heading = next[d.heading];
}

void turnCounterClockwise(Dragonfly& d) {
    static constexpr int16_t next[4] = {Left, Right, Down, Up};
    d.heading = next[d.heading];
}

void turnAtSides(Dragonfly& d) {
    if (d.x < 0) d.heading = Right;
    if (d.x > WorldWidth - 35) d.heading = Left;  // a picture's width short of the edge
}

void fallStep(Dragonfly& d) {
    if (d.y - game.cameraY > OutOfSightY) d.alive = 0;
    const float n = d.fallTime;
    d.fallTime = n + 1.0f;
    d.y = WorldHeight - throwHeight(30, n) - d.hitHeight;
    d.heading = Falling;
}

void patternStep(Dragonfly& d) {
    switch (d.pattern) {
        case ClockwiseLoop:
            if (stepCounter(game.cwTurnTimer)) {
                game.cwTurnTimer = 1;
                turnClockwise(d);
            }
            break;
        case CounterClockwiseLoop:
            if (stepCounter(game.ccwTurnTimer)) {
                game.ccwTurnTimer = 1;
                turnCounterClockwise(d);
            }
            break;
        case WavyPatrol:
            if (stepCounter(game.wobbleTimer)) game.wobble = game.wobble == 1 ? -1 : 1;
            d.y = clampPosition(int64_t{d.y} + game.wobble);
            turnAtSides(d);
            break;
        case Patrol: turnAtSides(d); break;
        case Struck: fallStep(d); break;
        default: break;
    }
}

// A loop can carry a dragonfly out of the world for good; its position is
// kept inside PositionLimit, where it stays out of sight and out of reach.
void moveAndDraw(Dragonfly& d) {
    switch (d.heading) {
        case Up: d.y = clampPosition(int64_t{d.y} - 2); break;
        case Down: d.y = clampPosition(int64_t{d.y} + 2); break;
        case Left: d.x = clampPosition(int64_t{d.x} - 2); break;
        case Right: d.x = clampPosition(int64_t{d.x} + 2); break;
        default: break;
    }
    if (d.heading >= Up && d.heading <= Falling)
        headingPictures[d.heading]->drawKeyed(d.x - game.cameraX, d.y - game.cameraY);
}

bool touchesShuttlecock(const Dragonfly& d) {
    const int32_t sx = d.x - game.cameraX;
    const int32_t sy = d.y - game.cameraY;
    return sy <= game.shuttleY + 50 && sy + 30 >= game.shuttleY && sx <= game.shuttleX + 45 &&
           sx + 20 >= game.shuttleX + 35;
}

void strike(Dragonfly& d) {
    PlaySoundA(StrikeSound, nullptr, SND_FILENAME | SND_ASYNC);
    d.pattern = Struck;
    d.hitHeight = WorldHeight - d.y;
    game.drift = randomValue() % 3 - 1;
}

}  // namespace

void spawnDragonflies() {
    for (int i = 0; i < DragonflyCount; ++i) randomise(i, game.dragonflies[i], Occasion::StartUp);
}

void updateDragonflies() {
    for (int i = 0; i < DragonflyCount; ++i) {
        Dragonfly& d = game.dragonflies[i];
        if (d.x < -30 || d.y > 1000) d.alive = 0;
        if (d.alive == 0) {
            const int32_t v = game.respawnTick;
            game.respawnTick = v + 1 >= CounterWrap ? 0 : v + 1;
            if (v % 2 == 0) randomise(i, d, Occasion::Respawn);
            continue;
        }
        patternStep(d);
        moveAndDraw(d);
        if (game.rallyActive != 0 && d.pattern != Struck && touchesShuttlecock(d)) strike(d);
    }
}
