// Bitmap files a player may drop into the game's folder: missing, cut off,
// wrongly sized, of every depth and layout, with absurd headers, or not a
// file at all. Each is either a picture the game shows or, refused, a
// picture left out exactly as a missing one is; never a crash, a hang, an
// allocation the file cannot back, or a copy outside a surface (the
// sanitizer build runs these too).
#include <gtest/gtest.h>

#include <SDL.h>
#if !defined(_WIN32)
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "display/bitmap.h"
#include "display/catalogue.h"
#include "display/display.h"
#include "game/game.h"
#include "game/state.h"
#include "harness/files.h"
#include "harness/process.h"
#include "platform/gdi.h"
#include "platform/headless/headless.h"
#include "platform/resources.h"

namespace {

using Bytes = std::vector<unsigned char>;

const std::string corpusDir = std::string(PAKO_CORPUS_DIR) + "/bitmap/";

Bytes corpus(const std::string& name) {
    std::ifstream in(corpusDir + name, std::ios::binary);
    EXPECT_TRUE(in.good()) << name;
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

void put(const std::string& file, const Bytes& bytes) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

// The largest single request SDL makes while a test watches: SDL's memory
// functions wrapped, each call handed on to the one it replaced.
struct AllocationWatch {
    static inline SDL_malloc_func realMalloc;
    static inline SDL_calloc_func realCalloc;
    static inline SDL_realloc_func realRealloc;
    static inline SDL_free_func realFree;
    static inline size_t largest = 0;
    static void* watchMalloc(size_t n) {
        largest = std::max(largest, n);
        return realMalloc(n);
    }
    static void* watchCalloc(size_t count, size_t n) {
        largest = std::max(largest, count * n);
        return realCalloc(count, n);
    }
    static void* watchRealloc(void* p, size_t n) {
        largest = std::max(largest, n);
        return realRealloc(p, n);
    }
    static void install() {
        static bool done = false;
        if (done) return;
        done = true;
        SDL_GetMemoryFunctions(&realMalloc, &realCalloc, &realRealloc, &realFree);
        SDL_SetMemoryFunctions(watchMalloc, watchCalloc, watchRealloc, realFree);
    }
};

uint16_t rgb565(int r, int g, int b) {
    return static_cast<uint16_t>((r >> 3) << 11 | (g >> 2) << 5 | (b >> 3));
}

// The pattern every small corpus picture shows (fuzz/make_bitmap_seeds.py):
// column x, row y from the top has palette colour (x + 2y) mod 8, taken
// modulo the colours its depth can index.
constexpr int PatternW = 13, PatternH = 7;
const int palette[8][3] = {{0, 0, 0},   {255, 255, 255}, {255, 0, 0},   {0, 255, 0},
                           {0, 0, 255}, {255, 255, 0},   {0, 255, 255}, {255, 0, 255}};
uint16_t patternPixel(int x, int y, int indexable) {
    const int* c = palette[(x + 2 * y) % 8 % indexable];
    return rgb565(c[0], c[1], c[2]);
}

uint16_t pixel(IDirectDrawSurface4* s, int x, int y) {
    return reinterpret_cast<const uint16_t*>(static_cast<const uint8_t*>(s->pixels->pixels) +
                                             y * s->pixels->pitch)[x];
}

int countPixels(IDirectDrawSurface4* s, uint16_t v) {
    int n = 0;
    for (int y = 0; y < s->pixels->h; ++y)
        for (int x = 0; x < s->pixels->w; ++x) n += pixel(s, x, y) == v;
    return n;
}

void fillBackBuffer(uint16_t v) { SDL_FillRect(backBuffer->pixels, nullptr, v); }

class BitmapInput : public ::testing::Test {
protected:
    TempDir dir;
    void SetUp() override {
        startGame();
        setResourcesEnabled(false);
    }
    // Loads the file PIC as a sprite of the given size, white transparent.
    static bool load(Sprite& s, int32_t w, int32_t h) {
        return s.loadSprite(0, 0, w, h, KeyWhite, 1) == 1;
    }
    // Every draw the game makes, at places that clip the picture on all
    // sides and outside the screen; a game frame on top.
    static void drawEverywhere(Sprite& s) {
        const int32_t w = s.width, h = s.height;
        const int32_t places[][2] = {
            {0, 0},     {-w / 2, -h / 2}, {640 - w / 2, 480 - h / 2}, {640 - w, 480 - h},
            {700, 100}, {-w - 1, -h - 1}};
        for (const auto& p : places) {
            s.drawKeyed(p[0], p[1]);
            s.drawOpaque(p[0], p[1]);
        }
        s.drawStretched(RECT{112, 40, 528, 240});
        s.drawStretched(RECT{0, 0, 1, 1});
    }
};

TEST_F(BitmapInput, MissingBitmapLeavesThePictureOutAndTheGameGoesOn) {
    Sprite s("PIC");
    EXPECT_FALSE(load(s, 30, 30));
    EXPECT_EQ(s.surface, nullptr);
    EXPECT_EQ(s.width, 0);
    fillBackBuffer(0x1234);
    EXPECT_NE(s.drawKeyed(10, 10), DD_OK);
    EXPECT_NE(s.drawStretched(RECT{0, 0, 10, 10}), DD_OK);
    EXPECT_EQ(countPixels(backBuffer, 0x1234), 640 * 480);
    // A whole game without a single picture file runs on.
    for (const CatalogueEntry& e : catalogue) e.sprite->releaseSprite();
    loadAllSprites();
    for (const CatalogueEntry& e : catalogue) EXPECT_EQ(e.sprite->surface, nullptr);
    game.titleActive = 0;
    for (int i = 0; i < 300; ++i) gameFrame();
    EXPECT_EQ(game.serveReady, 1);
    EXPECT_TRUE(headless::debugStrings().empty());
}

TEST_F(BitmapInput, FileCutOffInTheHeaderThePaletteOrThePixelsIsTreatedAsMissing) {
    for (const char* name : {"ok-8bit.bmp", "ok-24bit.bmp", "ok-8bit-rle.bmp", "ok-4bit-rle.bmp",
                             "ok-8bit-core-header.bmp", "ok-24bit-v5-header.bmp", "ok-1bit.bmp"}) {
        const Bytes whole = corpus(name);
        for (size_t n = 0; n < whole.size(); ++n) {
            put("PIC", Bytes(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(n)));
            Sprite s("PIC");
            ASSERT_FALSE(load(s, PatternW, PatternH)) << name << " cut to " << n << " bytes";
        }
        put("PIC", whole);
        Sprite s("PIC");
        EXPECT_TRUE(load(s, PatternW, PatternH)) << name;
    }
    EXPECT_EQ(gdiLiveObjects(), 0);
}

TEST_F(BitmapInput, EveryDepthAndLayoutShowsItsPictureTheRightWayUp) {
    const struct {
        const char* file;
        int indexable;  // colours the depth can index (8 for direct colour)
    } files[] = {{"ok-1bit.bmp", 2},
                 {"ok-2bit.bmp", 4},
                 {"ok-4bit.bmp", 8},
                 {"ok-8bit.bmp", 8},
                 {"ok-8bit-topdown.bmp", 8},
                 {"ok-8bit-core-header.bmp", 8},
                 {"ok-8bit-rle.bmp", 8},
                 {"ok-4bit-rle.bmp", 8},
                 {"ok-16bit-555.bmp", 8},
                 {"ok-16bit-565-bitfields.bmp", 8},
                 {"ok-24bit.bmp", 8},
                 {"ok-24bit-topdown.bmp", 8},
                 {"ok-24bit-core-header.bmp", 8},
                 {"ok-24bit-v4-header.bmp", 8},
                 {"ok-24bit-v5-header.bmp", 8},
                 {"ok-32bit.bmp", 8},
                 {"ok-32bit-bitfields.bmp", 8}};
    for (const auto& f : files) {
        put("PIC", corpus(f.file));
        Sprite s("PIC");
        ASSERT_TRUE(s.loadSprite(0, 0, PatternW, PatternH, KeyNone, 1)) << f.file;
        ASSERT_EQ(s.surface->pixels->w, PatternW) << f.file;
        ASSERT_EQ(s.surface->pixels->h, PatternH) << f.file;
        int wrong = 0;
        for (int y = 0; y < PatternH; ++y)
            for (int x = 0; x < PatternW; ++x)
                wrong += pixel(s.surface, x, y) != patternPixel(x, y, f.indexable);
        EXPECT_EQ(wrong, 0) << f.file;
        // A 32-bit picture's alpha is ignored: drawn opaque, every pixel.
        fillBackBuffer(0x0841);
        EXPECT_EQ(s.drawOpaque(100, 100), DD_OK) << f.file;
        EXPECT_EQ(pixel(backBuffer, 100 + 12, 100 + 6), patternPixel(12, 6, f.indexable)) << f.file;
    }
}

TEST_F(BitmapInput, OneByOnePictureLoadsAndZeroByZeroIsRefused) {
    put("PIC", corpus("ok-1x1.bmp"));
    Sprite one("PIC");
    ASSERT_TRUE(load(one, 1, 1));
    EXPECT_EQ(one.surface->pixels->w, 1);
    EXPECT_EQ(one.surface->pixels->h, 1);
    EXPECT_EQ(one.drawKeyed(639, 479), DD_OK);
    drawEverywhere(one);
    // The key match reads the first word of a one-pixel surface: inside
    // its row, which the sanitizer build checks.
    EXPECT_EQ(matchColor(one.surface, RGB_WHITE), 0xFFFFu);

    put("PIC", corpus("refused-0x0.bmp"));
    Sprite none("PIC");
    EXPECT_FALSE(load(none, 1, 1));
}

TEST_F(BitmapInput, NegativeAndHugeSizesAreRefusedBeforeAnythingLargeIsAllocated) {
    AllocationWatch::install();
    for (const char* name : {"refused-negative-width.bmp", "refused-huge-50000x50000.bmp",
                             "refused-width-over-16384.bmp", "refused-height-below-minus-16384.bmp",
                             "refused-huge-rle.bmp", "refused-bitfields-16384x16384.bmp",
                             "refused-core-header-65535-rows.bmp"}) {
        put("PIC", corpus(name));
        AllocationWatch::largest = 0;
        Sprite s("PIC");
        EXPECT_FALSE(load(s, 30, 30)) << name;
        EXPECT_LT(AllocationWatch::largest, size_t{64 * 1024}) << name;
    }
    // A top-down picture is a negative height, and nothing more.
    put("PIC", corpus("ok-24bit-topdown.bmp"));
    Sprite s("PIC");
    EXPECT_TRUE(load(s, PatternW, PatternH));
}

TEST_F(BitmapInput, HeadersTheFileCannotBackAreRefused) {
    for (const char* name :
         {"refused-empty.bmp", "refused-not-a-bitmap.bmp", "refused-data-offset-past-end.bmp",
          "refused-data-offset-in-header.bmp", "refused-rle-topdown.bmp", "refused-jpeg-inside.bmp",
          "refused-64bit.bmp", "refused-bit-count-7.bmp", "refused-header-size-16.bmp",
          "refused-cut-in-palette.bmp", "refused-cut-in-pixels.bmp",
          "refused-suite-badpalettesize.bmp", "refused-suite-pal1huffmsb.bmp",
          "refused-suite-pal8badindex.bmp", "refused-suite-shortfile.bmp",
          "refused-suite-rletopdown.bmp"}) {
        put("PIC", corpus(name));
        Sprite s("PIC");
        EXPECT_FALSE(load(s, PatternW, PatternH)) << name;
    }
    EXPECT_EQ(gdiLiveObjects(), 0);
}

TEST_F(BitmapInput, EveryCorpusFileIsTakenOrRefusedAsItsNameSaysAndDrawsSafely) {
    int taken = 0, refused = 0;
    for (const auto& entry : std::filesystem::directory_iterator(corpusDir)) {
        const std::string name = entry.path().filename().string();
        put("PIC", corpus(name));
        Sprite s("PIC");
        const bool ok = load(s, 80, 50);
        if (name.rfind("ok-", 0) == 0) {
            EXPECT_TRUE(ok) << name;
            taken += ok;
        } else {
            EXPECT_FALSE(ok) << name;
            refused += !ok;
        }
        if (!ok) continue;
        // At the catalogue's size and at the picture's own.
        drawEverywhere(s);
        Sprite own("PIC");
        ASSERT_TRUE(load(own, s.surface->pixels->w, s.surface->pixels->h)) << name;
        drawEverywhere(own);
    }
    EXPECT_GE(taken, 20);
    EXPECT_GE(refused, 20);
    EXPECT_EQ(gdiLiveObjects(), 0);
}

TEST_F(BitmapInput, WronglySizedBitmapDrawsOnlyWhatLiesInsideItsSurface) {
    // Larger than the catalogue says: its top-left part, at the sprite's size.
    writeBitmap("PIC", 120, 70, 0x0000FF);
    Sprite big("PIC");
    ASSERT_TRUE(load(big, 80, 50));
    EXPECT_EQ(big.surface->pixels->w, 120);
    fillBackBuffer(0);
    EXPECT_EQ(big.drawKeyed(0, 0), DD_OK);
    EXPECT_EQ(countPixels(backBuffer, rgb565(0, 0, 255)), 80 * 50);
    drawEverywhere(big);

    // Smaller: the sprite's rectangle reaches past the picture, so the copies
    // are refused and nothing of it is drawn; nothing is read beyond it.
    writeBitmap("PIC", 40, 20, 0x0000FF);
    Sprite small("PIC");
    ASSERT_TRUE(load(small, 80, 50));
    fillBackBuffer(0);
    EXPECT_EQ(small.drawKeyed(0, 0), DDERR_INVALIDRECT);
    EXPECT_EQ(small.drawOpaque(-60, -40), DDERR_INVALIDRECT);
    EXPECT_EQ(small.drawStretched(RECT{112, 40, 528, 240}), DDERR_INVALIDRECT);
    drawEverywhere(small);
    EXPECT_EQ(countPixels(backBuffer, 0), 640 * 480);
}

TEST_F(BitmapInput, ReloadStretchesADifferentlySizedFileOverTheWholeSurface) {
    writeBitmap("PIC", 80, 50, 0xFF0000);
    Sprite s("PIC");
    ASSERT_TRUE(load(s, 80, 50));
    for (const auto& size : {std::array<int, 2>{7, 3}, std::array<int, 2>{1000, 999}}) {
        writeBitmap("PIC", size[0], size[1], 0x00FF00);
        headless::loseAllSurfaces();
        EXPECT_EQ(s.drawKeyed(0, 0), DD_OK);  // the recovery's answer
        EXPECT_EQ(countPixels(s.surface, rgb565(0, 255, 0)), 80 * 50);
        writeBitmap("PIC", 80, 50, 0xFF0000);
    }
    EXPECT_EQ(gdiLiveObjects(), 0);
}

TEST_F(BitmapInput, BrokenFileAtReloadLeavesThePictureOutUntilTheFileIsGoodAgain) {
    writeBitmap("PIC", 80, 50, 0xFF0000);
    Sprite s("PIC");
    ASSERT_TRUE(load(s, 80, 50));
    put("PIC", corpus("refused-cut-in-pixels.bmp"));
    headless::loseAllSurfaces();
    EXPECT_EQ(s.drawKeyed(0, 0), E_FAIL);
    ASSERT_FALSE(headless::debugStrings().empty());
    EXPECT_EQ(headless::debugStrings().back(), "handle is null\n");
    // Still without its picture: nothing drawn, the reload tried again.
    fillBackBuffer(0x1234);
    EXPECT_NE(s.drawKeyed(0, 0), DD_OK);
    EXPECT_EQ(countPixels(backBuffer, 0x1234), 640 * 480);
    // The good file back: the next draw recovers, the one after shows it.
    writeBitmap("PIC", 80, 50, 0x0000FF);
    s.drawKeyed(0, 0);
    fillBackBuffer(0);
    EXPECT_EQ(s.drawKeyed(0, 0), DD_OK);
    EXPECT_EQ(countPixels(backBuffer, rgb565(0, 0, 255)), 80 * 50);
}

TEST_F(BitmapInput, FolderPipeOrUnreadableFileOfThatNameIsTreatedAsMissing) {
    // A folder of the picture's name.
    ASSERT_TRUE(std::filesystem::create_directory("WAVEPAKO1"));
    Sprite folder("WAVEPAKO1");
    EXPECT_FALSE(load(folder, 80, 50));
#if defined(_WIN32)
    // A device of the name: the console, and the null device.
    Sprite console("CON");
    EXPECT_FALSE(load(console, 80, 50));
    Sprite null("NUL");
    EXPECT_FALSE(load(null, 80, 50));
#else

    // A pipe nobody writes to: opening it must not wait for a writer.
    ASSERT_EQ(mkfifo("PIPE", 0644), 0);
    Sprite pipe("PIPE");
    EXPECT_FALSE(load(pipe, 80, 50));

    // A name that cannot be opened: a link to itself, and a file without
    // read permission (which binds only when the tests do not run as root).
    ASSERT_EQ(symlink("LOOP", "LOOP"), 0);
    Sprite loop("LOOP");
    EXPECT_FALSE(load(loop, 80, 50));
    writeBitmap("LOCKED", 80, 50, 0xFF0000);
    ASSERT_EQ(chmod("LOCKED", 0), 0);
    Sprite locked("LOCKED");
    EXPECT_EQ(load(locked, 80, 50), geteuid() == 0);

    // A device: /dev/zero never ends and is no bitmap.
    Sprite device("/dev/zero");
    EXPECT_FALSE(load(device, 80, 50));
#endif
    EXPECT_EQ(gdiLiveObjects(), 0);
}

}  // namespace
