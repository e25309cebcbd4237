// File formats the game reads: Windows bitmaps (24-bit, 8-bit with a
// palette, and 32-bit with alpha for the window's icon), 16-bit PCM wave
// files, and the desktop icons as PNG.
#pragma once

#include <cstdint>
#include <vector>

#include "canvas.h"

namespace ag {

using Bytes = std::vector<uint8_t>;

// Uncompressed, bottom-up, 24 bits per pixel.
Bytes bmp24(const Image& im);
// Uncompressed, bottom-up, 8 bits per pixel; biClrUsed is the palette's size.
Bytes bmp8(int w, int h, const std::vector<uint8_t>& indices, const std::vector<Rgb>& palette);

struct Rgba {
    uint8_t r = 0, g = 0, b = 0, a = 0;
};
// Uncompressed, bottom-up, 32 bits per pixel with straight alpha: a
// BITMAPV4HEADER whose bit fields give the alpha channel its own mask, so
// that readers keep the transparency instead of taking the picture as opaque.
Bytes bmp32(int w, int h, const std::vector<Rgba>& px);

// RIFF/WAVE, PCM, 16-bit, mono.
Bytes wav16(const std::vector<int16_t>& samples, int rate);

// 8-bit RGBA PNG, compressed with our own deflate.
Bytes png(int w, int h, const std::vector<Rgba>& px);

// zlib stream of the data (deflate with fixed Huffman codes).
Bytes zlibCompress(const Bytes& data);
uint32_t crc32(const uint8_t* p, size_t n, uint32_t crc = 0);

}  // namespace ag
