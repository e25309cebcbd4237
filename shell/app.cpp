#include "shell/app.h"

#include "display/catalogue.h"
#include "display/display.h"
#include "game/game.h"
#include "game/state.h"
#include "platform/backend.h"

namespace {

constexpr DWORD MinimumFrameMs = 14;

// Where the last frame stands on the clock: the next may begin 14 ms later.
// It is when the last frame began; where the platform keeps the frames on
// a fixed step instead (a web page, woken only when the browser is ready),
// it is the step the last frame was due at, so that time the platform took
// is made up, one frame at once at most: a frame begins less than two steps
// behind its own, and older lateness is let go (after a long wait, two
// frames run at once, not a burst).
DWORD lastFrameSlot = 0;
bool anyFrameRan = false;

// The next frame may begin: 14 ms have passed since the last one's slot
// (the unsigned difference measures right across the clock's wrap), or none
// has run yet.
bool frameDue() { return !anyFrameRan || timeGetTime() - lastFrameSlot >= MinimumFrameMs; }

// A frame begins at `now`, when it is due.
void frameBegins(DWORD now) {
    if (anyFrameRan && backend::framesKeepAFixedStep()) {
        lastFrameSlot += MinimumFrameMs;
        if (now - lastFrameSlot >= 2 * MinimumFrameMs) lastFrameSlot = now - 2 * MinimumFrameMs + 1;
    } else {
        lastFrameSlot = now;
    }
    anyFrameRan = true;
}

}  // namespace

int appMain(HINSTANCE instance, HINSTANCE, char*, int showCommand) {
    if (initApp(instance, showCommand) != 0) return 0;
    gameStart();
    anyFrameRan = false;  // the first frame is due at once
    MSG msg;
    for (;;) {
        if (PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
            if (!GetMessageA(&msg, nullptr, 0, 0)) return static_cast<int>(msg.wParam);
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        } else if (game.appActive != 0) {
            // The frame waits first, so that it shows the newest keys: the
            // pump sleeps until the frame is due, and a message that comes
            // meanwhile is handled before it. Frames still begin at least
            // 14 ms apart, and one that ran long only delays the next (a
            // page makes up such time instead: frameBegins).
            if (frameDue())
                presentFrame();
            else
                waitMessageUntil(lastFrameSlot + MinimumFrameMs);
        } else {
            WaitMessage();
        }
    }
}

int initApp(HINSTANCE instance, int showCommand) {
    WNDCLASSA windowClass{};
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = windowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(101));
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = GetStockObject(BLACK_BRUSH);
    windowClass.lpszMenuName = "Pako";
    windowClass.lpszClassName = "Pako";
    RegisterClassA(&windowClass);

    mainWindow = CreateWindowExA(WS_EX_TOPMOST, "Pako", "Pako Tumbo", WS_POPUP, 0, 0,
                                 GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN),
                                 nullptr, nullptr, instance, nullptr);
    if (!mainWindow) return 1;

    ShowWindow(mainWindow, showCommand);
    UpdateWindow(mainWindow);
    SetFocus(mainWindow);

    const HRESULT hr = initDisplay();
    if (hr != DD_OK) return hr;

    while (SetTimer(mainWindow, 1, 200, nullptr) == 0) {
        if (MessageBoxA(mainWindow, "Too many clocks or timers!", "Pako",
                        MB_ICONWARNING | MB_RETRYCANCEL) == IDCANCEL)
            break;
    }
    return 0;
}

void gameStart() {
    seedRandom(backend::calendarSeconds());
    loadAllSprites();
    // Read ahead, so that a sound file missing is said now, not found
    // silent in play.
    preloadSound(KickSound);
    preloadSound(StrikeSound);
    spawnDragonflies();
}

void presentFrame() {
    frameBegins(timeGetTime());
    gameFrame();
    // The 14 ms were waited out before the frame began, so the picture goes
    // to the screen at once.
    while (primarySurface->Flip(nullptr, DDFLIP_WAIT) == DDERR_WASSTILLDRAWING) {
    }
}
