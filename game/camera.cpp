#include "display/catalogue.h"
#include "game/game.h"
#include "game/state.h"

namespace {

// The view pans by the running speed to bring the player back to the
// screen's middle column;
// the player and the shuttlecock keep their world places.
void pan(int32_t step) {
    game.cameraX += step;
    game.playerX = clampPosition(int64_t{game.playerX} - step);
    game.shuttleX -= step;
}

}  // namespace

void updateCamera() {
    constexpr int32_t midX = ScreenWidth / 2, midY = ScreenHeight / 2;
    if (game.playerX < midX && game.cameraX > 0)
        pan(-game.runSpeed);
    else if (game.playerX > midX && game.cameraX < MaxCameraX)
        pan(game.runSpeed);

    // Up and down the view jumps to bring the shuttlecock back to the
    // screen's middle row.
    if ((game.shuttleY < midY && game.cameraY > 0) ||
        (game.shuttleY > midY && game.cameraY < MaxCameraY))
        game.cameraY = game.cameraY + (game.shuttleY - midY);
    if (game.cameraY <= 0) game.cameraY = 0;
    if (game.shuttleY > midY && game.cameraY > MaxCameraY) {
        game.cameraY = MaxCameraY;
        return;
    }
    // Raised so far that the player is out of view: point at the player.
    if (game.cameraY < 330) HERE.drawKeyed(game.playerX - 60, 380);
}
