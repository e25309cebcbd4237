#include "formats.h"

#include <array>
#include <cstring>

namespace ag {

namespace {

void put16(Bytes& b, uint32_t v) {
    b.push_back(static_cast<uint8_t>(v));
    b.push_back(static_cast<uint8_t>(v >> 8));
}

void put32(Bytes& b, uint32_t v) {
    put16(b, v & 0xFFFF);
    put16(b, v >> 16);
}

void put32be(Bytes& b, uint32_t v) {
    b.push_back(static_cast<uint8_t>(v >> 24));
    b.push_back(static_cast<uint8_t>(v >> 16));
    b.push_back(static_cast<uint8_t>(v >> 8));
    b.push_back(static_cast<uint8_t>(v));
}

void bmpHeaders(Bytes& b, int w, int h, int bits, uint32_t paletteSize, uint32_t imageSize) {
    uint32_t offBits = 14 + 40 + paletteSize * 4;
    // BITMAPFILEHEADER
    b.push_back('B');
    b.push_back('M');
    put32(b, offBits + imageSize);
    put16(b, 0);
    put16(b, 0);
    put32(b, offBits);
    // BITMAPINFOHEADER: positive height, so the rows are stored bottom-up.
    put32(b, 40);
    put32(b, static_cast<uint32_t>(w));
    put32(b, static_cast<uint32_t>(h));
    put16(b, 1);
    put16(b, static_cast<uint32_t>(bits));
    put32(b, 0);  // BI_RGB
    put32(b, imageSize);
    put32(b, 2835);  // 72 dpi
    put32(b, 2835);
    put32(b, paletteSize);
    put32(b, 0);
}

}  // namespace

Bytes bmp24(const Image& im) {
    uint32_t stride = (static_cast<uint32_t>(im.w) * 3 + 3) & ~3u;
    Bytes b;
    bmpHeaders(b, im.w, im.h, 24, 0, stride * static_cast<uint32_t>(im.h));
    for (int y = im.h - 1; y >= 0; --y) {
        size_t start = b.size();
        for (int x = 0; x < im.w; ++x) {
            const Rgb& c = im.at(x, y);
            b.push_back(c.b);
            b.push_back(c.g);
            b.push_back(c.r);
        }
        while (b.size() - start < stride) b.push_back(0);
    }
    return b;
}

Bytes bmp32(int w, int h, const std::vector<Rgba>& px) {
    const uint32_t headerSize = 108, offBits = 14 + headerSize;
    const uint32_t imageSize = static_cast<uint32_t>(w) * static_cast<uint32_t>(h) * 4;
    Bytes b;
    b.push_back('B');
    b.push_back('M');
    put32(b, offBits + imageSize);
    put16(b, 0);
    put16(b, 0);
    put32(b, offBits);
    // BITMAPV4HEADER, bottom-up.
    put32(b, headerSize);
    put32(b, static_cast<uint32_t>(w));
    put32(b, static_cast<uint32_t>(h));
    put16(b, 1);
    put16(b, 32);
    put32(b, 3);  // BI_BITFIELDS: the masks below say where each channel is
    put32(b, imageSize);
    put32(b, 2835);  // 72 dpi
    put32(b, 2835);
    put32(b, 0);
    put32(b, 0);
    // Where each channel sits in a pixel: red, green, blue, alpha.
    for (uint32_t mask : {0x00FF0000u, 0x0000FF00u, 0x000000FFu, 0xFF000000u}) put32(b, mask);
    put32(b, 0x73524742);  // colour space 'sRGB'
    // The colour space's endpoints and gamma, unused for sRGB.
    for (int i = 0; i < 12; ++i) put32(b, 0);
    for (int y = h - 1; y >= 0; --y)
        for (int x = 0; x < w; ++x) {
            const Rgba& p = px[static_cast<size_t>(y) * w + x];
            b.push_back(p.b);
            b.push_back(p.g);
            b.push_back(p.r);
            b.push_back(p.a);
        }
    return b;
}

Bytes bmp8(int w, int h, const std::vector<uint8_t>& indices, const std::vector<Rgb>& palette) {
    uint32_t stride = (static_cast<uint32_t>(w) + 3) & ~3u;
    Bytes b;
    bmpHeaders(b, w, h, 8, static_cast<uint32_t>(palette.size()),
               stride * static_cast<uint32_t>(h));
    for (const Rgb& c : palette) {
        b.push_back(c.b);
        b.push_back(c.g);
        b.push_back(c.r);
        b.push_back(0);
    }
    for (int y = h - 1; y >= 0; --y) {
        size_t start = b.size();
        for (int x = 0; x < w; ++x) b.push_back(indices[static_cast<size_t>(y) * w + x]);
        while (b.size() - start < stride) b.push_back(0);
    }
    return b;
}

Bytes wav16(const std::vector<int16_t>& samples, int rate) {
    uint32_t dataSize = static_cast<uint32_t>(samples.size() * 2);
    Bytes b;
    for (char c : {'R', 'I', 'F', 'F'}) b.push_back(static_cast<uint8_t>(c));
    put32(b, 36 + dataSize);
    for (char c : {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '}) b.push_back(static_cast<uint8_t>(c));
    put32(b, 16);
    put16(b, 1);  // PCM
    put16(b, 1);  // mono
    put32(b, static_cast<uint32_t>(rate));
    put32(b, static_cast<uint32_t>(rate) * 2);
    put16(b, 2);
    put16(b, 16);
    for (char c : {'d', 'a', 't', 'a'}) b.push_back(static_cast<uint8_t>(c));
    put32(b, dataSize);
    for (int16_t s : samples) put16(b, static_cast<uint16_t>(s));
    return b;
}

uint32_t crc32(const uint8_t* p, size_t n, uint32_t crc) {
    static const std::array<uint32_t, 256> table = [] {
        std::array<uint32_t, 256> t{};
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t c = i;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[i] = c;
        }
        return t;
    }();
    crc = ~crc;
    for (size_t i = 0; i < n; ++i) crc = table[(crc ^ p[i]) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

namespace {

// Writes bits least significant first, as deflate wants.
struct BitWriter {
    Bytes out;
    uint32_t acc = 0;
    int count = 0;
    void bits(uint32_t v, int n) {
        acc |= v << count;
        count += n;
        while (count >= 8) {
            out.push_back(static_cast<uint8_t>(acc));
            acc >>= 8;
            count -= 8;
        }
    }
    // Huffman codes go most significant bit first.
    void code(uint32_t c, int n) {
        uint32_t r = 0;
        for (int i = 0; i < n; ++i) r |= ((c >> i) & 1u) << (n - 1 - i);
        bits(r, n);
    }
    void flush() {
        if (count > 0) out.push_back(static_cast<uint8_t>(acc));
        acc = 0;
        count = 0;
    }
};

void literal(BitWriter& w, int v) {
    if (v < 144)
        w.code(0x30 + v, 8);
    else if (v < 256)
        w.code(0x190 + (v - 144), 9);
    else if (v < 280)
        w.code(v - 256, 7);
    else
        w.code(0xC0 + (v - 280), 8);
}

const int kLenBase[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                          31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
const int kLenExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                           2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
const int kDistBase[30] = {1,    2,    3,    4,    5,    7,    9,    13,    17,    25,
                           33,   49,   65,   97,   129,  193,  257,  385,   513,   769,
                           1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
const int kDistExtra[30] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                            6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

void match(BitWriter& w, int len, int dist) {
    int li = 28;
    while (kLenBase[li] > len) --li;
    literal(w, 257 + li);
    if (kLenExtra[li]) w.bits(static_cast<uint32_t>(len - kLenBase[li]), kLenExtra[li]);
    int di = 29;
    while (kDistBase[di] > dist) --di;
    w.code(static_cast<uint32_t>(di), 5);
    if (kDistExtra[di]) w.bits(static_cast<uint32_t>(dist - kDistBase[di]), kDistExtra[di]);
}

}  // namespace

Bytes zlibCompress(const Bytes& data) {
    BitWriter w;
    w.out = {0x78, 0x01};
    // One final block with fixed codes, greedy matching over hash chains.
    w.bits(1, 1);
    w.bits(1, 2);
    const int window = 32768, maxChain = 48;
    const size_t n = data.size();
    std::vector<int> head(1 << 15, -1), prev(n, -1);
    auto hash = [&](size_t i) {
        return ((data[i] << 10) ^ (data[i + 1] << 5) ^ data[i + 2]) & 0x7FFF;
    };
    size_t i = 0;
    auto insert = [&](size_t at) {
        if (at + 2 >= n) return;
        int h = hash(at);
        prev[at] = head[h];
        head[h] = static_cast<int>(at);
    };
    while (i < n) {
        int bestLen = 0, bestDist = 0;
        if (i + 2 < n) {
            int cand = head[hash(i)];
            int chain = 0;
            while (cand >= 0 && chain++ < maxChain && static_cast<int>(i) - cand <= window) {
                int len = 0;
                while (len < 258 && i + len < n && data[cand + len] == data[i + len]) ++len;
                if (len > bestLen) {
                    bestLen = len;
                    bestDist = static_cast<int>(i) - cand;
                }
                cand = prev[cand];
            }
        }
        if (bestLen >= 3) {
            match(w, bestLen, bestDist);
            for (int k = 0; k < bestLen; ++k) insert(i + k);
            i += bestLen;
        } else {
            literal(w, data[i]);
            insert(i);
            ++i;
        }
    }
    literal(w, 256);
    w.flush();
    uint32_t a = 1, b = 0;
    for (uint8_t v : data) {
        a = (a + v) % 65521;
        b = (b + a) % 65521;
    }
    put32be(w.out, (b << 16) | a);
    return w.out;
}

namespace {

void chunk(Bytes& out, const char* type, const Bytes& body) {
    put32be(out, static_cast<uint32_t>(body.size()));
    size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), body.begin(), body.end());
    put32be(out, crc32(out.data() + start, out.size() - start));
}

}  // namespace

Bytes png(int w, int h, const std::vector<Rgba>& px) {
    Bytes raw;
    size_t stride = static_cast<size_t>(w) * 4;
    std::vector<uint8_t> row(stride), above(stride, 0);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const Rgba& p = px[static_cast<size_t>(y) * w + x];
            row[x * 4 + 0] = p.r;
            row[x * 4 + 1] = p.g;
            row[x * 4 + 2] = p.b;
            row[x * 4 + 3] = p.a;
        }
        // Filter "Up": the icon's rows repeat a lot, so this packs well.
        raw.push_back(2);
        for (size_t k = 0; k < stride; ++k) raw.push_back(static_cast<uint8_t>(row[k] - above[k]));
        above = row;
    }
    Bytes out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    Bytes ihdr;
    put32be(ihdr, static_cast<uint32_t>(w));
    put32be(ihdr, static_cast<uint32_t>(h));
    ihdr.push_back(8);  // bit depth
    ihdr.push_back(6);  // RGBA
    ihdr.push_back(0);
    ihdr.push_back(0);
    ihdr.push_back(0);
    chunk(out, "IHDR", ihdr);
    chunk(out, "IDAT", zlibCompress(raw));
    chunk(out, "IEND", {});
    return out;
}

}  // namespace ag
