#include "display/display.h"
#include "game/state.h"
#include "shell/app.h"

namespace {

LRESULT keyDown(HWND window, UINT message, WPARAM key, LPARAM lParam) {
    switch (key) {
        case VK_RETURN: game.enterHeld = 1; break;
        case VK_ESCAPE:
        case VK_F12: PostMessageA(window, WM_CLOSE, 0, 0); return 0;
        case VK_SPACE:
            if (game.dropped == 0) {
                game.spaceReleased = 0;
                game.spaceHeld = 1;
            }
            break;
        case VK_LEFT:
            if (game.dropped == 0 && game.rallyActive != 0) game.leftHeld = 1;
            break;
        case VK_RIGHT:
            if (game.dropped == 0 && game.rallyActive != 0) game.rightHeld = 1;
            break;
        case VK_UP:
        case VK_DOWN: game.menuChoice = 1 - game.menuChoice; break;
        default: break;
    }
    return DefWindowProcA(window, message, key, lParam);
}

void keyUp(WPARAM key) {
    switch (key) {
        case VK_RETURN: game.enterHeld = 0; break;
        case VK_SPACE:
            game.spaceReleased = 1;
            game.spaceHeld = 0;
            break;
        case VK_LEFT: game.leftHeld = 0; break;
        case VK_RIGHT: game.rightHeld = 0; break;
        default: break;
    }
}

// The timer's tick: the blink and the animation phases.
void timerTick() {
    game.blink = 1 - game.blink;
    if (++game.shuttleFrame >= 3) game.shuttleFrame = 0;
    if (++game.runFrame >= 4) game.runFrame = 0;
}

}  // namespace

LRESULT windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_DESTROY:
            releaseDisplay();
            PostQuitMessage(0);
            return 0;
        case WM_ACTIVATEAPP: game.appActive = (wParam == 1 || wParam == 2) ? 1 : 0; return 0;
        case WM_SETCURSOR: SetCursor(nullptr); return 1;
        case WM_KEYDOWN: return keyDown(window, message, wParam, lParam);
        case WM_KEYUP: keyUp(wParam); return DefWindowProcA(window, message, wParam, lParam);
        case WM_TIMER: timerTick(); return 0;
        default: return DefWindowProcA(window, message, wParam, lParam);
    }
}
