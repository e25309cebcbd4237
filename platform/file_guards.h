// The guards in front of SDL's loaders. Bitmap and wave files are decoded by
// SDL and SDL_mixer, never by us; before either sees a file, its headers are
// read here and every file is refused whose header asks for more than the
// file itself can back, so that no header can make a loader allocate more
// than the file could fill, or read past its end. A refused file counts as a
// missing one: that picture is left out, that sound is silent.
//
// The checks are pure functions over the file's bytes, so each rule can be
// tried on its own; reading the file is a guard of its own too.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/limits.h"

// Little-endian fields of a file header.
inline uint16_t readLE16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
inline uint32_t readLE32(const unsigned char* p) {
    return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

// A run-length bitmap may unpack to at most this many pixels for each byte
// of its pixel data (see bitmapHeaderFits).
constexpr int64_t RlePixelsPerByte = 256;
// The largest bitmap file read: the largest picture the guard takes (32
// bits per pixel at MaxSide x MaxSide) with room for its headers.
constexpr int64_t MaxBitmapBytes = int64_t{MaxSide} * MaxSide * 4 + 65536;
// The largest wave file read; a kick is a few kilobytes.
constexpr int64_t MaxWaveBytes = int64_t{16} << 20;
// The most chunks of a wave file looked at before its samples.
constexpr int MaxWaveChunks = 64;

// What a bitmap file's header says of its picture.
struct BitmapHeader {
    int64_t width = 0;
    int64_t height = 0;  // rows, always positive
    bool topDown = false;
};

// True when `bytes` (a whole file of `size` bytes) is a bitmap whose header
// the file can back; `header` then holds its size.
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
// header and the pixels, and the pixels must lie in the file:
// uncompressed rows, with their padding to 4 bytes, must all be in the file.
// A run-length file can describe many pixels in a few bytes (255 in two, a
// jump over rows in four, the rest of the picture in two), so its size does
// not bound its picture: it may unpack to at most RlePixelsPerByte pixels
// for each byte of its pixel data, far more than any real picture needs,
// which keeps a 100-byte file from asking for more than 25,600 pixels.
bool bitmapHeaderFits(const unsigned char* bytes, size_t size, BitmapHeader& header);

// True when `bytes` (a whole file of `size` bytes) is a RIFF/WAVE file whose
// header the file can back: at least 12 and at most MaxWaveBytes bytes, the
// RIFF size within the file, and within it, among the first MaxWaveChunks
// chunks (each inside the RIFF size, padded to an even size), a "fmt "
// chunk of at least 16 bytes followed by a "data" chunk. Only RIFF/WAVE is
// taken: SDL_mixer would take other formats too, and a file of the right
// name in another format stays silent, as it always did.
bool waveHeaderFits(const unsigned char* bytes, size_t size);

// The whole file `name`, or nothing (an empty vector) when it is missing,
// unreadable, empty, larger than maxBytes, or not a regular file. A folder, a
// device or a pipe of that name is no picture or sound, and opening without
// blocking keeps a pipe nobody writes to from stopping the game.
std::vector<unsigned char> readRegularFile(const char* name, int64_t maxBytes);
