#include "display/catalogue.h"
#include "game/game.h"
#include "game/state.h"

namespace {

Sprite* const digits[10] = {&ZERO, &ONE, &TWO, &THREE, &FOUR, &FIVE, &SIX, &SEVEN, &EIGHT, &NINE};

// Tens in the top-left corner, ones one digit to the right and one lower.
void drawKickCounter() {
    digits[game.kickCount % 10]->drawKeyed(30, 30);
    if (game.kickCount >= 10) digits[game.kickCount / 10]->drawKeyed(0, 0);
}

}  // namespace

// A released swing shows the kick pose; with more than 20 power, a serve
// behind it and the shuttlecock at the feet it becomes a kick next frame.
void judgeSwing() {
    if (game.spaceReleased == 0) return;
    game.spaceReleased = 0;
    game.kickAnimActive = 1;
    if (game.power <= 20) {
        game.power = 0;
        return;
    }
    const int32_t y = game.shuttleY + 20;
    const int32_t x = game.shuttleX + 20;
    const bool hit = game.serveReady != 0 && y >= 840 - game.cameraY && y <= 890 - game.cameraY &&
                     x >= game.playerX - 60 && x <= game.playerX + 20;
    if (hit)
        game.kickPending = 1;
    else
        game.power = 0;
}

void gameFrame() {
    if (game.titleActive != 0) {
        titleScreen();
        return;
    }
    BACK.drawOpaque(-game.cameraX, -game.cameraY);
    if (game.dropped == 0) updatePlayer();
    updateDragonflies();
    updateShuttlecock(runCountdown(game.serveReady));
    updateCamera();
    if (game.dropped != 0) continueScreen();
    drawKickCounter();
    judgeSwing();
}
