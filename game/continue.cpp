#include "display/catalogue.h"
#include "game/game.h"
#include "game/state.h"

void continueScreen() {
    CONTINUE.drawKeyed(80, 180);
    if (game.menuChoice != 0) {
        // Yes: the countdown runs again and a new rally is served.
        ANGLE.drawKeyed(360, 200);
        if (game.enterHeld == 0) return;
        game.dropped = 0;
        game.rallyActive = 0;
        game.serveReady = 0;
        game.playerX = PlayerStartX;
    } else {
        // No: back to the title with START selected.
        ANGLE.drawKeyed(360, 247);
        if (game.enterHeld == 0) return;
        game.dropped = 0;
        game.rallyActive = 0;
        game.menuChoice = 1;
        game.titleActive = 1;
        game.kickAnimActive = 0;
        game.blink = 0;
        game.zoomGrowing = 0;
        game.serveReady = 0;
        game.enterHeld = 0;
        game.playerX = PlayerStartX;
    }
}
