// The catalogue over the executable's own bitmaps.
#include <gtest/gtest.h>

#include <SDL.h>

#include <cstring>

#include "display/catalogue.h"
#include "display/display.h"
#include "harness/files.h"
#include "harness/process.h"
#include "platform/headless/headless.h"
#include "platform/resources.h"
#include "shell/app.h"

namespace {

TEST(Catalogue, EverySpriteLoadsFromTheEmbeddedBitmapsAtItsSize) {
    startGame();
    for (const CatalogueEntry& e : catalogue) {
        const Sprite& s = *e.sprite;
        ASSERT_NE(s.surface, nullptr) << s.name;
        EXPECT_EQ(s.width, e.width) << s.name;
        EXPECT_EQ(s.height, e.height) << s.name;
        EXPECT_EQ(s.surface->pixels->w, e.width) << s.name;
        EXPECT_EQ(s.surface->pixels->h, e.height) << s.name;
        const RECT whole{0, 0, e.width, e.height};
        EXPECT_EQ(std::memcmp(&s.baseRect, &whole, sizeof whole), 0) << s.name;
        EXPECT_EQ(std::memcmp(&s.srcRect, &whole, sizeof whole), 0) << s.name;
        EXPECT_EQ(s.surface->hasKey, e.key != KeyNone) << s.name;
        if (e.key == KeyWhite) {
            EXPECT_EQ(s.surface->key, 0xFFFFu) << s.name;
        }
        if (e.key == KeyBlack) {
            EXPECT_EQ(s.surface->key, 0u) << s.name;
        }
        EXPECT_EQ((s.surface->caps & DDSCAPS_SYSTEMMEMORY) != 0, e.systemMemory != 0) << s.name;
    }
    EXPECT_EQ(ddraw::liveSurfaces(), 58);  // 56 sprites, the primary and its back buffer
}

TEST(Catalogue, AResourceWinsOverAFileAndAFileServesWhereNoneIs) {
    TempDir dir;
    writeBitmap("ZERO", 30, 30, 0x00FF00);
    startGame();
    ASSERT_NE(ZERO.surface, nullptr);
    const auto* p = static_cast<const uint16_t*>(ZERO.surface->pixels->pixels);
    int green = 0;
    for (int i = 0; i < 30; ++i) green += p[i * ZERO.surface->pixels->pitch / 2 + 15] == 0x07E0;
    EXPECT_LT(green, 30);  // the embedded digit, not the file's green square
    freshProcess();
    setResourcesEnabled(false);
    ASSERT_EQ(initApp(GetModuleHandleA(nullptr), SW_SHOWDEFAULT), 0);
    gameStart();
    ASSERT_NE(ZERO.surface, nullptr);
    EXPECT_EQ(static_cast<const uint16_t*>(ZERO.surface->pixels->pixels)[5], 0x07E0);
    EXPECT_EQ(ONE.surface, nullptr);  // neither resource nor file: simply absent
}

}  // namespace
