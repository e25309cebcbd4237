// The graphics device interface as far as the bitmap loading uses it: bitmaps
// loaded by name, memory device contexts, a stretching copy with format
// conversion, single pixels. A bitmap is an SDL surface in the format the file
// had; a device context is either a memory context with a selected bitmap or
// the context of a display surface (display/ddraw.cpp makes those).
#pragma once

#include <cstddef>

#include "platform/win.h"

struct SDL_Surface;

constexpr UINT IMAGE_BITMAP = 0;
constexpr UINT LR_LOADFROMFILE = 0x00000010;
constexpr UINT LR_CREATEDIBSECTION = 0x00002000;
constexpr DWORD SRCCOPY = 0x00CC0020;
constexpr COLORREF CLR_INVALID = 0xFFFFFFFF;

struct BITMAP {
    LONG bmType;
    LONG bmWidth;
    LONG bmHeight;
    LONG bmWidthBytes;
    uint16_t bmPlanes;
    uint16_t bmBitsPixel;
    void* bmBits;
};

constexpr COLORREF RGB(int r, int g, int b) {
    return static_cast<COLORREF>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}

// Loads a bitmap: from the module's resources (instance not null), or from the
// file of that name (instance null and LR_LOADFROMFILE). Null when there is
// none or it is not a bitmap this game can use.
HGDIOBJ LoadImageA(HINSTANCE instance, const char* name, UINT type, int width, int height,
                   UINT flags);
int GetObjectA(HGDIOBJ object, int size, void* out);
HDC CreateCompatibleDC(HDC reference);
HGDIOBJ SelectObject(HDC dc, HGDIOBJ object);
BOOL StretchBlt(HDC dest, int x, int y, int width, int height, HDC src, int srcX, int srcY,
                int srcWidth, int srcHeight, DWORD rop);
COLORREF GetPixel(HDC dc, int x, int y);
COLORREF SetPixel(HDC dc, int x, int y, COLORREF colour);
BOOL DeleteDC(HDC dc);
BOOL DeleteObject(HGDIOBJ object);

// For the display adapter: a device context drawing on a surface's pixels,
// and its end. Null when none is free.
HDC gdiCreateSurfaceDC(SDL_Surface* surface);
void gdiDeleteSurfaceDC(HDC dc);

// Decodes a bitmap file held in memory; null for anything unusable. Used by
// LoadImageA for both resources and files.
SDL_Surface* gdiDecodeBitmap(const void* data, size_t size);

// Live bitmaps and device contexts, for tests that look for leaks.
int gdiLiveObjects();
