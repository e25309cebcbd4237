#include "display/catalogue.h"
#include "game/game.h"
#include "game/state.h"

namespace {

// The view pans by the running speed to bring the player back to x 320;
// the player and the shuttlecock keep their world places.
void pan(int32_t step) {
    game.cameraX += step;
    game.playerX = clampPosition(int64_t{game.playerX} - step);
    game.shuttleX -= step;
}

}  // namespace

void updateCamera() {
    if (game.playerX < 320 && game.cameraX > 0)
        pan(-game.runSpeed);
    else if (game.playerX > 320 && game.cameraX < 640)
        pan(game.runSpeed);

    // Up and down the view jumps to bring the shuttlecock back to row 240.
    if ((game.shuttleY < 240 && game.cameraY > 0) || (game.shuttleY > 240 && game.cameraY < 480))
        game.cameraY = game.cameraY + (game.shuttleY - 240);
    if (game.cameraY <= 0) game.cameraY = 0;
    if (game.shuttleY > 240 && game.cameraY > 480) {
        game.cameraY = 480;
        return;
    }
    // Raised so far that the player is out of view: point at the player.
    if (game.cameraY < 330) HERE.drawKeyed(game.playerX - 60, 380);
}
