#include "platform/gdi.h"

#include <SDL.h>

#include <cstring>
#include <vector>

#include "platform/backend.h"
#include "platform/file_guards.h"
#include "platform/resources.h"

struct GdiObject {
    SDL_Surface* surface;
};

struct DeviceContext {
    bool inUse;
    bool memory;          // a memory context: draws on the selected bitmap
    SDL_Surface* target;  // a surface context: draws on this surface
    GdiObject* selected;
};

namespace {

constexpr int MaxContexts = 16;
DeviceContext contexts[MaxContexts];
int liveBitmaps = 0;

HDC newContext(bool memory, SDL_Surface* target) {
    for (DeviceContext& dc : contexts) {
        if (!dc.inUse) {
            dc = DeviceContext{true, memory, target, nullptr};
            return &dc;
        }
    }
    return nullptr;
}

bool validContext(HDC dc) {
    return dc && dc >= contexts && dc < contexts + MaxContexts && dc->inUse;
}

SDL_Surface* contextSurface(HDC dc) {
    if (!validContext(dc)) return nullptr;
    if (dc->memory) return dc->selected ? dc->selected->surface : nullptr;
    return dc->target;
}

// Reads pixel (x, y) of a surface of 1 to 4 bytes per pixel as a raw value.
uint32_t readRaw(SDL_Surface* s, int x, int y) {
    const uint8_t* p =
        static_cast<const uint8_t*>(s->pixels) + y * s->pitch + x * s->format->BytesPerPixel;
    switch (s->format->BytesPerPixel) {
        case 1: return *p;
        case 2: {
            uint16_t v;
            std::memcpy(&v, p, 2);
            return v;
        }
        case 3: return p[0] | (p[1] << 8) | (p[2] << 16);
        default: {
            uint32_t v;
            std::memcpy(&v, p, 4);
            return v;
        }
    }
}

void writeRaw(SDL_Surface* s, int x, int y, uint32_t v) {
    uint8_t* p = static_cast<uint8_t*>(s->pixels) + y * s->pitch + x * s->format->BytesPerPixel;
    switch (s->format->BytesPerPixel) {
        case 1: *p = static_cast<uint8_t>(v); break;
        case 2: {
            uint16_t w = static_cast<uint16_t>(v);
            std::memcpy(p, &w, 2);
            break;
        }
        case 3:
            p[0] = v & 0xFF;
            p[1] = (v >> 8) & 0xFF;
            p[2] = (v >> 16) & 0xFF;
            break;
        default: std::memcpy(p, &v, 4); break;
    }
}

bool insideSurface(SDL_Surface* s, int x, int y, int w, int h) {
    return s && w > 0 && h > 0 && x >= 0 && y >= 0 && x <= s->w - w && y <= s->h - h;
}

}  // namespace

SDL_Surface* gdiDecodeBitmap(const void* data, size_t size) {
    const auto* bytes = static_cast<const unsigned char*>(data);
    BitmapHeader header;
    if (!bytes || size > static_cast<size_t>(INT32_MAX) || !bitmapHeaderFits(bytes, size, header))
        return nullptr;
    SDL_RWops* rw = SDL_RWFromConstMem(data, static_cast<int>(size));
    if (!rw) return nullptr;
    SDL_Surface* s = SDL_LoadBMP_RW(rw, 1);
    if (!s) return nullptr;
    // Nothing downstream trusts the loader blindly: the picture must have the
    // size its header gave and a plain layout of 1 to 4 bytes a pixel, with
    // every row in memory.
    const SDL_PixelFormat* f = s->format;
    const bool sound = s->pixels && f && s->w == header.width && s->h == header.height &&
                       f->BytesPerPixel >= 1 && f->BytesPerPixel <= 4 &&
                       (f->BytesPerPixel > 1 || f->palette) && s->pitch >= s->w * f->BytesPerPixel;
    if (!sound) {
        SDL_FreeSurface(s);
        return nullptr;
    }
    // The copy that fills a surface is a plain SRCCOPY: no colour key, no
    // blending, whatever the file said about transparency.
    SDL_SetColorKey(s, SDL_FALSE, 0);
    SDL_SetSurfaceBlendMode(s, SDL_BLENDMODE_NONE);
    SDL_SetSurfaceRLE(s, 0);
    return s;
}

HGDIOBJ LoadImageA(HINSTANCE instance, const char* name, UINT type, int, int, UINT flags) {
    if (!name || type != IMAGE_BITMAP) return nullptr;
    if (backend::fault(backend::Op::LoadImage) != 0) return nullptr;
    SDL_Surface* s = nullptr;
    if (flags & LR_LOADFROMFILE) {
        if (instance) return nullptr;
        std::vector<unsigned char> bytes = readRegularFile(name, MaxBitmapBytes);
        if (!bytes.empty()) s = gdiDecodeBitmap(bytes.data(), bytes.size());
    } else {
        if (!instance) return nullptr;
        if (const EmbeddedFile* f = findResource(name)) s = gdiDecodeBitmap(f->data, f->size);
    }
    if (!s) return nullptr;
    ++liveBitmaps;
    return new GdiObject{s};
}

int GetObjectA(HGDIOBJ object, int size, void* out) {
    if (!object || !object->surface || !out || size < static_cast<int>(sizeof(BITMAP))) return 0;
    SDL_Surface* s = object->surface;
    BITMAP bm{0,        s->w, s->h, s->pitch, 1, static_cast<uint16_t>(s->format->BitsPerPixel),
              s->pixels};
    std::memcpy(out, &bm, sizeof bm);
    return sizeof bm;
}

HDC CreateCompatibleDC(HDC) {
    if (backend::fault(backend::Op::CreateCompatibleDC) != 0) return nullptr;
    return newContext(true, nullptr);
}

HGDIOBJ SelectObject(HDC dc, HGDIOBJ object) {
    if (!validContext(dc) || !dc->memory) return nullptr;
    GdiObject* previous = dc->selected;
    dc->selected = object;
    return previous;
}

BOOL StretchBlt(HDC dest, int x, int y, int width, int height, HDC src, int srcX, int srcY,
                int srcWidth, int srcHeight, DWORD rop) {
    SDL_Surface* to = contextSurface(dest);
    SDL_Surface* from = contextSurface(src);
    if (!to || !from || rop != SRCCOPY) return 0;
    // Both rectangles must lie wholly inside their pictures: a bitmap of a
    // size other than its surface's is scaled, never read or written past.
    if (!insideSurface(from, srcX, srcY, srcWidth, srcHeight) ||
        !insideSurface(to, x, y, width, height))
        return 0;
    SDL_Rect sr{srcX, srcY, srcWidth, srcHeight};
    SDL_Rect dr{x, y, width, height};
    if (srcWidth == width && srcHeight == height) return SDL_BlitSurface(from, &sr, to, &dr) == 0;
    SDL_Surface* converted = SDL_ConvertSurface(from, to->format, 0);
    if (!converted) return 0;
    SDL_SetSurfaceBlendMode(converted, SDL_BLENDMODE_NONE);
    const bool ok = SDL_BlitScaled(converted, &sr, to, &dr) == 0;
    SDL_FreeSurface(converted);
    return ok;
}

COLORREF GetPixel(HDC dc, int x, int y) {
    SDL_Surface* s = contextSurface(dc);
    if (!insideSurface(s, x, y, 1, 1) || SDL_LockSurface(s) != 0) return CLR_INVALID;
    uint8_t r, g, b;
    SDL_GetRGB(readRaw(s, x, y), s->format, &r, &g, &b);
    SDL_UnlockSurface(s);
    return RGB(r, g, b);
}

COLORREF SetPixel(HDC dc, int x, int y, COLORREF colour) {
    SDL_Surface* s = contextSurface(dc);
    if (!insideSurface(s, x, y, 1, 1) || SDL_LockSurface(s) != 0) return CLR_INVALID;
    const uint32_t raw =
        SDL_MapRGB(s->format, colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
    writeRaw(s, x, y, raw);
    uint8_t r, g, b;
    SDL_GetRGB(raw, s->format, &r, &g, &b);
    SDL_UnlockSurface(s);
    return RGB(r, g, b);
}

BOOL DeleteDC(HDC dc) {
    if (!validContext(dc) || !dc->memory) return 0;
    dc->inUse = false;
    return 1;
}

BOOL DeleteObject(HGDIOBJ object) {
    if (!object) return 0;
    for (DeviceContext& dc : contexts)
        if (dc.inUse && dc.selected == object) dc.selected = nullptr;
    SDL_FreeSurface(object->surface);
    delete object;
    --liveBitmaps;
    return 1;
}

HDC gdiCreateSurfaceDC(SDL_Surface* surface) {
    return surface ? newContext(false, surface) : nullptr;
}

void gdiDeleteSurfaceDC(HDC dc) {
    if (validContext(dc) && !dc->memory) dc->inUse = false;
}

int gdiLiveObjects() {
    int n = liveBitmaps;
    for (const DeviceContext& dc : contexts) n += dc.inUse ? 1 : 0;
    return n;
}
