// The game state: every variable the game's routines share, with its initial
// value. One process-wide instance, `game`; nothing is saved or read back.
#pragma once

#include <cstdint>

#include "display/catalogue.h"
#include "display/display.h"

enum DragonflyPattern : int16_t {
    ClockwiseLoop = 0,
    CounterClockwiseLoop = 1,
    WavyPatrol = 2,
    Patrol = 3,
    Struck = 4,
};

enum DragonflyHeading : int16_t { Up = 0, Down = 1, Left = 2, Right = 3, Falling = 4 };

struct Dragonfly {
    int32_t x;
    int32_t y;
    int32_t hitHeight;
    int16_t pattern;
    int16_t heading;
    float fallTime;
    int32_t alive;
    bool operator==(const Dragonfly&) const = default;
};

constexpr int DragonflyCount = 25;

// The camera's range: the screen never leaves the world.
constexpr int32_t MaxCameraX = WorldWidth - ScreenWidth;
constexpr int32_t MaxCameraY = WorldHeight - ScreenHeight;
// Where the player starts and is served again: screen x 640, the middle of
// the world while the view stands at its left edge.
constexpr int32_t PlayerStartX = WorldWidth / 2;
// A screen y far below the picture: a shuttlecock that reaches it is
// dropped, a falling dragonfly past it is gone. It is not the world's
// bottom edge (with the view at its lowest it lies 480 px below that).
constexpr int32_t OutOfSightY = 960;

struct GameState {
    // Positions: the player and the shuttlecock in screen coordinates, the
    // camera as the world position of the screen's top-left corner.
    int32_t playerX = PlayerStartX;
    int32_t shuttleX = 320;
    int32_t shuttleY = 10;
    int32_t cameraX = 0;
    int32_t cameraY = MaxCameraY;
    int32_t runSpeed = 4;
    int32_t power = 0;
    int32_t kickCount = 0;
    int32_t drift = 0;
    // Animation phases, advanced by the timer.
    int32_t shuttleFrame = 0;
    int32_t runFrame = 0;
    int32_t blink = 0;
    // Input and activation.
    int32_t appActive = 0;
    int32_t leftHeld = 0;
    int32_t rightHeld = 0;
    int32_t enterHeld = 0;
    int32_t spaceHeld = 0;
    int32_t spaceReleased = 0;
    int32_t menuChoice = 1;
    // The phase of the game.
    int32_t titleActive = 1;
    int32_t rallyActive = 0;
    int32_t serveReady = 0;
    int32_t dropped = 0;
    int32_t kickPending = 0;
    int32_t kickAnimActive = 0;
    int32_t zoomGrowing = 0;
    // The shuttlecock's flight.
    int32_t shuttleRightOffset = 675;
    int32_t launchSpeed = 50;
    int32_t launchHeight = 120;
    int32_t flightTime = 0;
    int32_t prevHeight = 0;
    int32_t countdownFrames = 0;
    // The kick pose and the title logo.
    int32_t kickAnimFrames = 0;
    int32_t zoomInset = 0;
    int32_t zoomStage = 0;
    // The dragonflies and the counters that steer them.
    Dragonfly dragonflies[DragonflyCount]{};
    int32_t respawnTick = 0;
    int32_t cwTurnTimer = 0;
    int32_t ccwTurnTimer = 0;
    int32_t wobbleTimer = 0;
    int32_t wobble = 1;
    bool operator==(const GameState&) const = default;
};

extern GameState game;

// The game state and the random generator as a fresh process finds them.
// For tests and tools.
void resetGame();

// Bounds that keep positions and counters that could grow for weeks inside
// 32 bits. None is reached in any ordinary game; each keeps every test the
// game makes on the value (comparisons, parity, multiples of 100) as it was.
constexpr int32_t PositionLimit = 1000000000;  // far off the world on every side
constexpr int32_t CounterWrap = 2000000000;    // even, and a multiple of 100
constexpr int32_t MaxFlightTime = 100000;      // the flight lies far below the screen by then

inline int32_t clampPosition(int64_t v) {
    return v < -PositionLimit  ? -PositionLimit
           : v > PositionLimit ? PositionLimit
                               : static_cast<int32_t>(v);
}

// The portable random generator every build shares, so that a run replays the
// same everywhere: values 0..32767.
void seedRandom(uint32_t seed);
int32_t randomValue();
uint32_t randomState();
