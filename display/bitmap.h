// Bitmaps by name into display surfaces, and transparent colours matched to
// the surface's own pixel format.
#pragma once

#include "platform/ddraw.h"

constexpr COLORREF RGB_BLACK = 0x000000;
constexpr COLORREF RGB_WHITE = 0xFFFFFF;

IDirectDrawSurface4* loadBitmapSurface(IDirectDraw4* device, const char* name,
                                       int32_t systemMemory);
HRESULT copyBitmapToSurface(IDirectDrawSurface4* surface, HBITMAP bitmap);
HRESULT reloadBitmap(IDirectDrawSurface4* surface, const char* name);
DWORD matchColor(IDirectDrawSurface4* surface, COLORREF colour);
HRESULT applyColorKey(IDirectDrawSurface4* surface, COLORREF colour);
