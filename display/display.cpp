#include "display/display.h"

#include "display/catalogue.h"

#include <cstdarg>
#include <cstdio>

HWND mainWindow = nullptr;
IDirectDraw4* directDraw = nullptr;
IDirectDrawSurface4* primarySurface = nullptr;
IDirectDrawSurface4* backBuffer = nullptr;

HRESULT initDisplay() {
    IDirectDraw* first = nullptr;
    HRESULT hr = DirectDrawCreate(nullptr, &first, nullptr);
    if (hr != DD_OK) return initFail(mainWindow, hr, "DirectDrawCreate FAILED");

    hr = first->QueryInterface(IID_IDirectDraw4, reinterpret_cast<void**>(&directDraw));
    if (hr != DD_OK) return initFail(mainWindow, hr, "QueryInterface FAILED");

    hr = directDraw->SetCooperativeLevel(mainWindow, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN);
    if (hr != DD_OK) return initFail(mainWindow, hr, "SetCooperativeLevel FAILED");

    hr = directDraw->SetDisplayMode(ScreenWidth, ScreenHeight, 16, 0, 0);
    if (hr != DD_OK) return initFail(mainWindow, hr, "SetDisplayMode FAILED");

    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof desc;
    desc.dwFlags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
    desc.ddsCaps.dwCaps =
        DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX | DDSCAPS_VIDEOMEMORY;
    desc.dwBackBufferCount = 1;
    hr = directDraw->CreateSurface(&desc, &primarySurface, nullptr);
    if (hr != DD_OK) return initFail(mainWindow, hr, "CreateSurface FAILED");

    DDSCAPS2 caps{};
    caps.dwCaps = DDSCAPS_BACKBUFFER;
    hr = primarySurface->GetAttachedSurface(&caps, &backBuffer);
    if (hr != DD_OK) return initFail(mainWindow, hr, "GetAttachedSurface FAILED");
    return DD_OK;
}

HRESULT initFail(HWND window, HRESULT code, const char* format, ...) {
    // Bounded: a message longer than the buffer is cut, never overrun.
    char text[128];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    releaseDisplay();
    MessageBoxA(window, text, "Velmora", MB_OK);
    DestroyWindow(window);
    return code;
}

void releaseDisplay() {
    if (!directDraw) return;
    if (primarySurface) {
        primarySurface->Release();
        primarySurface = nullptr;
    }
    directDraw->Release();
    directDraw = nullptr;
}

void resetDisplay() {
    for (const CatalogueEntry& e : catalogue) {
        Sprite& s = *e.sprite;
        s.surface = nullptr;
        s.result = 0;
        s.srcRect = s.baseRect = RECT{};
        s.width = s.height = 0;
    }
    mainWindow = nullptr;
    directDraw = nullptr;
    primarySurface = nullptr;
    backBuffer = nullptr;
    drawObserver = nullptr;
}
