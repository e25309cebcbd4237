// The committed pictures and sounds, checked from the bytes of the files
// alone (and the window's icon as SDL reads it): what the game and the
// display's 16-bit conversion rely on.
#include <SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace fs = std::filesystem;

namespace {

const fs::path kAssets = PAKO_ASSETS_DIR;

enum class Key { None, White, Black };

struct Entry {
    const char* name;
    int w, h;
    Key key;
};

// Every picture of the game with its size and transparent colour.
const Entry kCatalogue[] = {
    {"ZABLOSTAND", 120, 120, Key::White}, {"ZABLOPAKO", 120, 120, Key::White},
    {"ZABLORUNR1", 120, 120, Key::White}, {"ZABLORUNR2", 120, 120, Key::White},
    {"ZABLORUNR3", 120, 120, Key::White}, {"ZABLORUNR4", 120, 120, Key::White},
    {"ZABLORUNL1", 120, 120, Key::White}, {"ZABLORUNL2", 120, 120, Key::White},
    {"ZABLORUNL3", 120, 120, Key::White}, {"ZABLORUNL4", 120, 120, Key::White},
    {"BACK", 1280, 960, Key::None},       {"RANKING", 240, 205, Key::Black},
    {"REVOZE", 415, 200, Key::White},     {"BAR1", 50, 90, Key::Black},
    {"BAR2", 50, 90, Key::Black},         {"BAR3", 50, 90, Key::Black},
    {"BAR4", 50, 90, Key::Black},         {"BAR5", 50, 90, Key::Black},
    {"BAR6", 50, 90, Key::Black},         {"BAR7", 50, 90, Key::Black},
    {"BAR8", 50, 90, Key::Black},         {"BAR9", 50, 90, Key::Black},
    {"BAR10", 50, 90, Key::Black},        {"JAMJARYL", 35, 31, Key::Black},
    {"JAMJARYR", 35, 31, Key::Black},     {"JAMJARYD", 31, 35, Key::Black},
    {"JAMJARYU", 31, 35, Key::Black},     {"JAMJARYDIE", 31, 35, Key::Black},
    {"HERE", 120, 100, Key::White},       {"ONE", 30, 30, Key::White},
    {"TWO", 30, 30, Key::White},          {"THREE", 30, 30, Key::White},
    {"FOUR", 30, 30, Key::White},         {"FIVE", 30, 30, Key::White},
    {"SIX", 30, 30, Key::White},          {"SEVEN", 30, 30, Key::White},
    {"EIGHT", 30, 30, Key::White},        {"NINE", 30, 30, Key::White},
    {"ZERO", 30, 30, Key::White},         {"START1", 240, 120, Key::White},
    {"START2", 240, 120, Key::White},     {"START3", 240, 120, Key::White},
    {"EXIT1", 240, 120, Key::White},      {"EXIT2", 240, 120, Key::White},
    {"EXIT3", 240, 120, Key::White},      {"WAVEPAKO1", 80, 50, Key::White},
    {"WAVEPAKO2", 80, 50, Key::White},    {"WAVEPAKO3", 80, 50, Key::White},
    {"WAVEPAKO4", 80, 50, Key::White},    {"WAVEPAKO5", 80, 50, Key::White},
    {"WAVEPAKO6", 80, 50, Key::White},    {"WAVEPAKO7", 80, 50, Key::White},
    {"GO", 65, 38, Key::White},           {"CONTINUE", 480, 120, Key::Black},
    {"READY", 141, 35, Key::White},       {"ANGLE", 40, 50, Key::White},
};

struct Rgb {
    int r = 0, g = 0, b = 0;
    bool operator==(const Rgb&) const = default;
};

std::vector<uint8_t> readAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

uint32_t u16(const std::vector<uint8_t>& b, size_t at) { return b.at(at) | b.at(at + 1) << 8; }
uint32_t u32(const std::vector<uint8_t>& b, size_t at) { return u16(b, at) | u16(b, at + 2) << 16; }

// A bitmap as the file holds it: the header fields the game relies on and
// the pixels, top row first.
struct Bitmap {
    bool ok = false;
    int w = 0, h = 0, bits = 0;
    uint32_t compression = 0, paletteSize = 0;
    std::vector<Rgb> px;
    Rgb at(int x, int y) const { return px[static_cast<size_t>(y) * w + x]; }
};

Bitmap readBitmap(const fs::path& p) {
    Bitmap bm;
    std::vector<uint8_t> b = readAll(p);
    if (b.size() < 54 || b[0] != 'B' || b[1] != 'M' || u32(b, 14) != 40) return bm;
    uint32_t off = u32(b, 10);
    bm.w = static_cast<int32_t>(u32(b, 18));
    bm.h = static_cast<int32_t>(u32(b, 22));
    bm.bits = static_cast<int>(u16(b, 28));
    bm.compression = u32(b, 30);
    bm.paletteSize = u32(b, 46);
    if (bm.w <= 0 || bm.h <= 0 || (bm.bits != 8 && bm.bits != 24)) return bm;
    size_t stride = (static_cast<size_t>(bm.w) * bm.bits / 8 + 3) & ~size_t{3};
    if (off + stride * bm.h > b.size()) return bm;
    bm.px.resize(static_cast<size_t>(bm.w) * bm.h);
    for (int y = 0; y < bm.h; ++y) {
        size_t row = off + stride * (bm.h - 1 - y);  // bottom-up
        for (int x = 0; x < bm.w; ++x) {
            Rgb c;
            if (bm.bits == 24) {
                size_t i = row + 3 * static_cast<size_t>(x);
                c = {b[i + 2], b[i + 1], b[i]};
            } else {
                size_t e = 54 + 4 * static_cast<size_t>(b[row + x]);
                c = {b.at(e + 2), b.at(e + 1), b.at(e)};
            }
            bm.px[static_cast<size_t>(y) * bm.w + x] = c;
        }
    }
    bm.ok = true;
    return bm;
}

fs::path bitmapPath(const char* name) { return kAssets / "bitmaps" / (std::string(name) + ".bmp"); }

Rgb keyColour(Key k) { return k == Key::White ? Rgb{255, 255, 255} : Rgb{0, 0, 0}; }

// The display keeps 5 bits of red, 6 of green and 5 of blue.
bool sameIn565(Rgb a, Rgb b) {
    return a.r >> 3 == b.r >> 3 && a.g >> 2 == b.g >> 2 && a.b >> 3 == b.b >> 3;
}

bool nearKey(Rgb c, Rgb k) {
    return std::abs(c.r - k.r) <= 40 && std::abs(c.g - k.g) <= 40 && std::abs(c.b - k.b) <= 40;
}

TEST(Bitmaps, TheFolderHoldsExactlyTheCataloguePictures) {
    std::set<std::string> want, have;
    for (const Entry& e : kCatalogue) want.insert(std::string(e.name) + ".bmp");
    for (const auto& f : fs::directory_iterator(kAssets / "bitmaps"))
        have.insert(f.path().filename().string());
    EXPECT_EQ(want.size(), 56u);
    EXPECT_EQ(have, want);
}

TEST(Bitmaps, EachIsAnUncompressedBottomUpFileOfItsSizeAndDepth) {
    for (const Entry& e : kCatalogue) {
        SCOPED_TRACE(e.name);
        std::vector<uint8_t> b = readAll(bitmapPath(e.name));
        ASSERT_GE(b.size(), 54u);
        EXPECT_EQ(static_cast<int32_t>(u32(b, 18)), e.w);
        EXPECT_EQ(static_cast<int32_t>(u32(b, 22)), e.h);  // positive: bottom-up
        EXPECT_EQ(u32(b, 30), 0u);                         // BI_RGB
        bool back = e.key == Key::None;
        EXPECT_EQ(u16(b, 28), back ? 8u : 24u);
        EXPECT_EQ(u32(b, 46), back ? 255u : 0u);
        EXPECT_EQ(u32(b, 10), 54u + (back ? 255u * 4 : 0u));
        EXPECT_TRUE(readBitmap(bitmapPath(e.name)).ok);
    }
}

TEST(Bitmaps, EachIsDrawnOnItsKeyWithTheStatedCorner) {
    for (const Entry& e : kCatalogue) {
        SCOPED_TRACE(e.name);
        Bitmap bm = readBitmap(bitmapPath(e.name));
        ASSERT_TRUE(bm.ok);
        Rgb corner = e.key == Key::None                 ? Rgb{35, 35, 35}
                     : std::string(e.name) == "RANKING" ? Rgb{5, 5, 5}
                                                        : keyColour(e.key);
        EXPECT_EQ(bm.at(0, 0), corner);
    }
}

// A drawn pixel is one that is not exactly the key. None may become the key
// in 16 bits, and those touching the key must not form a pale or dark rim.
TEST(Bitmaps, DrawnPixelsSurviveTheConversionWithoutAHalo) {
    for (const Entry& e : kCatalogue) {
        if (e.key == Key::None) continue;
        SCOPED_TRACE(e.name);
        Bitmap bm = readBitmap(bitmapPath(e.name));
        ASSERT_TRUE(bm.ok);
        const Rgb key = keyColour(e.key);
        int edge = 0, halo = 0, lost = 0, drawn = 0;
        for (int y = 0; y < bm.h; ++y)
            for (int x = 0; x < bm.w; ++x) {
                Rgb c = bm.at(x, y);
                if (c == key) continue;
                ++drawn;
                if (sameIn565(c, key)) ++lost;
                bool touches = false;
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dx = -1; dx <= 1; ++dx) {
                        int nx = x + dx, ny = y + dy;
                        if (nx >= 0 && ny >= 0 && nx < bm.w && ny < bm.h && bm.at(nx, ny) == key)
                            touches = true;
                    }
                if (!touches) continue;
                ++edge;
                if (nearKey(c, key)) ++halo;
            }
        EXPECT_EQ(lost, 0);
        EXPECT_GT(drawn, bm.w * bm.h / 20) << "hardly anything drawn";
        EXPECT_LT(halo * 50, std::max(edge, 1))
            << halo << " of " << edge << " edge pixels near the key";
    }
}

// Columns and rows that hold drawn pixels.
struct Extent {
    int x0 = 1 << 30, y0 = 1 << 30, x1 = -1, y1 = -1;
    double meanX = 0;
};
Extent extentOf(const Bitmap& bm, Rgb key, int rowFrom = 0, int rowTo = -1) {
    Extent e;
    long n = 0, sum = 0;
    for (int y = rowFrom; y < (rowTo < 0 ? bm.h : rowTo); ++y)
        for (int x = 0; x < bm.w; ++x)
            if (!(bm.at(x, y) == key)) {
                e.x0 = std::min(e.x0, x), e.x1 = std::max(e.x1, x);
                e.y0 = std::min(e.y0, y), e.y1 = std::max(e.y1, y);
                sum += x, ++n;
            }
    e.meanX = n ? double(sum) / double(n) : -1;
    return e;
}

TEST(Layout, PlayerStandsOnTheBottomRowCentredAndKicksInTheHitBox) {
    const Rgb white{255, 255, 255};
    for (const char* name :
         {"ZABLOSTAND", "ZABLOPAKO", "ZABLORUNR1", "ZABLORUNR2", "ZABLORUNR3", "ZABLORUNR4",
          "ZABLORUNL1", "ZABLORUNL2", "ZABLORUNL3", "ZABLORUNL4"}) {
        SCOPED_TRACE(name);
        Bitmap bm = readBitmap(bitmapPath(name));
        Extent e = extentOf(bm, white);
        EXPECT_EQ(e.y1, 119);
        // The body, the upper two thirds, stays on the middle column.
        EXPECT_NEAR(extentOf(bm, white, 0, 80).meanX, 60, 9);
    }
    // The kicking shoe: the swing meets the shuttlecock's weight left of the
    // middle, between rows 70 and 110; the standing picture has nothing there.
    Bitmap kick = readBitmap(bitmapPath("ZABLOPAKO"));
    Extent shoe = extentOf(kick, white, 80, 104);
    EXPECT_LT(shoe.x0, 40);
    EXPECT_GE(shoe.x0, 6);
    EXPECT_GT(extentOf(readBitmap(bitmapPath("ZABLOSTAND")), white, 80, 104).x0, 40);
}

TEST(Layout, HereArrowTipIsOnTheBottomRowAtTheMiddle) {
    Bitmap bm = readBitmap(bitmapPath("HERE"));
    Extent tip = extentOf(bm, {255, 255, 255}, 99, 100);
    ASSERT_GE(tip.x1, 0);
    EXPECT_NEAR((tip.x0 + tip.x1) / 2.0, 60, 2);
    EXPECT_LE(tip.x1 - tip.x0, 12);  // a point, not the 26-pixel shaft
}

TEST(Layout, GaugeFillsFromTheBottomOneTenthMoreEachTime) {
    int lastTop = 90;
    Bitmap prev = readBitmap(bitmapPath("BAR1"));
    for (int n = 2; n <= 10; ++n) {
        SCOPED_TRACE(n);
        Bitmap bm = readBitmap(bitmapPath(("BAR" + std::to_string(n)).c_str()));
        int top = 90, bottom = -1;
        for (int y = 0; y < 90; ++y)
            for (int x = 0; x < 50; ++x)
                if (!(bm.at(x, y) == prev.at(x, y)))
                    top = std::min(top, y), bottom = std::max(bottom, y);
        ASSERT_GE(bottom, 0) << "no change from the one before";
        EXPECT_LT(bottom, lastTop);  // the new tenth sits above the last one
        EXPECT_NEAR(bottom - top, 6, 2);
        lastTop = top;
        prev = bm;
    }
}

TEST(Layout, ContinueLeavesRoomForThePointerLeftOfEachAnswer) {
    // ANGLE (40 x 50) is drawn at (280, 20) and (280, 67) of the picture.
    Bitmap bm = readBitmap(bitmapPath("CONTINUE"));
    const Rgb black{0, 0, 0};
    for (int top : {20, 67}) {
        SCOPED_TRACE(top);
        int from = top + 10, to = top + 40;
        Extent pointer = extentOf(bm, black, from, to);
        EXPECT_GE(pointer.x1, 322) << "an answer right of the pointer";
        for (int y = from; y < to; ++y)
            for (int x = 280; x < 322; ++x) ASSERT_EQ(bm.at(x, y), black) << x << "," << y;
    }
}

Bitmap transformed(const Bitmap& in, int kind) {  // 0 mirror, 1 clockwise, 2 counter-clockwise
    Bitmap out = in;
    if (kind) std::swap(out.w, out.h);
    for (int y = 0; y < in.h; ++y)
        for (int x = 0; x < in.w; ++x) {
            int tx = kind == 0 ? in.w - 1 - x : kind == 1 ? in.h - 1 - y : y;
            int ty = kind == 0 ? y : kind == 1 ? x : in.w - 1 - x;
            out.px[static_cast<size_t>(ty) * out.w + tx] = in.at(x, y);
        }
    return out;
}

TEST(Layout, DragonflyHeadingsAreOneInsectTurned) {
    Bitmap r = readBitmap(bitmapPath("JAMJARYR"));
    // Heading right, the big eyes are at the right: more drawn to the right.
    EXPECT_GT(extentOf(r, {0, 0, 0}).meanX, 17.0);
    EXPECT_EQ(readBitmap(bitmapPath("JAMJARYL")).px, transformed(r, 0).px);
    EXPECT_EQ(readBitmap(bitmapPath("JAMJARYD")).px, transformed(r, 1).px);
    EXPECT_EQ(readBitmap(bitmapPath("JAMJARYU")).px, transformed(r, 2).px);
    EXPECT_NE(readBitmap(bitmapPath("JAMJARYDIE")).px, readBitmap(bitmapPath("JAMJARYD")).px);
}

TEST(Layout, AnimationPhasesDifferAndTheStruckShuttlecockLiesFlat) {
    for (const char* group : {"ZABLORUNR", "ZABLORUNL", "WAVEPAKO"}) {
        int phases = std::string(group) == "WAVEPAKO" ? 7 : 4;
        for (int a = 1; a <= phases; ++a)
            for (int b = a + 1; b <= phases; ++b)
                EXPECT_NE(readBitmap(bitmapPath((group + std::to_string(a)).c_str())).px,
                          readBitmap(bitmapPath((group + std::to_string(b)).c_str())).px)
                    << group << a << " and " << b;
    }
    const Rgb white{255, 255, 255};
    Extent flat = extentOf(readBitmap(bitmapPath("WAVEPAKO4")), white);
    Extent upright = extentOf(readBitmap(bitmapPath("WAVEPAKO1")), white);
    EXPECT_GT(flat.x1 - flat.x0, flat.y1 - flat.y0);
    EXPECT_LT(upright.x1 - upright.x0, upright.y1 - upright.y0);
}

TEST(Layout, BackgroundHasGroundUnderTheFeetAndDarkBorders) {
    Bitmap bm = readBitmap(bitmapPath("BACK"));
    ASSERT_TRUE(bm.ok);
    for (int y = 0; y < 960; ++y) {
        for (int x : {0, 8, 1271, 1279}) {
            Rgb c = bm.at(x, y);
            ASSERT_LT(std::max({c.r, c.g, c.b}), 60) << x << "," << y;
        }
    }
    // Where the feet stand and a little above, gravel, not sky: no blue cast.
    for (int y : {870, 908, 925})
        for (int x = 40; x < 1240; x += 37) {
            Rgb c = bm.at(x, y);
            EXPECT_LT(c.b, c.r) << x << "," << y;
        }
    // High up, sky.
    Rgb sky = bm.at(640, 40);
    EXPECT_GT(sky.b, sky.r + 40);
}

// The dark borders are scenery (a post down each side), not a flat band
// that reads as a fault: nearly every row shows a few colours across the
// band, and the band's colours change down its length. They stay 16 pixels
// wide: the sky starts right beside them.
TEST(Layout, BackgroundBordersAreNarrowAndDrawn) {
    Bitmap bm = readBitmap(bitmapPath("BACK"));
    ASSERT_TRUE(bm.ok);
    for (int x0 : {0, 1264}) {
        SCOPED_TRACE(x0);
        std::set<int> down;
        int shaded = 0;
        for (int y = 0; y < 960; ++y) {
            std::set<int> across;
            for (int x = x0; x < x0 + 16; ++x) {
                Rgb c = bm.at(x, y);
                across.insert(c.r << 16 | c.g << 8 | c.b);
            }
            shaded += across.size() >= 4;
            Rgb mid = bm.at(x0 + 6, y);
            down.insert(mid.r << 16 | mid.g << 8 | mid.b);
        }
        EXPECT_GE(shaded, 900) << "rows of a flat band";
        EXPECT_GE(down.size(), 4u) << "one colour all the way down";
    }
    for (int y = 40; y < 700; y += 60)
        for (int x : {16, 1263}) {
            Rgb c = bm.at(x, y);
            EXPECT_GT(c.b, 150) << x << "," << y << ": sky, not border";
        }
}

struct Wave {
    uint32_t format = 0, channels = 0, rate = 0, bits = 0;
    std::vector<int16_t> samples;
};

Wave readWave(const fs::path& p) {
    Wave w;
    std::vector<uint8_t> b = readAll(p);
    if (b.size() < 12 || std::string(b.begin(), b.begin() + 4) != "RIFF" ||
        std::string(b.begin() + 8, b.begin() + 12) != "WAVE")
        return w;
    for (size_t at = 12; at + 8 <= b.size();) {
        std::string id(b.begin() + static_cast<long>(at), b.begin() + static_cast<long>(at) + 4);
        uint32_t len = u32(b, at + 4);
        if (id == "fmt ") {
            w.format = u16(b, at + 8);
            w.channels = u16(b, at + 10);
            w.rate = u32(b, at + 12);
            w.bits = u16(b, at + 22);
        } else if (id == "data") {
            for (size_t i = at + 8; i + 1 < at + 8 + len && i + 1 < b.size(); i += 2)
                w.samples.push_back(static_cast<int16_t>(u16(b, i)));
        }
        at += 8 + len + (len & 1);
    }
    return w;
}

TEST(Sounds, BothAreShortUnclippedMono16BitPcm) {
    for (const char* name : {"kick.wav", "a1.wav"}) {
        SCOPED_TRACE(name);
        Wave w = readWave(kAssets / "sounds" / name);
        EXPECT_EQ(w.format, 1u);
        EXPECT_EQ(w.channels, 1u);
        EXPECT_EQ(w.bits, 16u);
        ASSERT_GT(w.rate, 0u);
        ASSERT_FALSE(w.samples.empty());
        EXPECT_LT(w.samples.size(), w.rate / 2);
        int peak = 0;
        for (int16_t s : w.samples) peak = std::max(peak, std::abs(int{s}));
        EXPECT_LT(peak, 32767);
        EXPECT_GT(peak, 3000) << "hardly audible";
        // Starts and ends near silence, so it does not click.
        EXPECT_LT(std::abs(int{w.samples.front()}), 2000);
        EXPECT_LT(std::abs(int{w.samples.back()}), 2000);
    }
}

// The window's icon as the game loads it before handing it to the window:
// SDL must see an alpha channel, clear in the corners and solid in the
// middle, with soft steps along the round edge.
TEST(Icon, WindowIconKeepsItsTransparency) {
    std::vector<uint8_t> b = readAll(kAssets / "icon" / "icon-32.bmp");
    ASSERT_GE(b.size(), 54u);
    EXPECT_GE(u32(b, 14), 56u);  // a header with room for the alpha mask
    EXPECT_EQ(u16(b, 28), 32u);
    EXPECT_EQ(u32(b, 30), 3u);  // BI_BITFIELDS
    SDL_Surface* loaded = SDL_LoadBMP((kAssets / "icon" / "icon-32.bmp").string().c_str());
    ASSERT_NE(loaded, nullptr) << SDL_GetError();
    EXPECT_NE(loaded->format->Amask, 0u);
    SDL_Surface* rgba = SDL_ConvertSurfaceFormat(loaded, SDL_PIXELFORMAT_RGBA32, 0);
    SDL_FreeSurface(loaded);
    ASSERT_NE(rgba, nullptr);
    ASSERT_EQ(rgba->w, 32);
    ASSERT_EQ(rgba->h, 32);
    auto alpha = [rgba](int x, int y) {
        return static_cast<const uint8_t*>(rgba->pixels)[y * rgba->pitch + x * 4 + 3];
    };
    for (auto [x, y] : {std::pair{0, 0}, {31, 0}, {0, 31}, {31, 31}}) EXPECT_EQ(alpha(x, y), 0);
    EXPECT_EQ(alpha(16, 16), 255);
    int clear = 0, partial = 0;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            clear += alpha(x, y) == 0;
            partial += alpha(x, y) > 0 && alpha(x, y) < 255;
        }
    SDL_FreeSurface(rgba);
    // Outside a badge of radius 15.5: about 270 pixels, part of them covered.
    EXPECT_GT(clear, 120);
    EXPECT_LT(clear, 300);
    EXPECT_GT(partial, 40) << "a hard, stepped edge";
}

TEST(Icon, DesktopPngAtEachThemeSize) {
    const uint8_t sig[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    for (uint32_t size : {32u, 64u, 128u, 256u}) {
        SCOPED_TRACE(size);
        std::vector<uint8_t> png =
            readAll(kAssets / "icon" / ("pako-tumbo-" + std::to_string(size) + ".png"));
        ASSERT_GE(png.size(), 33u);
        EXPECT_TRUE(std::equal(sig, sig + 8, png.begin()));
        EXPECT_EQ(std::string(png.begin() + 12, png.begin() + 16), "IHDR");
        auto be32 = [&](size_t at) {
            return uint32_t{png[at]} << 24 | png[at + 1] << 16 | png[at + 2] << 8 | png[at + 3];
        };
        EXPECT_EQ(be32(16), size);
        EXPECT_EQ(be32(20), size);
        EXPECT_EQ(png[24], 8);  // bits per channel
        EXPECT_EQ(png[25], 6);  // RGBA
    }
}

}  // namespace
