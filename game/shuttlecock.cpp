#include "display/catalogue.h"
#include "game/game.h"
#include "game/state.h"
#include "platform/win.h"

namespace {

Sprite* const risingPictures[4] = {&WAVEPAKO5, &WAVEPAKO6, &WAVEPAKO7, &WAVEPAKO4};
Sprite* const fallingPictures[4] = {&WAVEPAKO1, &WAVEPAKO2, &WAVEPAKO3, &WAVEPAKO4};

void placeShuttlecock(int32_t height) {
    game.shuttleX = WorldWidth - game.shuttleRightOffset - game.cameraX;
    game.shuttleY = WorldHeight - game.cameraY - game.launchHeight - height;
}

void serve() {
    game.rallyActive = 1;
    game.serveReady = 0;
    game.flightTime = 0;
    game.launchHeight = 120;
    game.power = 0;
    game.launchSpeed = 50;
    game.drift = 0;
    game.kickCount = 0;
}

// Ground contact far below the picture, or a bounce off a side of the world
// while the view stands at that side.
void groundOrWalls() {
    if (game.shuttleY >= OutOfSightY) {
        game.dropped = 1;
        game.cameraX = 0;
        game.shuttleRightOffset = 675;
        return;
    }
    if ((game.cameraX == 0 && game.shuttleX < 17) ||
        (game.cameraX == MaxCameraX && game.shuttleX > 540))
        game.drift = -game.drift;
}

void applyKick() {
    // Met high it flies off to the left, met low to the right.
    game.drift = game.shuttleY < 363 ? -1 : game.shuttleY > 373 ? 1 : 0;
    PlaySoundA(KickSound, nullptr, SND_FILENAME | SND_ASYNC);
    game.flightTime = 0;
    game.launchHeight = 120;
    game.kickPending = 0;
    game.launchSpeed = game.power + 10;
    game.power = 0;
    game.kickCount = game.kickCount + 1 >= 99 ? 99 : game.kickCount + 1;
}

}  // namespace

int32_t throwHeight(int32_t launchSpeed, double n) {
    const double t = n * static_cast<double>(0.1f);
    const double a = launchSpeed * t;
    const double b = (t * t) * 4.9;
    return static_cast<int32_t>(a - b);
}

int32_t runCountdown(int32_t serveReady) {
    if (serveReady != 0) {
        game.countdownFrames = 0;
        return 1;
    }
    const int32_t n = game.countdownFrames;
    game.countdownFrames = n + 1;
    if (n < 50) {
        READY.drawKeyed(250, 200);
        return 0;
    }
    if (n + 1 <= 100) {
        GO.drawKeyed(288, 200);
        return 0;
    }
    game.serveReady = 1;
    return 1;
}

void updateShuttlecock(int32_t flying) {
    if (flying == 0 && game.rallyActive == 0) {
        WAVEPAKO1.drawKeyed(game.shuttleX, game.shuttleY);
        placeShuttlecock(0);
        return;
    }
    if (game.rallyActive == 0) serve();
    groundOrWalls();
    if (game.kickPending != 0) applyKick();

    // The flight step. The time stops at MaxFlightTime, which only a
    // shuttlecock lying dropped for minutes reaches: the height then stays
    // where it is, far below the screen, instead of outgrowing 32 bits.
    const int32_t n = game.flightTime;
    if (game.flightTime < MaxFlightTime) game.flightTime = n + 1;
    const int32_t height = throwHeight(game.launchSpeed, n);
    game.shuttleRightOffset -= game.drift;

    placeShuttlecock(height);
    const int frame = game.shuttleFrame & 3;
    Sprite* picture = game.prevHeight < height ? risingPictures[frame] : fallingPictures[frame];
    picture->drawKeyed(game.shuttleX, game.shuttleY);
    game.prevHeight = height;
}
