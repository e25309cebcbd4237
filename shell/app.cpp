#include "shell/app.h"

#include "display/catalogue.h"
#include "display/display.h"
#include "game/game.h"
#include "game/state.h"
#include "platform/backend.h"

namespace {
constexpr DWORD MinimumFrameMs = 14;
}

int appMain(HINSTANCE instance, HINSTANCE, char*, int showCommand) {
    if (initApp(instance, showCommand) != 0) return 0;
    gameStart();
    MSG msg;
    for (;;) {
        if (PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
            if (!GetMessageA(&msg, nullptr, 0, 0)) return static_cast<int>(msg.wParam);
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        } else if (game.appActive != 0) {
            presentFrame();
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
    const DWORD start = timeGetTime();
    gameFrame();
    // Frames start at least 14 ms apart. The platform sleeps through what it
    // can of the wait and the clock is polled for the rest; the unsigned
    // difference measures right across the clock's wrap.
    while (timeGetTime() - start < MinimumFrameMs) backend::idleUntil(start + MinimumFrameMs);
    while (primarySurface->Flip(nullptr, DDFLIP_WAIT) == DDERR_WASSTILLDRAWING) {
    }
}
