#include "display/catalogue.h"
#include "display/display.h"
#include "game/game.h"
#include "game/state.h"

namespace {

// The logo's bounce: the logo is drawn stretched into its box less an inset
// on every side (zoomInset), which swings in and out in five damped stages.
// Each stage swings in by its step a frame up to its limit and back out to
// 0; after the last one the logo rests at full size.
struct BounceStage {
    int32_t step;
    int32_t limit;
};
constexpr int BounceStages = 5;
constexpr BounceStage bounce[BounceStages] = {{7, 70}, {5, 50}, {3, 30}, {2, 20}, {1, 10}};

void bounceLogo() {
    if (game.zoomStage >= BounceStages) {
        game.zoomInset = 0;
        game.zoomGrowing = 0;
        return;
    }
    const BounceStage stage = bounce[game.zoomStage < 0 ? 0 : game.zoomStage];
    game.zoomInset += game.zoomGrowing == 0 ? stage.step : -stage.step;
    if (game.zoomInset <= 0) {
        game.zoomGrowing = 0;
        if (game.zoomStage < BounceStages) ++game.zoomStage;
    }
    if (game.zoomInset >= stage.limit) game.zoomGrowing = 1;
}

}  // namespace

void titleScreen() {
    bounceLogo();
    BACK.drawOpaque(0, -MaxCameraY);  // the lower half of the world
    const int32_t inset = game.zoomInset;
    REVOZE.drawStretched(RECT{112 + 2 * inset, 40 + inset, 528 - 2 * inset, 240 - inset});
    RANKING.drawKeyed(0, 275);
    START1.drawKeyed(320, 240);
    EXIT1.drawKeyed(320, 360);
    if (game.menuChoice != 0)
        (game.blink != 0 ? START1 : START2).drawKeyed(320, 240);
    else
        (game.blink != 0 ? EXIT1 : EXIT2).drawKeyed(320, 360);

    if (game.enterHeld == 0) return;
    if (game.menuChoice != 0) {
        game.zoomStage = 0;
        game.dropped = 0;
        START3.drawKeyed(320, 240);
        game.titleActive = 0;
    } else {
        EXIT3.drawKeyed(320, 360);
        game.titleActive = 1;
        PostMessageA(mainWindow, WM_CLOSE, 0, 0);
    }
}
