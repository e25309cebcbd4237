#include "display/catalogue.h"

// Constructed in catalogue order before the entry routine runs; static
// destruction releases them in exactly the reverse order at process exit.
Sprite ZABLOSTAND("ZABLOSTAND");
Sprite ZABLOPAKO("ZABLOPAKO");
Sprite ZABLORUNR1("ZABLORUNR1");
Sprite ZABLORUNR2("ZABLORUNR2");
Sprite ZABLORUNR3("ZABLORUNR3");
Sprite ZABLORUNR4("ZABLORUNR4");
Sprite ZABLORUNL1("ZABLORUNL1");
Sprite ZABLORUNL2("ZABLORUNL2");
Sprite ZABLORUNL3("ZABLORUNL3");
Sprite ZABLORUNL4("ZABLORUNL4");
Sprite BACK("BACK");
Sprite RANKING("RANKING");
Sprite REVOZE("REVOZE");
Sprite BAR1("BAR1");
Sprite BAR2("BAR2");
Sprite BAR3("BAR3");
Sprite BAR4("BAR4");
Sprite BAR5("BAR5");
Sprite BAR6("BAR6");
Sprite BAR7("BAR7");
Sprite BAR8("BAR8");
Sprite BAR9("BAR9");
Sprite BAR10("BAR10");
Sprite JAMJARYL("JAMJARYL");
Sprite JAMJARYR("JAMJARYR");
Sprite JAMJARYD("JAMJARYD");
Sprite JAMJARYU("JAMJARYU");
Sprite JAMJARYDIE("JAMJARYDIE");
Sprite HERE("HERE");
Sprite ONE("ONE");
Sprite TWO("TWO");
Sprite THREE("THREE");
Sprite FOUR("FOUR");
Sprite FIVE("FIVE");
Sprite SIX("SIX");
Sprite SEVEN("SEVEN");
Sprite EIGHT("EIGHT");
Sprite NINE("NINE");
Sprite ZERO("ZERO");
Sprite START1("START1");
Sprite START2("START2");
Sprite START3("START3");
Sprite EXIT1("EXIT1");
Sprite EXIT2("EXIT2");
Sprite EXIT3("EXIT3");
Sprite WAVEPAKO1("WAVEPAKO1");
Sprite WAVEPAKO2("WAVEPAKO2");
Sprite WAVEPAKO3("WAVEPAKO3");
Sprite WAVEPAKO4("WAVEPAKO4");
Sprite WAVEPAKO5("WAVEPAKO5");
Sprite WAVEPAKO6("WAVEPAKO6");
Sprite WAVEPAKO7("WAVEPAKO7");
Sprite GO("GO");
Sprite CONTINUE("CONTINUE");
Sprite READY("READY");
Sprite ANGLE("ANGLE");

// clang-format off
const CatalogueEntry catalogue[CatalogueSize] = {
    {&ZABLOSTAND, 120, 120, KeyWhite, 1},
    {&ZABLOPAKO, 120, 120, KeyWhite, 1},
    {&ZABLORUNR1, 120, 120, KeyWhite, 1},
    {&ZABLORUNR2, 120, 120, KeyWhite, 1},
    {&ZABLORUNR3, 120, 120, KeyWhite, 1},
    {&ZABLORUNR4, 120, 120, KeyWhite, 1},
    {&ZABLORUNL1, 120, 120, KeyWhite, 1},
    {&ZABLORUNL2, 120, 120, KeyWhite, 1},
    {&ZABLORUNL3, 120, 120, KeyWhite, 1},
    {&ZABLORUNL4, 120, 120, KeyWhite, 1},
    {&BACK, WorldWidth, WorldHeight, KeyNone, 1},
    {&RANKING, 240, 205, KeyBlack, 1},
    {&REVOZE, 415, 200, KeyWhite, 1},
    {&BAR1, 50, 90, KeyBlack, 1},
    {&BAR2, 50, 90, KeyBlack, 1},
    {&BAR3, 50, 90, KeyBlack, 1},
    {&BAR4, 50, 90, KeyBlack, 1},
    {&BAR5, 50, 90, KeyBlack, 1},
    {&BAR6, 50, 90, KeyBlack, 1},
    {&BAR7, 50, 90, KeyBlack, 1},
    {&BAR8, 50, 90, KeyBlack, 1},
    {&BAR9, 50, 90, KeyBlack, 1},
    {&BAR10, 50, 90, KeyBlack, 1},
    {&JAMJARYL, 35, 31, KeyBlack, 1},
    {&JAMJARYR, 35, 31, KeyBlack, 1},
    {&JAMJARYD, 31, 35, KeyBlack, 1},
    {&JAMJARYU, 31, 35, KeyBlack, 1},
    {&JAMJARYDIE, 31, 35, KeyBlack, 1},
    {&HERE, 120, 100, KeyWhite, 1},
    {&ONE, 30, 30, KeyWhite, 1},
    {&TWO, 30, 30, KeyWhite, 1},
    {&THREE, 30, 30, KeyWhite, 1},
    {&FOUR, 30, 30, KeyWhite, 1},
    {&FIVE, 30, 30, KeyWhite, 1},
    {&SIX, 30, 30, KeyWhite, 1},
    {&SEVEN, 30, 30, KeyWhite, 1},
    {&EIGHT, 30, 30, KeyWhite, 1},
    {&NINE, 30, 30, KeyWhite, 1},
    {&ZERO, 30, 30, KeyWhite, 1},
    {&START1, 240, 120, KeyWhite, 1},
    {&START2, 240, 120, KeyWhite, 1},
    {&START3, 240, 120, KeyWhite, 1},
    {&EXIT1, 240, 120, KeyWhite, 1},
    {&EXIT2, 240, 120, KeyWhite, 1},
    {&EXIT3, 240, 120, KeyWhite, 1},
    {&WAVEPAKO1, 80, 50, KeyWhite, 1},
    {&WAVEPAKO2, 80, 50, KeyWhite, 1},
    {&WAVEPAKO3, 80, 50, KeyWhite, 1},
    {&WAVEPAKO4, 80, 50, KeyWhite, 1},
    {&WAVEPAKO5, 80, 50, KeyWhite, 1},
    {&WAVEPAKO6, 80, 50, KeyWhite, 1},
    {&WAVEPAKO7, 80, 50, KeyWhite, 1},
    {&GO, 65, 38, KeyWhite, 0},
    {&CONTINUE, 480, 120, KeyBlack, 1},
    {&READY, 141, 35, KeyWhite, 1},
    {&ANGLE, 40, 50, KeyWhite, 1},
};
// clang-format on

namespace {

// The order in which the game start loads them; it has no visible effect.
constexpr int loadOrder[CatalogueSize] = {
    55, 54, 53, 52, 12, 11, 39, 40, 41, 42, 43, 44, 1,  0,  10, 2,  3,  4,  5,
    6,  7,  8,  9,  13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27,
    28, 29, 30, 31, 32, 33, 34, 35, 36, 37, 38, 45, 46, 47, 48, 49, 50, 51,
};

}  // namespace

void loadAllSprites() {
    // Each sprite's picture is its whole bitmap, from the origin.
    constexpr int32_t left = 0, top = 0;
    for (int i : loadOrder) {
        const CatalogueEntry& e = catalogue[i];
        e.sprite->loadSprite(left, top, left + e.width, top + e.height, e.key, e.systemMemory);
    }
}

void releaseAllSprites() {
    for (int i = CatalogueSize - 1; i >= 0; --i) catalogue[i].sprite->releaseSprite();
}
