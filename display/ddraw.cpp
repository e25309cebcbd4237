#include "display/ddraw.h"

#include <SDL.h>

#include <cstring>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "platform/backend.h"
#include "platform/gdi.h"

const GUID IID_IDirectDraw4 = {
    0x9C59509A, 0x39BD, 0x11D1, {0x8C, 0x4A, 0x00, 0xC0, 0x4F, 0xD9, 0x30, 0xC5}};

struct DDBLTFX {
    DWORD dwSize;
};

namespace {

constexpr HRESULT DDERR_NOTFOUND = static_cast<HRESULT>(0x887600FFu);
constexpr HRESULT DDERR_INVALIDMODE = static_cast<HRESULT>(0x88760078u);
constexpr int MaxSurfaces = 256;
constexpr int MaxSide = 16384;

IDirectDrawSurface4 surfaces[MaxSurfaces];
IDirectDraw firstInterface;
IDirectDraw4 device;
int modeWidth = 640;
int modeHeight = 480;

// The opaque spans of each row of a keyed picture: where its pixels differ
// from the key, as pairs of first and one-past-last column. With them a
// keyed copy moves whole spans and never looks at a key pixel. They are
// found when the key is set and again whenever the picture may have been
// drawn into (after ReleaseDC and Unlock); anything else that writes to a
// surface forgets them, and its keyed copies go pixel group by pixel group.
// Finding them again for the same picture reuses the memory they had, so a
// picture reloaded after a surface loss allocates nothing.
struct KeyRuns {
    bool valid = false;
    std::vector<uint32_t> rowStart;  // per row, its first entry in `edges`; one more at the end
    std::vector<uint16_t> edges;
};
KeyRuns keyRuns[MaxSurfaces];

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
    keyRuns[s - surfaces] = KeyRuns{};
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

uint16_t* row(SDL_Surface* s, int y) {
    return reinterpret_cast<uint16_t*>(static_cast<uint8_t*>(s->pixels) + y * s->pitch);
}

KeyRuns& runsOf(const IDirectDrawSurface4* s) { return keyRuns[s - surfaces]; }

void forgetRuns(const IDirectDrawSurface4* s) { runsOf(s).valid = false; }

void findRuns(IDirectDrawSurface4* s) {
    KeyRuns& k = runsOf(s);
    k.valid = false;
    // A key no 16-bit pixel can equal needs no spans: every pixel is drawn.
    if (!s->hasKey || s->key > 0xFFFF) return;
    const auto key = static_cast<uint16_t>(s->key);
    const int w = s->pixels->w, h = s->pixels->h;
    k.rowStart.resize(static_cast<size_t>(h) + 1);
    k.edges.clear();
    for (int y = 0; y < h; ++y) {
        k.rowStart[y] = static_cast<uint32_t>(k.edges.size());
        const uint16_t* p = row(s->pixels, y);
        for (int x = 0; x < w;) {
            while (x < w && p[x] == key) ++x;
            if (x == w) break;
            const int first = x;
            while (x < w && p[x] != key) ++x;
            k.edges.push_back(static_cast<uint16_t>(first));
            k.edges.push_back(static_cast<uint16_t>(x));
        }
    }
    k.rowStart[h] = static_cast<uint32_t>(k.edges.size());
    k.valid = true;
}

// Calls copy(first, last) for each opaque span of row y of a picture whose
// spans are known, cut to the columns [left, right).
template <typename Copy>
void eachSpan(const KeyRuns& k, int y, int64_t left, int64_t right, Copy copy) {
    for (uint32_t e = k.rowStart[y]; e < k.rowStart[y + 1]; e += 2) {
        const int64_t first = k.edges[e] < left ? left : k.edges[e];
        const int64_t last = k.edges[e + 1] > right ? right : k.edges[e + 1];
        if (first >= right) break;
        if (first < last) copy(first, last);
    }
}

// The copies below run on validated rectangles only: both lie wholly inside
// their surfaces, and the source and destination sizes are those given.

void copyRows(IDirectDrawSurface4* to, int x, int y, IDirectDrawSurface4* from, const RECT& r) {
    const size_t bytes = static_cast<size_t>(r.right - r.left) * 2;
    for (int sy = r.top; sy < r.bottom; ++sy)
        std::memmove(row(to->pixels, y + sy - r.top) + x, row(from->pixels, sy) + r.left, bytes);
}

// One row of a keyed copy: every source pixel but those of the key. The
// key is kept at full width, so a key above 0xFFFF matches no pixel. With
// SSE2 (every x86-64 processor) eight pixels go at a time: a group wholly of
// the key is passed over, one without it stored whole, and a mixed one
// blended with what the destination holds. The row's tail is the last eight
// pixels again, which gives the same result a second time; this needs the
// source and destination to be different surfaces.
void keyedRow(uint16_t* dst, const uint16_t* src, int n, uint32_t key) {
    int i = 0;
#if defined(__SSE2__)
    if (n >= 8 && key <= 0xFFFF) {
        const __m128i keys = _mm_set1_epi16(static_cast<short>(key));
        auto group = [&](int at) {
            __m128i px = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + at));
            const __m128i isKey = _mm_cmpeq_epi16(px, keys);
            const int mask = _mm_movemask_epi8(isKey);
            if (mask == 0xFFFF) return;
            __m128i* out = reinterpret_cast<__m128i*>(dst + at);
            if (mask != 0)
                px = _mm_or_si128(_mm_and_si128(isKey, _mm_loadu_si128(out)),
                                  _mm_andnot_si128(isKey, px));
            _mm_storeu_si128(out, px);
        };
        for (; i + 8 <= n; i += 8) group(i);
        if (i < n) group(n - 8);
        return;
    }
#endif
    for (; i < n; ++i)
        if (src[i] != key) dst[i] = src[i];
}

void copyKeyed(IDirectDrawSurface4* to, int x, int y, IDirectDrawSurface4* from, const RECT& r) {
    const uint32_t key = from->key;
    const int width = r.right - r.left;
    if (to == from) {
        // A surface onto itself: pixel by pixel, in reading order.
        for (int sy = r.top; sy < r.bottom; ++sy) {
            const uint16_t* src = row(from->pixels, sy) + r.left;
            uint16_t* dst = row(to->pixels, y + sy - r.top) + x;
            for (int i = 0; i < width; ++i)
                if (src[i] != key) dst[i] = src[i];
        }
        return;
    }
    const KeyRuns& k = runsOf(from);
    if (!k.valid) {
        for (int sy = r.top; sy < r.bottom; ++sy)
            keyedRow(row(to->pixels, y + sy - r.top) + x, row(from->pixels, sy) + r.left, width,
                     key);
        return;
    }
    // Span by span, each cut to the columns the rectangle takes.
    for (int sy = r.top; sy < r.bottom; ++sy) {
        const uint16_t* src = row(from->pixels, sy);
        uint16_t* dst = row(to->pixels, y + sy - r.top) + x;
        eachSpan(k, sy, r.left, r.right, [&](int64_t first, int64_t last) {
            std::memcpy(dst + (first - r.left), src + first, static_cast<size_t>(last - first) * 2);
        });
    }
}

// Nearest-neighbour scaling: destination pixel i of a row of n takes source
// pixel i * m / n of the m the source row has, and destination row j of h
// takes source row j * g / h. The source column of every destination column
// is worked out once a copy, into a table as wide as a surface can be; each
// source row used is scaled once into `scaledRow` and then copied, keyed or
// not, into every destination row that takes it.
// Where the scale is near 1 the columns fall into long runs of neighbouring
// source pixels, and a row is scaled run by run with memcpy.
int32_t columnOf[MaxSide];
uint16_t scaledRow[MaxSide];
struct ColumnRun {
    int32_t to, from, count;
};
ColumnRun columnRuns[MaxSide];

// A keyed stretch of a picture whose opaque spans are known. Destination
// column i shows source column columnOf[i], which never decreases with i, so
// the columns showing a source span [a, b) are those from firstColumnOf[a]
// up to firstColumnOf[b]: each span turns into one stretch of the
// destination row, and no key pixel is read. Near scale 1 a stretch is
// copied by the column runs it crosses, with memcpy; otherwise pixel by
// pixel through the column table.
int32_t firstColumnOf[MaxSide + 1];

void stretchSpans(IDirectDrawSurface4* to, const RECT& d, IDirectDrawSurface4* from, const RECT& s,
                  int runs, bool byRuns) {
    const int64_t dw = d.right - d.left, dh = d.bottom - d.top;
    const int64_t sw = s.right - s.left, sh = s.bottom - s.top;
    for (int64_t c = 0, i = 0; c <= sw; ++c) {
        while (i < dw && columnOf[i] < c) ++i;
        firstColumnOf[c] = static_cast<int32_t>(i);
    }
    const KeyRuns& k = runsOf(from);
    for (int64_t j = 0; j < dh; ++j) {
        const int sy = static_cast<int>(s.top + j * sh / dh);
        const uint16_t* src = row(from->pixels, sy) + s.left;
        uint16_t* dst = row(to->pixels, static_cast<int>(d.top + j)) + d.left;
        int r = 0;  // the first column run not wholly left of the stretch
        eachSpan(k, sy, s.left, s.right, [&](int64_t first, int64_t last) {
            const int32_t i0 = firstColumnOf[first - s.left], i1 = firstColumnOf[last - s.left];
            if (!byRuns) {
                for (int32_t i = i0; i < i1; ++i) dst[i] = src[columnOf[i]];
                return;
            }
            while (r < runs && columnRuns[r].to + columnRuns[r].count <= i0) ++r;
            for (int q = r; q < runs && columnRuns[q].to < i1; ++q) {
                const ColumnRun& run = columnRuns[q];
                const int32_t a = run.to > i0 ? run.to : i0;
                const int32_t b = run.to + run.count < i1 ? run.to + run.count : i1;
                std::memcpy(dst + a, src + run.from + (a - run.to), static_cast<size_t>(b - a) * 2);
            }
        });
    }
}

void copyStretched(IDirectDrawSurface4* to, const RECT& d, IDirectDrawSurface4* from, const RECT& s,
                   bool keyed) {
    const int64_t dw = d.right - d.left, dh = d.bottom - d.top;
    const int64_t sw = s.right - s.left, sh = s.bottom - s.top;
    const uint32_t key = keyed ? from->key : 0xFFFFFFFFu;
    for (int64_t i = 0; i < dw; ++i) columnOf[i] = static_cast<int32_t>(i * sw / dw);
    const int n = static_cast<int>(dw);
    int runs = 0;
    for (int i = 0; i < n; ++i) {
        if (runs > 0) {
            ColumnRun& last = columnRuns[runs - 1];
            if (columnOf[i] == last.from + last.count) {
                ++last.count;
                continue;
            }
        }
        columnRuns[runs++] = ColumnRun{i, columnOf[i], 1};
    }
    const bool byRuns = runs * 8 <= n;
    if (to != from && key <= 0xFFFF && runsOf(from).valid) {
        stretchSpans(to, d, from, s, runs, byRuns);
        return;
    }
    int64_t scaledFrom = -1;
    for (int64_t j = 0; j < dh; ++j) {
        const int64_t sy = s.top + j * sh / dh;
        const uint16_t* src = row(from->pixels, static_cast<int>(sy)) + s.left;
        uint16_t* dst = row(to->pixels, static_cast<int>(d.top + j)) + d.left;
        if (to == from) {
            // A surface onto itself: pixel by pixel, each read before it
            // may be written.
            for (int i = 0; i < n; ++i) {
                const uint16_t p = src[columnOf[i]];
                if (p != key) dst[i] = p;
            }
            continue;
        }
        // Rows of the same width need no scaling: the source row itself.
        const uint16_t* line = src;
        if (sw != dw) {
            if (sy != scaledFrom) {
                if (byRuns) {
                    for (int r = 0; r < runs; ++r)
                        std::memcpy(scaledRow + columnRuns[r].to, src + columnRuns[r].from,
                                    static_cast<size_t>(columnRuns[r].count) * 2);
                } else {
                    for (int i = 0; i < n; ++i) scaledRow[i] = src[columnOf[i]];
                }
                scaledFrom = sy;
            }
            line = scaledRow;
        }
        if (key > 0xFFFF)
            std::memcpy(dst, line, static_cast<size_t>(n) * 2);
        else
            keyedRow(dst, line, n, key);
    }
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
        copyKeyed(this, static_cast<int>(x), static_cast<int>(y), source, r);
    else
        copyRows(this, static_cast<int>(x), static_cast<int>(y), source, r);
    forgetRuns(this);
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
    copyStretched(this, d, source, s, (flags & DDBLT_KEYSRC) && source->hasKey);
    forgetRuns(this);
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
        forgetRuns(s);
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
    forgetRuns(this);
    *out = dc;
    return DD_OK;
}

HRESULT IDirectDrawSurface4::ReleaseDC(HDC given) {
    if (HRESULT hr = fault(Op::ReleaseDC)) return hr;
    if (!live(this) || !given || given != dc) return DDERR_INVALIDPARAMS;
    gdiDeleteSurfaceDC(dc);
    dc = nullptr;
    findRuns(this);
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
    forgetRuns(this);
    return DD_OK;
}

HRESULT IDirectDrawSurface4::Unlock(RECT*) {
    if (HRESULT hr = fault(Op::Unlock)) return hr;
    if (!live(this)) return DDERR_INVALIDPARAMS;
    if (!locked) return DDERR_NOTLOCKED;
    locked = false;
    findRuns(this);
    return DD_OK;
}

HRESULT IDirectDrawSurface4::SetColorKey(DWORD flags, DDCOLORKEY* colorKey) {
    if (HRESULT hr = fault(Op::SetColorKey)) return hr;
    if (!live(this) || flags != DDCKEY_SRCBLT) return DDERR_INVALIDPARAMS;
    hasKey = colorKey != nullptr;
    // Kept at full width: a key no 16-bit pixel can equal (0xFFFFFFFF, the
    // answer of a failed match) leaves every pixel drawn.
    key = colorKey ? colorKey->dwColorSpaceLowValue : 0;
    findRuns(this);
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
    modeWidth = 640;
    modeHeight = 480;
}

}  // namespace ddraw
