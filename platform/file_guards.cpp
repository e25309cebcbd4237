#include "platform/file_guards.h"

#include <cstring>

#include "platform/os.h"

namespace {

constexpr uint32_t BI_RGB = 0, BI_RLE8 = 1, BI_RLE4 = 2, BI_BITFIELDS = 3;

}  // namespace

bool bitmapHeaderFits(const unsigned char* bytes, size_t size, BitmapHeader& header) {
    const unsigned char* const p = bytes;
    if (!p || size < 14 + 4 || p[0] != 'B' || p[1] != 'M') return false;
    const int64_t fileSize = static_cast<int64_t>(size);
    const int64_t dataOffset = readLE32(p + 10);
    const int64_t headerSize = readLE32(p + 14);
    if (14 + headerSize > fileSize) return false;  // cut off in the header
    int64_t width, height;
    uint32_t bits, compression = BI_RGB, coloursUsed = 0;
    int64_t paletteEntry = 4, masks = 0;
    if (headerSize == 12) {
        width = readLE16(p + 18);
        height = readLE16(p + 20);
        bits = readLE16(p + 24);
        paletteEntry = 3;
    } else if (headerSize >= 40) {
        width = static_cast<int32_t>(readLE32(p + 18));
        height = static_cast<int32_t>(readLE32(p + 22));
        bits = readLE16(p + 28);
        compression = readLE32(p + 30);
        coloursUsed = readLE32(p + 46);
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
    // The pixels, from dataOffset to the end of the file: a file whose pixel
    // data would start at or past its end has none, and the rules below
    // refuse it.
    const int64_t dataBytes = fileSize - dataOffset;

    if (compression == BI_RLE8 || compression == BI_RLE4)
        return width * height <= RlePixelsPerByte * dataBytes;
    const int64_t rowBytes = (width * bits + 31) / 32 * 4;
    return rowBytes * height <= dataBytes;
}

bool waveHeaderFits(const unsigned char* bytes, size_t size) {
    const unsigned char* const p = bytes;
    const int64_t fileSize = static_cast<int64_t>(size);
    if (!p || fileSize < 12 || fileSize > MaxWaveBytes) return false;
    if (std::memcmp(p, "RIFF", 4) != 0 || std::memcmp(p + 8, "WAVE", 4) != 0) return false;
    const int64_t riffEnd = int64_t{readLE32(p + 4)} + 8;
    if (riffEnd > fileSize) return false;
    bool format = false;
    int64_t at = 12;
    for (int n = 0; n < MaxWaveChunks && at + 8 <= riffEnd; ++n) {
        const unsigned char* chunk = p + at;
        const int64_t chunkSize = readLE32(chunk + 4);
        if (at + 8 + chunkSize > riffEnd) return false;  // a chunk reaching past the end
        if (std::memcmp(chunk, "fmt ", 4) == 0) {
            if (chunkSize < 16) return false;
            format = true;
        } else if (std::memcmp(chunk, "data", 4) == 0) {
            return format;  // the samples follow the format, or the file is no wave
        }
        at += 8 + chunkSize + (chunkSize & 1);  // chunks are padded to even sizes
    }
    return false;
}

// The reading itself is the system's (binary, never blocking): platform/os.h.
std::vector<unsigned char> readRegularFile(const char* name, int64_t maxBytes) {
    return os::readRegularFile(name, maxBytes);
}
