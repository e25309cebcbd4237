#include "display/catalogue.h"
#include "game/game.h"
#include "game/state.h"

namespace {

Sprite* const runningLeft[4] = {&ZABLORUNL1, &ZABLORUNL2, &ZABLORUNL3, &ZABLORUNL4};
Sprite* const runningRight[4] = {&ZABLORUNR1, &ZABLORUNR2, &ZABLORUNR3, &ZABLORUNR4};
Sprite* const gauge[11] = {nullptr, &BAR1, &BAR2, &BAR3, &BAR4, &BAR5,
                           &BAR6,   &BAR7, &BAR8, &BAR9, &BAR10};

void drawPlayer(Sprite& picture) { picture.drawKeyed(game.playerX - 60, 788 - game.cameraY); }

// Nothing stops a player running off the world; the position is only kept
// inside PositionLimit, far beyond anything the camera or a kick looks at.
void run(int32_t step) { game.playerX = clampPosition(int64_t{game.playerX} + step); }

void kickPose() {
    drawPlayer(ZABLOPAKO);
    const int32_t k = game.kickAnimFrames;
    if (k < 5 && game.kickPending != 0) game.shuttleFrame = 3;
    game.kickAnimFrames = k + 1;
    if (k > 10) {
        game.kickAnimFrames = 0;
        game.kickAnimActive = 0;
    }
}

// While Space is held: the gauge for the power before this frame's rise.
void chargeGauge() {
    if (game.spaceHeld == 0) return;
    const int32_t g = game.power / 10;
    if (g >= 1 && g <= 10) gauge[g]->drawKeyed(10, 230);
    const int32_t p = game.power;
    game.power = p >= 100 ? 0 : p + 1;
}

}  // namespace

void updatePlayer() {
    if (game.leftHeld != 0) {
        run(-game.runSpeed);
        drawPlayer(*runningLeft[game.runFrame & 3]);
    } else if (game.rightHeld != 0) {
        run(game.runSpeed);
        drawPlayer(*runningRight[game.runFrame & 3]);
    } else if (game.kickAnimActive != 0) {
        kickPose();
    } else {
        drawPlayer(ZABLOSTAND);
    }
    chargeGauge();
}
