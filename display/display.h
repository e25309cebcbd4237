// The display device: the window it belongs to, the device, the visible
// primary surface and its one back buffer; set up once, released when the
// window goes.
#pragma once

#include "platform/ddraw.h"
#include "platform/win.h"

// The screen: the back buffer every frame is drawn into, and the display
// mode it is shown in.
constexpr int32_t ScreenWidth = 640;
constexpr int32_t ScreenHeight = 480;

extern HWND mainWindow;
extern IDirectDraw4* directDraw;
extern IDirectDrawSurface4* primarySurface;
extern IDirectDrawSurface4* backBuffer;

// Takes the screen: exclusive full screen at 640 x 480 x 16 with a primary
// surface and one back buffer. 0 when ready; otherwise the failing step's
// code, after its message was shown and the window destroyed.
HRESULT initDisplay();

// Reports a failed set-up step: releases the display, shows the message in a
// box captioned "Velmora", destroys the window. Returns code.
HRESULT initFail(HWND window, HRESULT code, const char* format, ...);

// Lets the display go; safe with nothing set up and a second time.
void releaseDisplay();

// The display layer as a fresh process finds it: no window, device or
// surfaces, every sprite constructed but not loaded, nobody watching the
// draws. For tests and tools, after the platform's own reset has let every
// surface go; nothing is released here.
void resetDisplay();
