#include "platform/gdi.h"

#include <SDL.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/backend.h"
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

uint32_t le32(const unsigned char* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
uint16_t le16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

// Bitmap files are decoded by SDL's loader; we never parse pixels ourselves.
// Before the loader runs, the headers are read here and every file is
// refused whose header asks for more than the file itself can back, so that
// no header can make the loader allocate more than the file could fill. A
// refused bitmap is treated as a missing one: that picture is left out.
//
// What is taken, and what a player gets from it:
//  - the core header of 12 bytes (sizes are unsigned 16-bit there, so such a
//    picture is always stored bottom-up) and every info header of 40 bytes
//    or more (40, 52, 56, 108, 124, and the 64-byte one of the other system,
//    where its first 40 bytes agree);
//  - 1, 2, 4, 8, 16, 24 and 32 bits per pixel, bottom-up or top-down (a
//    negative height): a picture like any other, drawn the right way up;
//  - uncompressed, run-length (8 bits with RLE8, 4 bits with RLE4, always
//    bottom-up) and bit-field pixels (16 and 32 bits). A layout of bit
//    fields that SDL cannot express is refused by SDL itself;
//  - an alpha channel is ignored: the game has no blending, its transparent
//    colour is the sprite's colour key, so a 32-bit picture shows opaque.
// Refused: anything else (JPEG and PNG inside a bitmap, Huffman and 24-bit
// run-length of the other system, alpha bit fields, 64 bits per pixel).
//
// Sizes: width 1 to MaxSide; height 1 to MaxSide, or -1 to -MaxSide for a
// top-down picture. The palette and the bit masks must lie between the
// header and the pixels, and the pixels must start inside the file.
// Uncompressed rows, with their padding to 4 bytes, must all be in the file.
// A run-length file can describe many pixels in a few bytes (255 in two, a
// jump over rows in four, the rest of the picture in two), so its size does
// not bound its picture: it may unpack to at most RlePixelsPerByte pixels
// for each byte of its pixel data, far more than any real picture needs,
// which keeps a 100-byte file from asking for more than 25,600 pixels.

// The largest picture side accepted; nothing of the game comes near it, and
// it keeps a hostile header from asking for gigabytes.
constexpr int64_t MaxSide = 16384;
constexpr int64_t RlePixelsPerByte = 256;
// The largest file read: the largest picture the guard accepts (32 bits per
// pixel at MaxSide x MaxSide) with room for its headers.
constexpr int64_t MaxFileBytes = MaxSide * MaxSide * 4 + 65536;

constexpr uint32_t BI_RGB = 0, BI_RLE8 = 1, BI_RLE4 = 2, BI_BITFIELDS = 3;

struct BitmapHeader {
    int64_t width = 0;
    int64_t height = 0;  // rows, always positive
    bool topDown = false;
};

bool headerPlausible(const unsigned char* p, size_t size, BitmapHeader& header) {
    if (size < 14 + 4 || p[0] != 'B' || p[1] != 'M') return false;
    const int64_t fileSize = static_cast<int64_t>(size);
    const int64_t dataOffset = le32(p + 10);
    const int64_t headerSize = le32(p + 14);
    if (14 + headerSize > fileSize) return false;  // cut off in the header
    int64_t width, height;
    uint32_t bits, compression = BI_RGB, coloursUsed = 0;
    int64_t paletteEntry = 4, masks = 0;
    if (headerSize == 12) {
        width = le16(p + 18);
        height = le16(p + 20);
        bits = le16(p + 24);
        paletteEntry = 3;
    } else if (headerSize >= 40) {
        width = static_cast<int32_t>(le32(p + 18));
        height = static_cast<int32_t>(le32(p + 22));
        bits = le16(p + 28);
        compression = le32(p + 30);
        coloursUsed = le32(p + 46);
        // The other system's 64-byte header numbers its compressions
        // differently from 3 on (Huffman, 24-bit run-length): none is taken.
        if (headerSize == 64 && compression > BI_RLE4) return false;
        // Bit masks follow a 40-byte header; longer headers hold them.
        if (compression == BI_BITFIELDS && headerSize < 52) masks = 12;
    } else {
        return false;
    }

    header.topDown = height < 0;
    if (header.topDown) height = -height;
    if (width < 1 || width > MaxSide || height < 1 || height > MaxSide) return false;
    header.width = width;
    header.height = height;

    switch (bits) {
        case 1:
        case 2:
        case 4:
        case 8:
        case 16:
        case 24:
        case 32: break;
        default: return false;
    }
    switch (compression) {
        case BI_RGB: break;
        case BI_RLE8:
            if (bits != 8 || header.topDown) return false;
            break;
        case BI_RLE4:
            if (bits != 4 || header.topDown) return false;
            break;
        case BI_BITFIELDS:
            if (bits != 16 && bits != 32) return false;
            break;
        default: return false;
    }

    // The palette SDL reads: the colours the header names, or all of them
    // when it names none or more than the depth can index.
    int64_t colours = 0;
    if (bits <= 8) {
        colours = int64_t{1} << bits;
        if (coloursUsed != 0 && coloursUsed < colours) colours = coloursUsed;
    }
    if (dataOffset < 14 + headerSize + masks + colours * paletteEntry) return false;
    if (dataOffset >= fileSize) return false;
    const int64_t dataBytes = fileSize - dataOffset;

    if (compression == BI_RLE8 || compression == BI_RLE4)
        return width * height <= RlePixelsPerByte * dataBytes;
    const int64_t rowBytes = (width * bits + 31) / 32 * 4;
    return rowBytes * height <= dataBytes;
}

// The whole file `name` in the working directory, or nothing. Only a
// regular file is read: a folder, a device or a pipe of that name is no
// bitmap, and opening without blocking keeps a pipe nobody writes to from
// stopping the game.
std::vector<unsigned char> readFile(const char* name) {
    std::vector<unsigned char> bytes;
    const int fd = open(name, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return bytes;
    struct stat st;
    if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0 &&
        st.st_size <= MaxFileBytes) {
        bytes.resize(static_cast<size_t>(st.st_size));
        size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = read(fd, bytes.data() + done, bytes.size() - done);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            done += static_cast<size_t>(n);
        }
        // A file that shrank or could not be read is no bitmap of ours.
        if (done != bytes.size()) bytes.clear();
    }
    close(fd);
    return bytes;
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
    if (!bytes || size > static_cast<size_t>(INT32_MAX) || !headerPlausible(bytes, size, header))
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
        std::vector<unsigned char> bytes = readFile(name);
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
