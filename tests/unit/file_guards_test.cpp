// The guards in front of SDL's bitmap and wave loaders, rule by rule: each
// case starts from a file the guard takes and breaks one thing, so that a
// rule removed from the guard fails its case. The guards read only the
// bytes they are given; every file here is an exactly sized heap copy, so
// that under the sanitizers a read past its end fails too.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "harness/files.h"
#include "platform/file_guards.h"

namespace {

using Bytes = std::vector<unsigned char>;

void put16(Bytes& b, size_t at, uint32_t v) {
    b[at] = static_cast<unsigned char>(v);
    b[at + 1] = static_cast<unsigned char>(v >> 8);
}
void put32(Bytes& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<unsigned char>(v >> (8 * i));
}

// A bitmap file with an info header of headerSize bytes, `paletteBytes` of
// palette and masks and `dataBytes` of pixel data after it.
struct Bmp {
    int32_t width = 2, height = 2;
    uint32_t bits = 24, compression = 0, coloursUsed = 0, headerSize = 40;
    size_t paletteBytes = 0, dataBytes = 16;
    int64_t dataOffset = -1;  // -1: right after the palette

    Bytes bytes() const {
        const size_t offset = 14 + headerSize + paletteBytes;
        Bytes b(offset + dataBytes, 0);
        b[0] = 'B';
        b[1] = 'M';
        put32(b, 2, static_cast<uint32_t>(b.size()));
        put32(b, 10, static_cast<uint32_t>(dataOffset >= 0 ? dataOffset : int64_t(offset)));
        put32(b, 14, headerSize);
        if (headerSize == 12) {
            put16(b, 18, static_cast<uint32_t>(width));
            put16(b, 20, static_cast<uint32_t>(height));
            put16(b, 22, 1);
            put16(b, 24, bits);
        } else {
            put32(b, 18, static_cast<uint32_t>(width));
            put32(b, 22, static_cast<uint32_t>(height));
            put16(b, 26, 1);
            put16(b, 28, bits);
            put32(b, 30, compression);
            put32(b, 46, coloursUsed);
        }
        return b;
    }
};

bool fits(const Bytes& file) {
    // An exact copy on the heap: nothing past its end belongs to it.
    std::unique_ptr<unsigned char[]> exact(new unsigned char[file.size()]);
    std::memcpy(exact.get(), file.data(), file.size());
    BitmapHeader header;
    return bitmapHeaderFits(exact.get(), file.size(), header);
}
bool fits(const Bmp& bmp) { return fits(bmp.bytes()); }

TEST(BitmapGuard, TakesEveryDepthHeaderAndLayoutTheGameCanUse) {
    Bmp plain;
    BitmapHeader h;
    const Bytes b = plain.bytes();
    ASSERT_TRUE(bitmapHeaderFits(b.data(), b.size(), h));
    EXPECT_EQ(h.width, 2);
    EXPECT_EQ(h.height, 2);
    EXPECT_FALSE(h.topDown);

    Bmp topDown;
    topDown.height = -2;
    const Bytes t = topDown.bytes();
    ASSERT_TRUE(bitmapHeaderFits(t.data(), t.size(), h));
    EXPECT_EQ(h.height, 2);
    EXPECT_TRUE(h.topDown);

    // Each depth, with the palette it needs before its pixels.
    for (uint32_t bits : {1u, 2u, 4u, 8u, 16u, 24u, 32u}) {
        Bmp d;
        d.bits = bits;
        d.paletteBytes = bits <= 8 ? (size_t{1} << bits) * 4 : 0;
        d.dataBytes = 2 * static_cast<size_t>((2 * bits + 31) / 32 * 4);
        EXPECT_TRUE(fits(d)) << bits << " bits";
    }
    // Headers longer than 40 bytes (52 to 124) and the 12-byte core header,
    // whose palette entries are 3 bytes.
    for (uint32_t size : {52u, 56u, 64u, 108u, 124u}) {
        Bmp longer;
        longer.headerSize = size;
        EXPECT_TRUE(fits(longer)) << size << "-byte header";
    }
    Bmp core;
    core.headerSize = 12;
    core.bits = 8;
    core.paletteBytes = 256 * 3;
    core.dataBytes = 8;
    EXPECT_TRUE(fits(core));
}

TEST(BitmapGuard, RefusesFilesTooShortOrNotBitmaps) {
    Bmp ok;
    Bytes b = ok.bytes();
    b[1] = 'A';
    EXPECT_FALSE(fits(b)) << "no 'BM'";
    // Shorter than the file header and the header's own size field.
    EXPECT_FALSE(fits(Bytes{'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 40, 0, 0}));
    // Cut off inside the 40-byte header: its fields must not be read.
    Bytes cut = ok.bytes();
    cut.resize(14 + 30);
    EXPECT_FALSE(fits(cut));
}

TEST(BitmapGuard, RefusesHeadersOfUnknownSizeOrCompression) {
    for (uint32_t size : {0u, 16u, 39u}) {
        Bmp odd;
        odd.headerSize = size;
        odd.dataBytes = 64;
        EXPECT_FALSE(fits(odd)) << size << "-byte header";
    }
    // The other system's 64-byte header: Huffman (3) and 24-bit run-length
    // (4) mean something else there; its run-length 8 (1) is the same.
    for (uint32_t c : {3u, 4u}) {
        Bmp other;
        other.headerSize = 64;
        other.bits = c == 3 ? 1 : 24;
        other.compression = c;
        other.paletteBytes = other.bits == 1 ? 8 : 0;
        EXPECT_FALSE(fits(other)) << "compression " << c;
    }
    Bmp otherRle;
    otherRle.headerSize = 64;
    otherRle.bits = 8;
    otherRle.compression = 1;
    otherRle.paletteBytes = 1024;
    otherRle.dataBytes = 4;
    EXPECT_TRUE(fits(otherRle));

    Bmp unknown;
    unknown.compression = 5;
    EXPECT_FALSE(fits(unknown)) << "a PNG inside";
}

TEST(BitmapGuard, RefusesSizesOutsideOneToMaxSide) {
    auto wide = [](int32_t width, int32_t height) {
        Bmp b;
        b.bits = 8;
        b.coloursUsed = 1;
        b.paletteBytes = 4;
        b.width = width;
        b.height = height;
        const int64_t rows = height < 0 ? -int64_t{height} : height;
        b.dataBytes = static_cast<size_t>((int64_t{width} + 3) / 4 * 4 * rows);
        if (width <= 0 || rows == 0) b.dataBytes = 64;
        return fits(b);
    };
    EXPECT_TRUE(wide(MaxSide, 1));
    EXPECT_FALSE(wide(MaxSide + 1, 1));
    EXPECT_FALSE(wide(0, 1));
    EXPECT_FALSE(wide(-1, 1));
    EXPECT_TRUE(wide(1, MaxSide));
    EXPECT_FALSE(wide(1, MaxSide + 1));
    EXPECT_TRUE(wide(1, -MaxSide));
    EXPECT_FALSE(wide(1, -MaxSide - 1));
    EXPECT_FALSE(wide(1, 0));
}

TEST(BitmapGuard, RefusesDepthsAndCompressionsThatDoNotGoTogether) {
    for (uint32_t bits : {0u, 3u, 12u, 48u, 64u}) {
        Bmp d;
        d.bits = bits;
        d.dataBytes = 64;
        EXPECT_FALSE(fits(d)) << bits << " bits";
    }
    auto rle = [](uint32_t compression, uint32_t bits, int32_t height) {
        Bmp b;
        b.compression = compression;
        b.bits = bits;
        b.height = height;
        b.paletteBytes = (size_t{1} << bits) * 4;
        b.dataBytes = 4;
        return fits(b);
    };
    EXPECT_TRUE(rle(1, 8, 2));
    EXPECT_FALSE(rle(1, 4, 2)) << "RLE8 of 4 bits";
    EXPECT_FALSE(rle(1, 8, -2)) << "RLE8 top-down";
    EXPECT_TRUE(rle(2, 4, 2));
    EXPECT_FALSE(rle(2, 8, 2)) << "RLE4 of 8 bits";
    EXPECT_FALSE(rle(2, 4, -2)) << "RLE4 top-down";

    auto fields = [](uint32_t bits, uint32_t headerSize, size_t maskBytes) {
        Bmp b;
        b.compression = 3;
        b.bits = bits;
        b.headerSize = headerSize;
        b.paletteBytes = maskBytes;
        return fits(b);
    };
    EXPECT_TRUE(fields(16, 40, 12));
    EXPECT_TRUE(fields(32, 40, 12));
    EXPECT_FALSE(fields(24, 40, 12)) << "bit fields of 24 bits";
    // After a 40-byte header the three masks come before the pixels; a
    // longer header holds them itself.
    EXPECT_FALSE(fields(16, 40, 0));
    EXPECT_TRUE(fields(16, 52, 0));
}

TEST(BitmapGuard, ThePaletteMustLieBetweenTheHeaderAndThePixels) {
    Bmp full;
    full.bits = 8;
    full.dataBytes = 8;
    full.paletteBytes = 256 * 4;
    EXPECT_TRUE(fits(full));
    full.paletteBytes = 255 * 4;
    EXPECT_FALSE(fits(full)) << "one colour short of 256";

    // A header naming fewer colours needs only those; naming more than the
    // depth can index means all of them.
    Bmp named = full;
    named.coloursUsed = 2;
    named.paletteBytes = 8;
    EXPECT_TRUE(fits(named));
    named.coloursUsed = 3;
    EXPECT_FALSE(fits(named));
    named.coloursUsed = 300;
    named.paletteBytes = 255 * 4;
    EXPECT_FALSE(fits(named));

    Bmp core;
    core.headerSize = 12;
    core.bits = 1;
    core.paletteBytes = 6;  // two entries of 3 bytes
    core.dataBytes = 8;
    EXPECT_TRUE(fits(core));
    core.paletteBytes = 5;
    EXPECT_FALSE(fits(core));

    // Pixel data said to start inside the header.
    Bmp early;
    early.dataOffset = 14 + 40 - 1;
    early.dataBytes = 17;
    EXPECT_FALSE(fits(early));
}

TEST(BitmapGuard, ThePixelsMustLieInTheFile) {
    // 2 x 2 at 24 bits: two rows of 6 bytes, each padded to 8.
    Bmp rows;
    rows.dataBytes = 16;
    EXPECT_TRUE(fits(rows));
    rows.dataBytes = 15;
    EXPECT_FALSE(fits(rows)) << "the last row's padding missing";
    Bmp one;  // 1 x 1: 3 bytes padded to 4
    one.width = one.height = 1;
    one.dataBytes = 4;
    EXPECT_TRUE(fits(one));
    one.dataBytes = 3;
    EXPECT_FALSE(fits(one));

    // Pixel data starting at or past the end of the file.
    for (int64_t past : {0, 1, 1000}) {
        Bmp after;
        after.dataBytes = 0;
        after.dataOffset = 14 + 40 + past;
        EXPECT_FALSE(fits(after)) << past << " bytes past the end";
    }

    // Run-length pixels: at most RlePixelsPerByte pixels a byte of data.
    auto rle = [](int32_t width, size_t dataBytes) {
        Bmp b;
        b.compression = 1;
        b.bits = 8;
        b.width = width;
        b.height = 1;
        b.coloursUsed = 1;
        b.paletteBytes = 4;
        b.dataBytes = dataBytes;
        return fits(b);
    };
    EXPECT_TRUE(rle(RlePixelsPerByte, 1));
    EXPECT_FALSE(rle(RlePixelsPerByte + 1, 1));
    EXPECT_FALSE(rle(1, 0));
}

// A wave file: RIFF header, then the chunks given.
struct Wave {
    Bytes b;
    Wave() {
        const char head[] = "RIFF\0\0\0\0WAVE";
        b.assign(head, head + 12);
    }
    Wave& chunk(const char* id, uint32_t size, uint32_t written = UINT32_MAX) {
        const size_t at = b.size();
        b.resize(at + 8);
        std::memcpy(b.data() + at, id, 4);
        put32(b, at + 4, size);
        const uint32_t body = written == UINT32_MAX ? size + (size & 1) : written;
        b.resize(b.size() + body, 0);
        return *this;
    }
    Bytes done(int64_t riffSizeDelta = 0) {
        put32(b, 4, static_cast<uint32_t>(int64_t(b.size()) - 8 + riffSizeDelta));
        return b;
    }
};

bool waveFits(const Bytes& file) {
    std::unique_ptr<unsigned char[]> exact(new unsigned char[file.empty() ? 1 : file.size()]);
    if (!file.empty()) std::memcpy(exact.get(), file.data(), file.size());
    return waveHeaderFits(exact.get(), file.size());
}

TEST(WaveGuard, TakesAFormatThenSamplesWithOtherChunksAround) {
    EXPECT_TRUE(waveFits(Wave().chunk("fmt ", 16).chunk("data", 100).done()));
    EXPECT_TRUE(waveFits(Wave().chunk("LIST", 7).chunk("fmt ", 18).chunk("data", 1).done()))
        << "an odd-sized chunk is padded to an even size";
    // The samples may run to the end of the RIFF size, not beyond.
    EXPECT_TRUE(waveFits(Wave().chunk("fmt ", 16).chunk("data", 4).done()));
}

TEST(WaveGuard, RefusesEachBrokenRule) {
    EXPECT_FALSE(waveFits(Bytes{'R', 'I', 'F', 'F', 4, 0, 0, 0, 'W', 'A', 'V'}))
        << "shorter than the RIFF header";
    Bytes notRiff = Wave().chunk("fmt ", 16).chunk("data", 4).done();
    notRiff[0] = 'X';
    EXPECT_FALSE(waveFits(notRiff));
    Bytes notWave = Wave().chunk("fmt ", 16).chunk("data", 4).done();
    notWave[8] = 'X';
    EXPECT_FALSE(waveFits(notWave));
    EXPECT_FALSE(waveFits(Wave().chunk("fmt ", 16).chunk("data", 4).done(+1)))
        << "a RIFF size past the end of the file";
    EXPECT_FALSE(waveFits(Wave().chunk("fmt ", 16).chunk("data", 10).done(-2)))
        << "samples past the RIFF size, though inside the file";
    EXPECT_FALSE(waveFits(Wave().chunk("fmt ", 16).chunk("data", 1000, 10).done()))
        << "samples cut off";
    EXPECT_FALSE(waveFits(Wave().chunk("fmt ", 14).chunk("data", 4).done())) << "short format";
    EXPECT_FALSE(waveFits(Wave().chunk("data", 4).chunk("fmt ", 16).done()))
        << "samples before their format";
    EXPECT_FALSE(waveFits(Wave().chunk("fmt ", 16).chunk("LIST", 4).done())) << "no samples";
    EXPECT_FALSE(waveFits(Wave().chunk("fmt ", 16).chunk("LIST", 7, 7).chunk("data", 4).done()))
        << "an odd chunk without its padding byte misplaces the next";
}

TEST(WaveGuard, LooksAtABoundedNumberOfChunksAndBytes) {
    auto withJunk = [](int junk) {
        Wave w;
        for (int i = 0; i < junk; ++i) w.chunk("junk", 2);
        return waveFits(w.chunk("fmt ", 16).chunk("data", 2).done());
    };
    EXPECT_TRUE(withJunk(MaxWaveChunks - 2));
    EXPECT_FALSE(withJunk(MaxWaveChunks - 1));

    Wave big;
    big.chunk("fmt ", 16).chunk("data", static_cast<uint32_t>(MaxWaveBytes - 44));
    EXPECT_TRUE(waveFits(big.done()));
    Wave bigger;
    bigger.chunk("fmt ", 16).chunk("data", static_cast<uint32_t>(MaxWaveBytes - 43) + 1);
    EXPECT_FALSE(waveFits(bigger.done()));
}

TEST(FileGuard, ReadsOnlyWholeRegularFilesOfBoundedSize) {
    TempDir dir;
    {
        std::ofstream("ten") << "0123456789";
        std::ofstream("empty");
    }
    EXPECT_EQ(readRegularFile("ten", 10).size(), 10u);
    EXPECT_TRUE(readRegularFile("ten", 9).empty()) << "over the limit";
    EXPECT_TRUE(readRegularFile("empty", 10).empty());
    EXPECT_TRUE(readRegularFile("missing", 10).empty());
    std::filesystem::create_directory("folder");
    EXPECT_TRUE(readRegularFile("folder", 10).empty());
    // (Pipes and devices: file_guards_posix_test.cpp, os_windows_test.cpp.)
}

// Every byte as it is in the file: a C library's text mode (Windows') would
// turn CR LF into LF and stop at 0x1A, and seven of the game's own bitmaps
// and sounds hold such bytes.
TEST(FileGuard, ReadsEveryByteAsItIs) {
    TempDir dir;
    const Bytes tricky = {'B', 'M', '\r', '\n', 0x1A, '\n', '\r', 0, 0xFF, '\r', '\n', 0x1A};
    {
        std::ofstream out("tricky", std::ios::binary);
        out.write(reinterpret_cast<const char*>(tricky.data()), std::streamsize(tricky.size()));
    }
    EXPECT_EQ(readRegularFile("tricky", 100), tricky);
    // And a whole committed bitmap, byte for byte.
    const char* back = PAKO_ASSETS_DIR "/bitmaps/BACK.bmp";
    std::ifstream in(back, std::ios::binary);
    const Bytes want{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    ASSERT_GT(want.size(), 1000u);
    EXPECT_EQ(readRegularFile(back, MaxBitmapBytes), want);
}

}  // namespace
