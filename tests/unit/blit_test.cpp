// The pixel copies on their own, against the plain per-pixel rule they
// must give (platform/blit.h): random pictures of random sizes (odd widths,
// rows shorter than a group of eight, long rows with ragged tails), keys in
// runs and alone, with and without the picture's opaque spans, between two
// surfaces and within one.
#include <gtest/gtest.h>

#include <SDL.h>

#include <vector>

#include "platform/blit.h"

namespace {

struct Picture {
    SDL_Surface* s;
    Picture(int w, int h)
        : s(SDL_CreateRGBSurfaceWithFormat(0, w, h, 16, SDL_PIXELFORMAT_RGB565)) {}
    ~Picture() { SDL_FreeSurface(s); }
    Picture(const Picture&) = delete;
    Picture& operator=(const Picture&) = delete;
    uint16_t& at(int x, int y) {
        return reinterpret_cast<uint16_t*>(static_cast<uint8_t*>(s->pixels) + y * s->pitch)[x];
    }
    std::vector<uint16_t> pixels() {
        std::vector<uint16_t> v;
        for (int y = 0; y < s->h; ++y)
            for (int x = 0; x < s->w; ++x) v.push_back(at(x, y));
        return v;
    }
};

struct Random {
    uint32_t seed;
    uint32_t operator()(uint32_t n) {
        seed = seed * 1664525u + 1013904223u;
        return (seed >> 8) % n;
    }
};

// A random rectangle inside w x h.
RECT somewhere(Random& next, int w, int h) {
    RECT r{static_cast<LONG>(next(static_cast<uint32_t>(w))),
           static_cast<LONG>(next(static_cast<uint32_t>(h))), 0, 0};
    r.right = r.left + 1 + static_cast<LONG>(next(static_cast<uint32_t>(w - r.left)));
    r.bottom = r.top + 1 + static_cast<LONG>(next(static_cast<uint32_t>(h - r.top)));
    return r;
}

TEST(Blit, EveryCopyDrawsWhatThePlainRuleDraws) {
    Random next{777};
    constexpr int W = 300, H = 200;
    Picture screen(W, H);
    std::vector<uint16_t> before(W * H), want;
    for (int round = 0; round < 400; ++round) {
        const int w = 1 + static_cast<int>(next(round % 3 == 0 ? 9 : 150));
        const int h = 1 + static_cast<int>(next(30));
        Picture src(w, h);
        const uint32_t key = round % 5 == 4 ? blit::NoKey : round % 2 ? 0xFFFF : 0x0000;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                src.at(x, y) = next(3) == 0 || (x / 5) % 3 == 0
                                   ? static_cast<uint16_t>(key)
                                   : static_cast<uint16_t>(next(65536));
        blit::KeySpans spans;
        if (round % 4 != 3) blit::findSpans(src.s, key, spans);
        if (key == blit::NoKey) {
            EXPECT_FALSE(spans.valid) << "no spans without a key";
        }

        for (uint16_t& p : before) p = static_cast<uint16_t>(next(65536));
        auto load = [&] {
            for (int y = 0; y < H; ++y)
                for (int x = 0; x < W; ++x) screen.at(x, y) = before[y * W + x];
        };
        auto check = [&](const char* what) {
            EXPECT_EQ(screen.pixels(), want)
                << what << " of " << w << " x " << h << " in round " << round;
        };

        const RECT r = somewhere(next, w, h);
        const int x0 = static_cast<int>(next(W - static_cast<uint32_t>(r.right - r.left) + 1));
        const int y0 = static_cast<int>(next(H - static_cast<uint32_t>(r.bottom - r.top) + 1));
        for (bool keyed : {false, true}) {
            want = before;
            for (int y = r.top; y < r.bottom; ++y)
                for (int x = r.left; x < r.right; ++x)
                    if (!keyed || src.at(x, y) != key)
                        want[(y0 + y - r.top) * W + x0 + x - r.left] = src.at(x, y);
            load();
            if (keyed)
                blit::copyKeyed(screen.s, x0, y0, src.s, r, key, spans);
            else
                blit::copyOpaque(screen.s, x0, y0, src.s, r);
            check(keyed ? "keyed copy" : "opaque copy");
        }

        RECT d = somewhere(next, W, H);
        if (round % 3 == 1) {
            // Near the picture's own size, where rows are scaled run by run.
            d = RECT{5, 7, 5 + (r.right - r.left) + static_cast<LONG>(next(3)),
                     7 + (r.bottom - r.top) + static_cast<LONG>(next(3))};
        }
        for (bool keyed : {false, true}) {
            want = before;
            const int64_t dw = d.right - d.left, dh = d.bottom - d.top;
            const int64_t sw = r.right - r.left, sh = r.bottom - r.top;
            for (int64_t j = 0; j < dh; ++j)
                for (int64_t i = 0; i < dw; ++i) {
                    const uint16_t p = src.at(static_cast<int>(r.left + i * sw / dw),
                                              static_cast<int>(r.top + j * sh / dh));
                    if (!keyed || p != key) want[(d.top + j) * W + d.left + i] = p;
                }
            load();
            blit::copyStretched(screen.s, d, src.s, r, keyed ? key : blit::NoKey, spans);
            check(keyed ? "keyed stretch" : "plain stretch");
        }
    }
}

// A picture copied onto itself reads each pixel before it may be written,
// in reading order: what the plain rule gives with the same order.
TEST(Blit, APictureOntoItselfFollowsThePlainRuleInReadingOrder) {
    Random next{99};
    for (int round = 0; round < 100; ++round) {
        Picture pic(40, 20);
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 40; ++x)
                pic.at(x, y) = next(4) == 0 ? 0 : static_cast<uint16_t>(1 + next(60000));
        const std::vector<uint16_t> start = pic.pixels();
        const RECT r = somewhere(next, 20, 10);
        const int x0 = static_cast<int>(next(20)), y0 = static_cast<int>(next(10));
        blit::KeySpans spans;
        blit::findSpans(pic.s, 0, spans);

        // Keyed, to a place the rectangle may overlap.
        std::vector<uint16_t> want = start;
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x) {
                const uint16_t p = want[y * 40 + x];
                if (p != 0) want[(y0 + y - r.top) * 40 + x0 + x - r.left] = p;
            }
        blit::copyKeyed(pic.s, x0, y0, pic.s, r, 0, spans);
        EXPECT_EQ(pic.pixels(), want) << "keyed, round " << round;

        // Stretched to twice its size, somewhere else in the same picture.
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 40; ++x) pic.at(x, y) = start[y * 40 + x];
        const RECT small{0, 0, 5, 4};
        const RECT big{20, 10, 30, 18};
        want = start;
        for (int j = 0; j < 8; ++j)
            for (int i = 0; i < 10; ++i) {
                const uint16_t p = want[(j / 2) * 40 + i / 2];
                if (p != 0) want[(10 + j) * 40 + 20 + i] = p;
            }
        blit::copyStretched(pic.s, big, pic.s, small, 0, spans);
        EXPECT_EQ(pic.pixels(), want) << "stretched, round " << round;
    }
}

TEST(Blit, SpansListTheOpaqueRunsOfEachRow) {
    Picture pic(10, 3);
    const uint16_t rows[3][10] = {{0, 0, 5, 5, 0, 6, 0, 0, 0, 7},
                                  {0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
                                  {1, 1, 1, 1, 1, 1, 1, 1, 1, 1}};
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 10; ++x) pic.at(x, y) = rows[y][x];
    blit::KeySpans spans;
    blit::findSpans(pic.s, 0, spans);
    ASSERT_TRUE(spans.valid);
    EXPECT_EQ(spans.rowStart, (std::vector<uint32_t>{0, 6, 6, 8}));
    EXPECT_EQ(spans.edges, (std::vector<uint16_t>{2, 4, 5, 6, 9, 10, 0, 10}));
    // Found again for another key, in the same memory.
    blit::findSpans(pic.s, 1, spans);
    EXPECT_EQ(spans.edges, (std::vector<uint16_t>{0, 10, 0, 10}));
    EXPECT_EQ(spans.rowStart, (std::vector<uint32_t>{0, 2, 4, 4}));
    blit::findSpans(pic.s, blit::NoKey, spans);
    EXPECT_FALSE(spans.valid);
}

}  // namespace
