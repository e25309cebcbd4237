#include "platform/ddraw.h"

#include <SDL.h>

#include <cstring>

#include "platform/backend.h"
#include "platform/blit.h"
#include "platform/gdi.h"
#include "platform/limits.h"

struct DDBLTFX {
    DWORD dwSize;
};

namespace {

constexpr HRESULT DDERR_NOTFOUND = static_cast<HRESULT>(0x887600FFu);
constexpr HRESULT DDERR_INVALIDMODE = static_cast<HRESULT>(0x88760078u);
constexpr int MaxSurfaces = 256;

IDirectDrawSurface4 surfaces[MaxSurfaces];
IDirectDraw firstInterface;
IDirectDraw4 device;
// The mode's size before the game sets one: the size the game asks for.
constexpr int DefaultModeWidth = 640, DefaultModeHeight = 480;
int modeWidth = DefaultModeWidth;
int modeHeight = DefaultModeHeight;

// The opaque spans of each keyed picture (platform/blit.h). They are
// found when the key is set and again whenever the picture may have been
// drawn into (after ReleaseDC and Unlock); anything else that writes to a
// surface forgets them, and its keyed copies go pixel group by pixel group.
// Made on first use and never destroyed: the sprites release their surfaces
// at process exit, when the objects of this file may already be gone.
blit::KeySpans& keySpans(const IDirectDrawSurface4* s) {
    static auto* const all = new blit::KeySpans[MaxSurfaces];
    return all[s - surfaces];
}

using backend::fault;
using backend::Op;

IDirectDrawSurface4* newSurface(int width, int height, DWORD caps) {
    for (IDirectDrawSurface4& s : surfaces) {
        if (s.inUse) continue;
        SDL_Surface* pixels =
            SDL_CreateRGBSurfaceWithFormat(0, width, height, 16, SDL_PIXELFORMAT_RGB565);
        if (!pixels) return nullptr;
        s = IDirectDrawSurface4{};
        s.inUse = true;
        s.caps = caps;
        s.pixels = pixels;
        return &s;
    }
    return nullptr;
}

void freeSurface(IDirectDrawSurface4* s) {
    if (s->dc) gdiDeleteSurfaceDC(s->dc);
    SDL_FreeSurface(s->pixels);
    keySpans(s) = blit::KeySpans{};
    *s = IDirectDrawSurface4{};
}

bool live(const IDirectDrawSurface4* s) {
    return s && s >= surfaces && s < surfaces + MaxSurfaces && s->inUse;
}

bool emptyRect(const RECT& r) { return r.right <= r.left || r.bottom <= r.top; }

RECT wholeSurface(const IDirectDrawSurface4* s) { return RECT{0, 0, s->pixels->w, s->pixels->h}; }

bool insideSurface(const RECT& r, const IDirectDrawSurface4* s) {
    return r.left >= 0 && r.top >= 0 && r.right <= s->pixels->w && r.bottom <= s->pixels->h;
}

void forgetSpans(const IDirectDrawSurface4* s) { keySpans(s).valid = false; }

// Finds the opaque spans of a keyed picture again: after its key is set and
// whenever it may have been drawn into (after ReleaseDC and Unlock).
void findSpans(IDirectDrawSurface4* s) {
    if (s->hasKey)
        blit::findSpans(s->pixels, s->key, keySpans(s));
    else
        forgetSpans(s);
}

void fillDescription(const IDirectDrawSurface4* s, DDSURFACEDESC2* desc) {
    const DWORD size = desc->dwSize;
    *desc = DDSURFACEDESC2{};
    desc->dwSize = size;
    desc->dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH | DDSD_PITCH | DDSD_PIXELFORMAT;
    desc->dwWidth = static_cast<DWORD>(s->pixels->w);
    desc->dwHeight = static_cast<DWORD>(s->pixels->h);
    desc->lPitch = s->pixels->pitch;
    desc->ddsCaps.dwCaps = s->caps;
    DDPIXELFORMAT& pf = desc->ddpfPixelFormat;
    pf.dwSize = sizeof(DDPIXELFORMAT);
    pf.dwFlags = DDPF_RGB;
    pf.dwRGBBitCount = 16;
    pf.dwRBitMask = 0xF800;
    pf.dwGBitMask = 0x07E0;
    pf.dwBBitMask = 0x001F;
}

}  // namespace

HRESULT DirectDrawCreate(GUID* driver, IDirectDraw** out, void* outer) {
    if (HRESULT hr = fault(Op::DirectDrawCreate)) return hr;
    if (!out || driver || outer) return DDERR_INVALIDPARAMS;
    if (HRESULT hr = backend::displayCreate()) return hr;
    firstInterface.inUse = true;
    *out = &firstInterface;
    return DD_OK;
}

HRESULT IDirectDraw::QueryInterface(const GUID& iid, void** out) {
    if (HRESULT hr = fault(Op::QueryInterface)) return hr;
    if (!out) return DDERR_INVALIDPARAMS;
    if (std::memcmp(&iid, &IID_IDirectDraw4, sizeof iid) != 0) return DDERR_NOINTERFACE;
    device.inUse = true;
    *out = &device;
    return DD_OK;
}

ULONG IDirectDraw::Release() {
    inUse = false;
    return 0;
}

HRESULT IDirectDraw4::SetCooperativeLevel(HWND window, DWORD flags) {
    if (HRESULT hr = fault(Op::SetCooperativeLevel)) return hr;
    if (!window) return DDERR_INVALIDPARAMS;
    return backend::displaySetCooperativeLevel(flags);
}

HRESULT IDirectDraw4::SetDisplayMode(DWORD width, DWORD height, DWORD bits, DWORD, DWORD) {
    if (HRESULT hr = fault(Op::SetDisplayMode)) return hr;
    if (bits != 16 || width == 0 || height == 0 || width > MaxSide || height > MaxSide)
        return DDERR_INVALIDMODE;
    if (HRESULT hr = backend::displaySetMode(static_cast<int>(width), static_cast<int>(height), 16))
        return hr;
    modeWidth = static_cast<int>(width);
    modeHeight = static_cast<int>(height);
    return DD_OK;
}

HRESULT IDirectDraw4::CreateSurface(DDSURFACEDESC2* desc, IDirectDrawSurface4** out, void*) {
    if (HRESULT hr = fault(Op::CreateSurface)) return hr;
    if (!desc || !out || desc->dwSize != sizeof(DDSURFACEDESC2) || !(desc->dwFlags & DDSD_CAPS))
        return DDERR_INVALIDPARAMS;
    const DWORD caps = desc->ddsCaps.dwCaps;
    if (caps & DDSCAPS_PRIMARYSURFACE) {
        const DWORD chain = DDSCAPS_FLIP | DDSCAPS_COMPLEX;
        if ((caps & chain) != chain || !(desc->dwFlags & DDSD_BACKBUFFERCOUNT) ||
            desc->dwBackBufferCount != 1)
            return DDERR_INVALIDPARAMS;
        if (HRESULT hr = backend::displayCreatePrimary()) return hr;
        IDirectDrawSurface4* front = newSurface(modeWidth, modeHeight, caps);
        if (!front) return DDERR_OUTOFMEMORY;
        IDirectDrawSurface4* back =
            newSurface(modeWidth, modeHeight, DDSCAPS_BACKBUFFER | DDSCAPS_FLIP | DDSCAPS_COMPLEX);
        if (!back) {
            freeSurface(front);
            return DDERR_OUTOFMEMORY;
        }
        front->isPrimary = true;
        front->attached = back;
        back->isBackBuffer = true;
        *out = front;
        return DD_OK;
    }
    const DWORD size = DDSD_WIDTH | DDSD_HEIGHT;
    if ((desc->dwFlags & size) != size || desc->dwWidth == 0 || desc->dwHeight == 0 ||
        desc->dwWidth > MaxSide || desc->dwHeight > MaxSide)
        return DDERR_INVALIDPARAMS;
    IDirectDrawSurface4* s =
        newSurface(static_cast<int>(desc->dwWidth), static_cast<int>(desc->dwHeight), caps);
    if (!s) return DDERR_OUTOFMEMORY;
    *out = s;
    return DD_OK;
}

ULONG IDirectDraw4::Release() {
    if (inUse) backend::displayRelease();
    inUse = false;
    return 0;
}

HRESULT IDirectDrawSurface4::BltFast(DWORD x, DWORD y, IDirectDrawSurface4* source,
                                     RECT* sourceRect, DWORD flags) {
    if (HRESULT hr = fault(Op::BltFast)) return hr;
    if (!live(this) || !live(source)) return DDERR_INVALIDPARAMS;
    const RECT r = sourceRect ? *sourceRect : wholeSurface(source);
    if (emptyRect(r)) return DDERR_INVALIDRECT;
    if (lost || source->lost) return DDERR_SURFACELOST;
    const int64_t right = int64_t{x} + (r.right - r.left);
    const int64_t bottom = int64_t{y} + (r.bottom - r.top);
    if (!insideSurface(r, source) || right > pixels->w || bottom > pixels->h)
        return DDERR_INVALIDRECT;
    if ((flags & DDBLTFAST_SRCCOLORKEY) && source->hasKey)
        blit::copyKeyed(pixels, static_cast<int>(x), static_cast<int>(y), source->pixels, r,
                        source->key, keySpans(source));
    else
        blit::copyOpaque(pixels, static_cast<int>(x), static_cast<int>(y), source->pixels, r);
    forgetSpans(this);
    return DD_OK;
}

HRESULT IDirectDrawSurface4::Blt(RECT* destRect, IDirectDrawSurface4* source, RECT* sourceRect,
                                 DWORD flags, DDBLTFX*) {
    if (HRESULT hr = fault(Op::Blt)) return hr;
    if (!live(this) || !live(source)) return DDERR_INVALIDPARAMS;
    const RECT d = destRect ? *destRect : wholeSurface(this);
    const RECT s = sourceRect ? *sourceRect : wholeSurface(source);
    if (emptyRect(d) || emptyRect(s)) return DDERR_INVALIDRECT;
    if (lost || source->lost) return DDERR_SURFACELOST;
    if (!insideSurface(d, this) || !insideSurface(s, source)) return DDERR_INVALIDRECT;
    const bool keyed = (flags & DDBLT_KEYSRC) && source->hasKey;
    blit::copyStretched(pixels, d, source->pixels, s, keyed ? source->key : blit::NoKey,
                        keySpans(source));
    forgetSpans(this);
    return DD_OK;
}

HRESULT IDirectDrawSurface4::Flip(IDirectDrawSurface4*, DWORD) {
    if (HRESULT hr = fault(Op::Flip)) return hr;
    if (!live(this) || !isPrimary || !attached) return DDERR_NOTFLIPPABLE;
    if (lost || attached->lost) return DDERR_SURFACELOST;
    return backend::displayPresent(attached->pixels);
}

HRESULT IDirectDrawSurface4::GetAttachedSurface(DDSCAPS2* wanted, IDirectDrawSurface4** out) {
    if (HRESULT hr = fault(Op::GetAttachedSurface)) return hr;
    if (!live(this) || !wanted || !out) return DDERR_INVALIDPARAMS;
    if (!(wanted->dwCaps & DDSCAPS_BACKBUFFER) || !attached) return DDERR_NOTFOUND;
    *out = attached;
    return DD_OK;
}

HRESULT IDirectDrawSurface4::Restore() {
    if (HRESULT hr = fault(Op::Restore)) return hr;
    if (!live(this)) return DDERR_INVALIDOBJECT;
    // Memory that came back holds nothing of the old picture.
    auto restoreOne = [](IDirectDrawSurface4* s) {
        if (!s->lost) return;
        s->lost = false;
        forgetSpans(s);
        std::memset(s->pixels->pixels, 0, static_cast<size_t>(s->pixels->pitch) * s->pixels->h);
    };
    restoreOne(this);
    if (isPrimary && attached) restoreOne(attached);
    return DD_OK;
}

HRESULT IDirectDrawSurface4::GetSurfaceDesc(DDSURFACEDESC2* desc) {
    if (HRESULT hr = fault(Op::GetSurfaceDesc)) return hr;
    if (!live(this) || !desc || desc->dwSize != sizeof(DDSURFACEDESC2)) return DDERR_INVALIDPARAMS;
    fillDescription(this, desc);
    return DD_OK;
}

HRESULT IDirectDrawSurface4::GetDC(HDC* out) {
    if (HRESULT hr = fault(Op::GetDC)) return hr;
    if (!live(this) || !out) return DDERR_INVALIDPARAMS;
    if (lost) return DDERR_SURFACELOST;
    if (dc) return DDERR_DCALREADYCREATED;
    dc = gdiCreateSurfaceDC(pixels);
    if (!dc) return DDERR_NODC;
    forgetSpans(this);
    *out = dc;
    return DD_OK;
}

HRESULT IDirectDrawSurface4::ReleaseDC(HDC given) {
    if (HRESULT hr = fault(Op::ReleaseDC)) return hr;
    if (!live(this) || !given || given != dc) return DDERR_INVALIDPARAMS;
    gdiDeleteSurfaceDC(dc);
    dc = nullptr;
    findSpans(this);
    return DD_OK;
}

HRESULT IDirectDrawSurface4::Lock(RECT* rect, DDSURFACEDESC2* desc, DWORD, void*) {
    if (HRESULT hr = fault(Op::Lock)) return hr;
    if (!live(this) || rect || !desc || desc->dwSize != sizeof(DDSURFACEDESC2))
        return DDERR_INVALIDPARAMS;
    if (lost) return DDERR_SURFACELOST;
    fillDescription(this, desc);
    desc->dwFlags |= DDSD_LPSURFACE;
    desc->lpSurface = pixels->pixels;
    locked = true;
    forgetSpans(this);
    return DD_OK;
}

HRESULT IDirectDrawSurface4::Unlock(RECT*) {
    if (HRESULT hr = fault(Op::Unlock)) return hr;
    if (!live(this)) return DDERR_INVALIDPARAMS;
    if (!locked) return DDERR_NOTLOCKED;
    locked = false;
    findSpans(this);
    return DD_OK;
}

HRESULT IDirectDrawSurface4::SetColorKey(DWORD flags, DDCOLORKEY* colorKey) {
    if (HRESULT hr = fault(Op::SetColorKey)) return hr;
    if (!live(this) || flags != DDCKEY_SRCBLT) return DDERR_INVALIDPARAMS;
    hasKey = colorKey != nullptr;
    // Kept at full width: a key no 16-bit pixel can equal (0xFFFFFFFF, the
    // answer of a failed match) leaves every pixel drawn.
    key = colorKey ? colorKey->dwColorSpaceLowValue : 0;
    findSpans(this);
    return DD_OK;
}

ULONG IDirectDrawSurface4::Release() {
    if (!live(this)) return 0;
    // The back buffer belongs to the primary's chain and goes with it.
    if (isBackBuffer) return 1;
    if (attached) freeSurface(attached);
    freeSurface(this);
    return 0;
}

namespace ddraw {

void loseAllSurfaces() {
    for (IDirectDrawSurface4& s : surfaces)
        if (s.inUse) s.lost = true;
}

void markLost(IDirectDrawSurface4* surface) {
    if (surface && surface->inUse) surface->lost = true;
}

int liveSurfaces() {
    int n = 0;
    for (const IDirectDrawSurface4& s : surfaces) n += s.inUse ? 1 : 0;
    return n;
}

void reset() {
    for (IDirectDrawSurface4& s : surfaces)
        if (s.inUse) freeSurface(&s);
    firstInterface = IDirectDraw{};
    device = IDirectDraw4{};
    modeWidth = DefaultModeWidth;
    modeHeight = DefaultModeHeight;
}

}  // namespace ddraw
