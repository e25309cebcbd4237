// The display adapter, the sprites and the bitmap loading.
#include <gtest/gtest.h>

#include <SDL.h>

#include <filesystem>
#include <fstream>

#include "display/bitmap.h"
#include "display/catalogue.h"
#include "display/display.h"
#include "harness/files.h"
#include "harness/process.h"
#include "platform/gdi.h"
#include "platform/headless/headless.h"
#include "platform/resources.h"

namespace {

using backend::Op;

class Display : public ::testing::Test {
protected:
    TempDir dir;
    void SetUp() override {
        // The game running, with no picture loaded yet and every picture
        // taken from a file the test writes.
        startGame();
        releaseAllSprites();
        setResourcesEnabled(false);
    }
    static IDirectDrawSurface4* makeSurface(int w, int h) {
        DDSURFACEDESC2 desc{};
        desc.dwSize = sizeof desc;
        desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
        desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY;
        desc.dwWidth = static_cast<DWORD>(w);
        desc.dwHeight = static_cast<DWORD>(h);
        IDirectDrawSurface4* s = nullptr;
        EXPECT_EQ(directDraw->CreateSurface(&desc, &s, nullptr), DD_OK);
        return s;
    }
    static void fill(IDirectDrawSurface4* s, uint16_t v) {
        auto* p = static_cast<uint16_t*>(s->pixels->pixels);
        for (int i = 0; i < s->pixels->pitch / 2 * s->pixels->h; ++i) p[i] = v;
    }
    static uint16_t pixel(IDirectDrawSurface4* s, int x, int y) {
        return reinterpret_cast<uint16_t*>(static_cast<uint8_t*>(s->pixels->pixels) +
                                           y * s->pixels->pitch)[x];
    }
    static int count(IDirectDrawSurface4* s, uint16_t v) {
        int n = 0;
        for (int y = 0; y < s->pixels->h; ++y)
            for (int x = 0; x < s->pixels->w; ++x) n += pixel(s, x, y) == v;
        return n;
    }
};

TEST_F(Display, CopiesRefuseRectanglesOutsideEitherSurface) {
    IDirectDrawSurface4* src = makeSurface(30, 30);
    fill(src, 0x1234);
    fill(backBuffer, 0);
    RECT r{0, 0, 30, 30};
    EXPECT_EQ(backBuffer->BltFast(610, 450, src, &r, DDBLTFAST_WAIT), DD_OK);
    EXPECT_EQ(count(backBuffer, 0x1234), 900);
    fill(backBuffer, 0);
    EXPECT_EQ(backBuffer->BltFast(611, 450, src, &r, DDBLTFAST_WAIT), DDERR_INVALIDRECT);
    EXPECT_EQ(backBuffer->BltFast(0, 451, src, &r, DDBLTFAST_WAIT), DDERR_INVALIDRECT);
    EXPECT_EQ(backBuffer->BltFast(0xFFFFFFF0u, 0, src, &r, DDBLTFAST_WAIT), DDERR_INVALIDRECT);
    RECT beyond{0, 0, 31, 30};
    EXPECT_EQ(backBuffer->BltFast(0, 0, src, &beyond, DDBLTFAST_WAIT), DDERR_INVALIDRECT);
    RECT negative{-1, 0, 30, 30};
    EXPECT_EQ(backBuffer->BltFast(0, 0, src, &negative, DDBLTFAST_WAIT), DDERR_INVALIDRECT);
    RECT empty{5, 5, 5, 20}, inverted{10, 10, 2, 20};
    EXPECT_NE(backBuffer->BltFast(0, 0, src, &empty, DDBLTFAST_WAIT), DD_OK);
    EXPECT_NE(backBuffer->BltFast(0, 0, src, &inverted, DDBLTFAST_WAIT), DD_OK);
    RECT bigDest{0, 0, 641, 100};
    EXPECT_EQ(backBuffer->Blt(&bigDest, src, &r, DDBLT_WAIT, nullptr), DDERR_INVALIDRECT);
    RECT invertedDest{100, 100, 50, 150};
    EXPECT_EQ(backBuffer->Blt(&invertedDest, src, &r, DDBLT_WAIT, nullptr), DDERR_INVALIDRECT);
    EXPECT_EQ(count(backBuffer, 0x1234), 0);
    src->Release();
}

TEST_F(Display, KeyedAndStretchedCopiesLeaveTheKeyOut) {
    IDirectDrawSurface4* src = makeSurface(4, 2);
    fill(src, 0xFFFF);
    reinterpret_cast<uint16_t*>(src->pixels->pixels)[1] = 0x07E0;
    DDCOLORKEY key{0xFFFF, 0xFFFF};
    ASSERT_EQ(src->SetColorKey(DDCKEY_SRCBLT, &key), DD_OK);
    fill(backBuffer, 0xF800);
    RECT r{0, 0, 4, 2};
    EXPECT_EQ(backBuffer->BltFast(10, 10, src, &r, DDBLTFAST_WAIT | DDBLTFAST_SRCCOLORKEY), DD_OK);
    EXPECT_EQ(pixel(backBuffer, 10, 10), 0xF800);
    EXPECT_EQ(pixel(backBuffer, 11, 10), 0x07E0);
    EXPECT_EQ(count(backBuffer, 0xF800), 640 * 480 - 1);
    // Stretched to twice the size: the green pixel covers a 2 x 2 block.
    RECT d{100, 100, 108, 104};
    EXPECT_EQ(backBuffer->Blt(&d, src, &r, DDBLT_KEYSRC | DDBLT_WAIT, nullptr), DD_OK);
    EXPECT_EQ(count(backBuffer, 0x07E0), 5);
    EXPECT_EQ(pixel(backBuffer, 102, 100), 0x07E0);
    EXPECT_EQ(pixel(backBuffer, 103, 101), 0x07E0);
    // Without the key flag every pixel is copied.
    EXPECT_EQ(backBuffer->BltFast(0, 0, src, &r, DDBLTFAST_WAIT), DD_OK);
    EXPECT_EQ(pixel(backBuffer, 0, 0), 0xFFFF);
    // A key no 16-bit pixel can have (a failed match) leaves all drawn.
    DDCOLORKEY none{0xFFFFFFFF, 0xFFFFFFFF};
    src->SetColorKey(DDCKEY_SRCBLT, &none);
    EXPECT_EQ(backBuffer->BltFast(20, 0, src, &r, DDBLTFAST_WAIT | DDBLTFAST_SRCCOLORKEY), DD_OK);
    EXPECT_EQ(pixel(backBuffer, 20, 0), 0xFFFF);
    src->Release();
}

TEST_F(Display, ColourKeysMatchThroughTheSurfaceAndKeepThePicture) {
    IDirectDrawSurface4* s = makeSurface(8, 8);
    fill(s, 0x1234);
    EXPECT_EQ(matchColor(s, RGB_WHITE), 0xFFFFu);
    EXPECT_EQ(matchColor(s, RGB_BLACK), 0x0000u);
    EXPECT_EQ(matchColor(s, RGB(250, 253, 250)), 0xFFFFu);  // nearest 5-6-5 colour
    EXPECT_EQ(pixel(s, 0, 0), 0x1234);                      // the top-left put back
    // A lock that stays busy is retried; one that fails gives no key.
    headless::injectFault(Op::Lock, headless::callCount(Op::Lock) + 1, DDERR_WASSTILLDRAWING, 3);
    EXPECT_EQ(matchColor(s, RGB_WHITE), 0xFFFFu);
    headless::injectFault(Op::Lock, headless::callCount(Op::Lock) + 1, E_FAIL);
    EXPECT_EQ(matchColor(s, RGB_WHITE), 0xFFFFFFFFu);
    EXPECT_EQ(applyColorKey(s, RGB_BLACK), DD_OK);
    EXPECT_TRUE(s->hasKey);
    EXPECT_EQ(s->key, 0u);
    s->Release();
}

TEST_F(Display, SpritesClipToTheScreen) {
    writeBitmap("ONE", 30, 30, 0x336699);
    writeBitmap("ZABLOSTAND", 120, 120, 0x336699);
    writeBitmap("BACK", 1280, 960, 0x336699);
    ASSERT_EQ(ONE.loadSprite(0, 0, 30, 30, KeyWhite, 1), 1);
    ASSERT_EQ(ZABLOSTAND.loadSprite(0, 0, 120, 120, KeyWhite, 1), 1);
    ASSERT_EQ(BACK.loadSprite(0, 0, 1280, 960, KeyNone, 1), 1);
    auto clip = [](Sprite& s, int32_t x, int32_t y) {
        s.clipToScreen(x, y);
        return std::vector<int32_t>{
            s.srcRect.left, s.srcRect.top, s.srcRect.right, s.srcRect.bottom, x, y};
    };
    EXPECT_EQ(clip(ONE, -10, -5), (std::vector<int32_t>{10, 5, 30, 30, 0, 0}));
    EXPECT_EQ(clip(ZABLOSTAND, 600, 400), (std::vector<int32_t>{0, 0, 40, 80, 600, 400}));
    EXPECT_EQ(clip(ZABLOSTAND, 520, 360), (std::vector<int32_t>{0, 0, 120, 120, 520, 360}));
    EXPECT_EQ(clip(BACK, 0, -480), (std::vector<int32_t>{0, 480, 640, 960, 0, 0}));
    EXPECT_EQ(clip(BACK, -640, 0), (std::vector<int32_t>{640, 0, 1280, 480, 0, 0}));
    // Wholly outside: nothing is drawn, whatever the device answers.
    fill(backBuffer, 0);
    ZABLOSTAND.drawKeyed(700, 100);
    ZABLOSTAND.drawKeyed(-140, 100);
    ZABLOSTAND.drawKeyed(100, 480);
    EXPECT_EQ(count(backBuffer, 0), 640 * 480);
    EXPECT_EQ(ZABLOSTAND.drawKeyed(600, 400), DD_OK);
    EXPECT_EQ(count(backBuffer, 0), 640 * 480 - 40 * 80);
    EXPECT_EQ(BACK.drawOpaque(-100, -200), DD_OK);
    EXPECT_EQ(count(backBuffer, 0), 0);
}

TEST_F(Display, LoadingPrefersTheResourceAndSizesTheSurfaceFromTheBitmap) {
    writeBitmap("GO", 65, 38, 0xFF0000, 0xFFFFFF);
    ASSERT_EQ(GO.loadSprite(0, 0, 65, 38, KeyWhite, 0), 1);
    EXPECT_EQ(GO.surface->pixels->w, 65);
    EXPECT_EQ(GO.surface->pixels->h, 38);
    EXPECT_FALSE(GO.surface->caps & DDSCAPS_SYSTEMMEMORY);
    EXPECT_EQ(GO.surface->key, 0xFFFFu);
    EXPECT_EQ(pixel(GO.surface, 0, 0), 0xFFFF);
    EXPECT_EQ(pixel(GO.surface, 1, 0), 0xF800);
    EXPECT_EQ((std::vector<int32_t>{GO.baseRect.left, GO.baseRect.top, GO.baseRect.right,
                                    GO.baseRect.bottom, GO.width, GO.height}),
              (std::vector<int32_t>{0, 0, 65, 38, 65, 38}));
    // No file and no resource: no surface, nothing reported, draws fail quietly.
    EXPECT_EQ(READY.loadSprite(0, 0, 141, 35, KeyWhite, 1), 0);
    EXPECT_EQ(READY.surface, nullptr);
    EXPECT_NE(READY.drawKeyed(10, 10), DD_OK);
    EXPECT_TRUE(headless::debugStrings().empty());
    // A file of the wrong size gets a surface of its own size; a copy that
    // would read past it is refused, and nothing is drawn.
    writeBitmap("ANGLE", 7, 3, 0x00FF00);
    ASSERT_EQ(ANGLE.loadSprite(0, 0, 40, 50, KeyWhite, 1), 1);
    EXPECT_EQ(ANGLE.surface->pixels->w, 7);
    fill(backBuffer, 0);
    EXPECT_EQ(ANGLE.drawKeyed(630, 470), DDERR_INVALIDRECT);
    EXPECT_EQ(ANGLE.drawKeyed(0, 0), DDERR_INVALIDRECT);
    EXPECT_EQ(count(backBuffer, 0), 640 * 480);
}

TEST_F(Display, ALostSurfaceIsRestoredByTheDrawThatNoticesIt) {
    writeBitmap("HERE", 120, 100, 0x00FF00, 0xFFFFFF);
    ASSERT_EQ(HERE.loadSprite(0, 0, 120, 100, KeyWhite, 1), 1);
    fill(backBuffer, 0x001F);
    headless::loseAllSurfaces();
    EXPECT_EQ(HERE.drawKeyed(0, 0), DD_OK);   // restored and reloaded
    EXPECT_EQ(count(backBuffer, 0x07E0), 0);  // missing in this frame
    EXPECT_EQ(HERE.drawKeyed(0, 0), DD_OK);
    EXPECT_EQ(count(backBuffer, 0x07E0), 120 * 100 - 1);
    EXPECT_EQ(HERE.surface->key, 0xFFFFu);  // the key set at load is kept
    // The reload fails when the file has gone meanwhile.
    std::filesystem::remove("HERE");
    headless::loseAllSurfaces();
    EXPECT_EQ(HERE.drawKeyed(0, 0), E_FAIL);
    ASSERT_EQ(headless::debugStrings().size(), 1u);
    EXPECT_EQ(headless::debugStrings()[0], "handle is null\n");
    // A restore that fails leaves it lost; its next draw tries again.
    headless::loseAllSurfaces();
    headless::injectFault(Op::Restore, headless::callCount(Op::Restore) + 2, E_FAIL);
    EXPECT_EQ(HERE.drawKeyed(0, 0), E_FAIL);
    writeBitmap("HERE", 120, 100, 0x00FF00);
    EXPECT_EQ(HERE.drawKeyed(0, 0), DD_OK);
}

TEST_F(Display, CopyFailuresReachTheDebuggerOutput) {
    writeBitmap("TWO", 30, 30, 0x123456);
    ASSERT_EQ(TWO.loadSprite(0, 0, 30, 30, KeyWhite, 1), 1);
    headless::injectFault(Op::GetDC, headless::callCount(Op::GetDC) + 1, DDERR_NODC);
    EXPECT_EQ(reloadBitmap(TWO.surface, "TWO"), DDERR_NODC);
    headless::injectFault(Op::CreateCompatibleDC, headless::callCount(Op::CreateCompatibleDC) + 1,
                          E_FAIL);
    EXPECT_EQ(reloadBitmap(TWO.surface, "TWO"), DD_OK);
    EXPECT_EQ(headless::debugStrings(),
              (std::vector<std::string>{"ddcopybitmap failed\n", "crreatecompatible dc failed\n"}));
    EXPECT_EQ(gdiLiveObjects(), 0);  // every bitmap and context handed back
}

}  // namespace

namespace {

// The copies against the plain per-pixel rule, on random pictures of random
// sizes (odd widths, rows shorter than a group of eight, long rows with
// ragged tails), with pixels of the key scattered in runs and alone.
TEST_F(Display, FastCopiesDrawWhatThePlainPixelRuleDraws) {
    uint32_t seed = 12345;
    auto next = [&seed](uint32_t n) {
        seed = seed * 1664525u + 1013904223u;
        return (seed >> 8) % n;
    };
    std::vector<uint16_t> before(640 * 480), want(640 * 480);
    for (int round = 0; round < 300; ++round) {
        const int w = 1 + static_cast<int>(next(round % 3 == 0 ? 9 : 200));
        const int h = 1 + static_cast<int>(next(40));
        IDirectDrawSurface4* src = makeSurface(w, h);
        const uint16_t keyValue = round % 2 ? 0xFFFF : 0x0000;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                auto* p = reinterpret_cast<uint16_t*>(static_cast<uint8_t*>(src->pixels->pixels) +
                                                      y * src->pixels->pitch);
                p[x] = next(3) == 0 || (x / 5) % 3 == 0 ? keyValue
                                                        : static_cast<uint16_t>(next(65536));
            }
        DDCOLORKEY key{keyValue, keyValue};
        ASSERT_EQ(src->SetColorKey(DDCKEY_SRCBLT, &key), DD_OK);
        if (round % 4 == 3) {
            // Drawn into (here one pixel onto itself), a picture forgets its
            // opaque spans and is copied group of pixels by group.
            RECT one{0, 0, 1, 1};
            ASSERT_EQ(src->BltFast(0, 0, src, &one, DDBLTFAST_WAIT), DD_OK);
        }
        for (int y = 0; y < 480; ++y)
            for (int x = 0; x < 640; ++x) before[y * 640 + x] = static_cast<uint16_t>(next(65536));
        auto load = [&] {
            for (int y = 0; y < 480; ++y)
                for (int x = 0; x < 640; ++x)
                    reinterpret_cast<uint16_t*>(static_cast<uint8_t*>(backBuffer->pixels->pixels) +
                                                y * backBuffer->pixels->pitch)[x] =
                        before[y * 640 + x];
        };
        auto srcPixel = [&](int x, int y) { return pixel(src, x, y); };
        auto compare = [&](const char* what) {
            int wrong = 0;
            for (int y = 0; y < 480; ++y)
                for (int x = 0; x < 640; ++x) wrong += pixel(backBuffer, x, y) != want[y * 640 + x];
            EXPECT_EQ(wrong, 0) << what << " of " << w << " x " << h << " in round " << round;
        };

        // Keyed, a random part of the picture at a random place.
        RECT r{static_cast<LONG>(next(static_cast<uint32_t>(w))),
               static_cast<LONG>(next(static_cast<uint32_t>(h))), 0, 0};
        r.right = r.left + 1 + static_cast<LONG>(next(static_cast<uint32_t>(w - r.left)));
        r.bottom = r.top + 1 + static_cast<LONG>(next(static_cast<uint32_t>(h - r.top)));
        const int x0 = static_cast<int>(next(640 - static_cast<uint32_t>(r.right - r.left) + 1));
        const int y0 = static_cast<int>(next(480 - static_cast<uint32_t>(r.bottom - r.top) + 1));
        want = before;
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x)
                if (srcPixel(x, y) != keyValue)
                    want[(y0 + y - r.top) * 640 + x0 + x - r.left] = srcPixel(x, y);
        load();
        ASSERT_EQ(backBuffer->BltFast(static_cast<DWORD>(x0), static_cast<DWORD>(y0), src, &r,
                                      DDBLTFAST_WAIT | DDBLTFAST_SRCCOLORKEY),
                  DD_OK);
        compare("keyed copy");

        // Stretched, keyed and not, to a random rectangle.
        RECT d{static_cast<LONG>(next(600)), static_cast<LONG>(next(440)), 0, 0};
        d.right = d.left + 1 + static_cast<LONG>(next(static_cast<uint32_t>(640 - d.left)));
        d.bottom = d.top + 1 + static_cast<LONG>(next(static_cast<uint32_t>(480 - d.top)));
        if (round % 3 == 1) {
            // Near the picture's own size, where rows are scaled run by run.
            d = RECT{5, 7, 5 + (r.right - r.left) + static_cast<LONG>(next(3)),
                     7 + (r.bottom - r.top) + static_cast<LONG>(next(3))};
        }
        for (int keyed = 0; keyed < 2; ++keyed) {
            want = before;
            const int64_t dw = d.right - d.left, dh = d.bottom - d.top;
            const int64_t sw = r.right - r.left, sh = r.bottom - r.top;
            for (int64_t j = 0; j < dh; ++j)
                for (int64_t i = 0; i < dw; ++i) {
                    const uint16_t p = srcPixel(static_cast<int>(r.left + i * sw / dw),
                                                static_cast<int>(r.top + j * sh / dh));
                    if (!keyed || p != keyValue) want[(d.top + j) * 640 + d.left + i] = p;
                }
            load();
            ASSERT_EQ(
                backBuffer->Blt(&d, src, &r, (keyed ? DDBLT_KEYSRC : 0) | DDBLT_WAIT, nullptr),
                DD_OK);
            compare(keyed ? "keyed stretch" : "plain stretch");
        }
        src->Release();
    }
}

TEST_F(Display, KeyedCopiesShowWhatWasDrawnIntoThePictureAfterItsKeyWasSet) {
    IDirectDrawSurface4* src = makeSurface(40, 10);
    fill(src, 0xFFFF);
    DDCOLORKEY key{0xFFFF, 0xFFFF};
    ASSERT_EQ(src->SetColorKey(DDCKEY_SRCBLT, &key), DD_OK);
    RECT whole{0, 0, 40, 10};
    auto shown = [&](int x, int y) {
        fill(backBuffer, 0x0001);
        EXPECT_EQ(backBuffer->BltFast(100, 100, src, &whole, DDBLTFAST_SRCCOLORKEY), DD_OK);
        RECT d{200, 200, 280, 220};  // twice the size
        EXPECT_EQ(backBuffer->Blt(&d, src, &whole, DDBLT_KEYSRC, nullptr), DD_OK);
        return std::pair{pixel(backBuffer, 100 + x, 100 + y),
                         pixel(backBuffer, 200 + 2 * x, 200 + 2 * y)};
    };
    EXPECT_EQ(shown(5, 5), std::pair(uint16_t{1}, uint16_t{1}));

    // Through Lock and Unlock.
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof desc;
    ASSERT_EQ(src->Lock(nullptr, &desc, 0, nullptr), DD_OK);
    static_cast<uint16_t*>(desc.lpSurface)[5 * desc.lPitch / 2 + 5] = 0x1234;
    EXPECT_EQ(shown(5, 5), std::pair(uint16_t{0x1234}, uint16_t{0x1234})) << "drawn while locked";
    ASSERT_EQ(src->Unlock(nullptr), DD_OK);
    EXPECT_EQ(shown(5, 5), std::pair(uint16_t{0x1234}, uint16_t{0x1234})) << "after Unlock";

    // As the destination of a copy.
    IDirectDrawSurface4* dot = makeSurface(1, 1);
    fill(dot, 0x4321);
    ASSERT_EQ(src->BltFast(30, 2, dot, nullptr, DDBLTFAST_WAIT), DD_OK);
    EXPECT_EQ(shown(30, 2), std::pair(uint16_t{0x4321}, uint16_t{0x4321}));
    ASSERT_EQ(src->Lock(nullptr, &desc, 0, nullptr), DD_OK);
    ASSERT_EQ(src->Unlock(nullptr), DD_OK);
    RECT wide{10, 8, 14, 9};
    ASSERT_EQ(src->Blt(&wide, dot, nullptr, DDBLT_WAIT, nullptr), DD_OK);
    EXPECT_EQ(shown(13, 8), std::pair(uint16_t{0x4321}, uint16_t{0x4321}));

    // Through a device context: the key painted over one pixel, a colour
    // over another.
    ASSERT_EQ(src->Lock(nullptr, &desc, 0, nullptr), DD_OK);
    ASSERT_EQ(src->Unlock(nullptr), DD_OK);
    HDC dc = nullptr;
    ASSERT_EQ(src->GetDC(&dc), DD_OK);
    SetPixel(dc, 5, 5, RGB(255, 255, 255));
    SetPixel(dc, 7, 3, RGB(0, 0, 0));
    EXPECT_EQ(shown(7, 3), std::pair(uint16_t{0}, uint16_t{0})) << "while the context is out";
    ASSERT_EQ(src->ReleaseDC(dc), DD_OK);
    EXPECT_EQ(shown(5, 5), std::pair(uint16_t{1}, uint16_t{1})) << "the key again";
    EXPECT_EQ(shown(7, 3), std::pair(uint16_t{0}, uint16_t{0}));

    // A restored surface holds black all over, drawn where the old picture
    // had its key too.
    ddraw::markLost(src);
    ASSERT_EQ(src->Restore(), DD_OK);
    EXPECT_EQ(shown(5, 5), std::pair(uint16_t{0}, uint16_t{0}));
    dot->Release();
    src->Release();
}

}  // namespace
