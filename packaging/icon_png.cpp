// Build-time tool: the game's icon bitmap as PNG pictures for the desktop's
// icon theme, each a whole multiple of the bitmap's size with square pixels.
//   pako-icon-png ICON.bmp SCALE OUTPUT.png [SCALE OUTPUT.png ...]
// The PNG is written uncompressed (stored deflate blocks): an icon is small,
// and no compression library is needed for it.
#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

uint32_t crcTable[256];

void makeCrcTable() {
    for (uint32_t n = 0; n < 256; ++n) {
        uint32_t c = n;
        for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        crcTable[n] = c;
    }
}

uint32_t crc(const unsigned char* data, size_t n) {
    uint32_t c = 0xFFFFFFFFu;
    for (size_t i = 0; i < n; ++i) c = crcTable[(c ^ data[i]) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

void put32(std::vector<unsigned char>& out, uint32_t v) {
    for (int s = 24; s >= 0; s -= 8) out.push_back(static_cast<unsigned char>(v >> s));
}

void chunk(std::vector<unsigned char>& out, const char* type,
           const std::vector<unsigned char>& data) {
    put32(out, static_cast<uint32_t>(data.size()));
    std::vector<unsigned char> body(type, type + 4);
    body.insert(body.end(), data.begin(), data.end());
    out.insert(out.end(), body.begin(), body.end());
    put32(out, crc(body.data(), body.size()));
}

// A zlib stream of stored blocks.
std::vector<unsigned char> zlibStored(const std::vector<unsigned char>& raw) {
    std::vector<unsigned char> z = {0x78, 0x01};
    size_t pos = 0;
    do {
        const size_t n = raw.size() - pos < 65535 ? raw.size() - pos : 65535;
        const bool last = pos + n == raw.size();
        z.push_back(last ? 1 : 0);
        z.push_back(static_cast<unsigned char>(n & 0xFF));
        z.push_back(static_cast<unsigned char>(n >> 8));
        z.push_back(static_cast<unsigned char>(~n & 0xFF));
        z.push_back(static_cast<unsigned char>((~n >> 8) & 0xFF));
        z.insert(z.end(), raw.begin() + static_cast<long>(pos),
                 raw.begin() + static_cast<long>(pos + n));
        pos += n;
    } while (pos < raw.size());
    uint32_t a = 1, b = 0;
    for (unsigned char c : raw) {
        a = (a + c) % 65521;
        b = (b + a) % 65521;
    }
    put32(z, (b << 16) | a);
    return z;
}

bool writePng(const SDL_Surface* rgba, int scale, const char* path) {
    const int w = rgba->w * scale, h = rgba->h * scale;
    std::vector<unsigned char> raw;
    raw.reserve(static_cast<size_t>(h) * (1 + 4 * static_cast<size_t>(w)));
    for (int y = 0; y < h; ++y) {
        raw.push_back(0);  // no filter
        const auto* row =
            static_cast<const unsigned char*>(rgba->pixels) + (y / scale) * rgba->pitch;
        for (int x = 0; x < w; ++x)
            raw.insert(raw.end(), row + (x / scale) * 4, row + (x / scale) * 4 + 4);
    }
    std::vector<unsigned char> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<unsigned char> header;
    put32(header, static_cast<uint32_t>(w));
    put32(header, static_cast<uint32_t>(h));
    header.insert(header.end(), {8, 6, 0, 0, 0});  // 8 bits, RGBA, deflate, no filter, no interlace
    chunk(png, "IHDR", header);
    chunk(png, "IDAT", zlibStored(raw));
    chunk(png, "IEND", {});
    FILE* f = std::fopen(path, "wb");
    if (!f) return false;
    const bool ok = std::fwrite(png.data(), 1, png.size(), f) == png.size();
    return std::fclose(f) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4 || argc % 2 != 0) {
        std::fprintf(stderr,
                     "usage: pako-icon-png ICON.bmp SCALE OUTPUT.png [SCALE OUTPUT.png ...]\n");
        return 2;
    }
    makeCrcTable();
    SDL_Surface* bmp = SDL_LoadBMP(argv[1]);
    if (!bmp) {
        std::fprintf(stderr, "pako-icon-png: %s: %s\n", argv[1], SDL_GetError());
        return 1;
    }
    SDL_Surface* rgba = SDL_ConvertSurfaceFormat(bmp, SDL_PIXELFORMAT_RGBA32, 0);
    SDL_FreeSurface(bmp);
    if (!rgba) {
        std::fprintf(stderr, "pako-icon-png: %s\n", SDL_GetError());
        return 1;
    }
    int status = 0;
    for (int i = 2; i + 1 < argc; i += 2) {
        const int scale = std::atoi(argv[i]);
        if (scale < 1 || scale > 64 || !writePng(rgba, scale, argv[i + 1])) {
            std::fprintf(stderr, "pako-icon-png: cannot write %s\n", argv[i + 1]);
            status = 1;
        }
    }
    SDL_FreeSurface(rgba);
    return status;
}
