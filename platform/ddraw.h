// The display device the game draws through, shaped as the DirectDraw
// version-4 interfaces it was written for: the operations the game calls, with
// their flags, result codes and surface descriptions, over SDL surfaces in the
// display's 16-bit 5-6-5 format. Plain structs, no virtual calls: the platform
// is chosen at link time (platform/backend.h).
#pragma once

#include <cstdint>

#include "platform/win.h"

struct SDL_Surface;

using ULONG = uint32_t;

struct GUID {
    uint32_t Data1;
    uint16_t Data2;
    uint16_t Data3;
    uint8_t Data4[8];
};
// A constant of each file that uses it (compared by value): on Windows the
// system's libraries, linked into the game, define a global of this name.
constexpr GUID IID_IDirectDraw4 = {
    0x9C59509A, 0x39BD, 0x11D1, {0x8C, 0x4A, 0x00, 0xC0, 0x4F, 0xD9, 0x30, 0xC5}};

// Result codes.
constexpr HRESULT DD_OK = 0;
constexpr HRESULT DDERR_GENERIC = E_FAIL;
constexpr HRESULT DDERR_INVALIDPARAMS = static_cast<HRESULT>(0x80070057u);
constexpr HRESULT DDERR_OUTOFMEMORY = static_cast<HRESULT>(0x8007000Eu);
constexpr HRESULT DDERR_NOINTERFACE = static_cast<HRESULT>(0x80004002u);
constexpr HRESULT DDERR_INVALIDRECT = static_cast<HRESULT>(0x88760096u);
constexpr HRESULT DDERR_INVALIDOBJECT = static_cast<HRESULT>(0x88760082u);
constexpr HRESULT DDERR_NOTFLIPPABLE = static_cast<HRESULT>(0x887600D2u);
constexpr HRESULT DDERR_SURFACELOST = static_cast<HRESULT>(0x887601C2u);
constexpr HRESULT DDERR_WASSTILLDRAWING = static_cast<HRESULT>(0x8876021Cu);
constexpr HRESULT DDERR_DCALREADYCREATED = static_cast<HRESULT>(0x88760270u);
constexpr HRESULT DDERR_NOTLOCKED = static_cast<HRESULT>(0x887602A0u);
constexpr HRESULT DDERR_NODC = static_cast<HRESULT>(0x8876024Bu);

// Cooperative levels.
constexpr DWORD DDSCL_FULLSCREEN = 0x00000001;
constexpr DWORD DDSCL_EXCLUSIVE = 0x00000010;

// Surface description fields.
constexpr DWORD DDSD_CAPS = 0x00000001;
constexpr DWORD DDSD_HEIGHT = 0x00000002;
constexpr DWORD DDSD_WIDTH = 0x00000004;
constexpr DWORD DDSD_PITCH = 0x00000008;
constexpr DWORD DDSD_BACKBUFFERCOUNT = 0x00000020;
constexpr DWORD DDSD_LPSURFACE = 0x00000800;
constexpr DWORD DDSD_PIXELFORMAT = 0x00001000;

// Surface capabilities.
constexpr DWORD DDSCAPS_BACKBUFFER = 0x00000004;
constexpr DWORD DDSCAPS_COMPLEX = 0x00000008;
constexpr DWORD DDSCAPS_FLIP = 0x00000010;
constexpr DWORD DDSCAPS_OFFSCREENPLAIN = 0x00000040;
constexpr DWORD DDSCAPS_PRIMARYSURFACE = 0x00000200;
constexpr DWORD DDSCAPS_SYSTEMMEMORY = 0x00000800;
constexpr DWORD DDSCAPS_VIDEOMEMORY = 0x00004000;

// Copy and flip flags.
constexpr DWORD DDBLTFAST_NOCOLORKEY = 0x00000000;
constexpr DWORD DDBLTFAST_SRCCOLORKEY = 0x00000001;
constexpr DWORD DDBLTFAST_WAIT = 0x00000010;
constexpr DWORD DDBLT_KEYSRC = 0x00008000;
constexpr DWORD DDBLT_WAIT = 0x01000000;
constexpr DWORD DDFLIP_WAIT = 0x00000001;
constexpr DWORD DDCKEY_SRCBLT = 0x00000008;
constexpr DWORD DDPF_RGB = 0x00000040;

struct DDCOLORKEY {
    DWORD dwColorSpaceLowValue;
    DWORD dwColorSpaceHighValue;
};

struct DDPIXELFORMAT {
    DWORD dwSize;
    DWORD dwFlags;
    DWORD dwFourCC;
    DWORD dwRGBBitCount;
    DWORD dwRBitMask;
    DWORD dwGBitMask;
    DWORD dwBBitMask;
    DWORD dwRGBAlphaBitMask;
};

struct DDSCAPS2 {
    DWORD dwCaps;
    DWORD dwCaps2;
    DWORD dwCaps3;
    DWORD dwCaps4;
};

// The surface description. On the original 32-bit platform it is 124 bytes;
// here its one pointer is 64 bits wide, so callers fill dwSize with
// sizeof(DDSURFACEDESC2) and the adapter checks exactly that.
struct DDSURFACEDESC2 {
    DWORD dwSize;
    DWORD dwFlags;
    DWORD dwHeight;
    DWORD dwWidth;
    LONG lPitch;
    DWORD dwBackBufferCount;
    DWORD dwMipMapCount;
    DWORD dwAlphaBitDepth;
    DWORD dwReserved;
    void* lpSurface;
    DDCOLORKEY ddckCKDestOverlay;
    DDCOLORKEY ddckCKDestBlt;
    DDCOLORKEY ddckCKSrcOverlay;
    DDCOLORKEY ddckCKSrcBlt;
    DDPIXELFORMAT ddpfPixelFormat;
    DDSCAPS2 ddsCaps;
    DWORD dwTextureStage;
};

struct DDBLTFX;

// One surface of the display device: the primary, its back buffer, or an
// off-screen surface holding a picture.
struct IDirectDrawSurface4 {
    HRESULT BltFast(DWORD x, DWORD y, IDirectDrawSurface4* source, RECT* sourceRect, DWORD flags);
    HRESULT Blt(RECT* destRect, IDirectDrawSurface4* source, RECT* sourceRect, DWORD flags,
                DDBLTFX* effects);
    HRESULT Flip(IDirectDrawSurface4* override, DWORD flags);
    HRESULT GetAttachedSurface(DDSCAPS2* wanted, IDirectDrawSurface4** out);
    HRESULT Restore();
    HRESULT GetSurfaceDesc(DDSURFACEDESC2* desc);
    HRESULT GetDC(HDC* out);
    HRESULT ReleaseDC(HDC given);
    HRESULT Lock(RECT* rect, DDSURFACEDESC2* desc, DWORD flags, void* event);
    HRESULT Unlock(RECT* rect);
    HRESULT SetColorKey(DWORD flags, DDCOLORKEY* key);
    ULONG Release();

    // The adapter's own bookkeeping.
    bool inUse;
    bool lost;
    bool isPrimary;
    bool isBackBuffer;
    bool hasKey;
    bool locked;
    uint32_t key;
    DWORD caps;
    // Written only through Lock/Unlock, GetDC/ReleaseDC and the copies:
    // a keyed picture keeps the opaque spans of what those last left in it.
    SDL_Surface* pixels;
    HDC dc;
    IDirectDrawSurface4* attached;  // the primary's back buffer
};

struct IDirectDraw4 {
    HRESULT SetCooperativeLevel(HWND window, DWORD flags);
    HRESULT SetDisplayMode(DWORD width, DWORD height, DWORD bitsPerPixel, DWORD refreshRate,
                           DWORD flags);
    HRESULT CreateSurface(DDSURFACEDESC2* desc, IDirectDrawSurface4** out, void* outer);
    ULONG Release();

    bool inUse;
};

// The first interface of a new device; it serves only to ask for the other.
struct IDirectDraw {
    HRESULT QueryInterface(const GUID& iid, void** out);
    ULONG Release();

    bool inUse;
};

HRESULT DirectDrawCreate(GUID* driver, IDirectDraw** out, void* outer);

// Test and recovery seams of the adapter.
namespace ddraw {
// Takes the memory of every surface away, as another program taking the
// screen would: each copy that touches one answers DDERR_SURFACELOST until it
// is restored.
void loseAllSurfaces();
// Marks one surface lost again: its contents are no use until the next
// Restore and reload.
void markLost(IDirectDrawSurface4* surface);
// Surfaces not yet released.
int liveSurfaces();
// Forgets every surface and device (a fresh process), freeing their pixels.
void reset();
}  // namespace ddraw
