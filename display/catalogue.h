// Every picture the game draws, one process-wide sprite each, known by its
// bitmap name.
#pragma once

#include "display/sprite.h"

extern Sprite ZABLOSTAND, ZABLOPAKO, ZABLORUNR1, ZABLORUNR2, ZABLORUNR3, ZABLORUNR4, ZABLORUNL1,
    ZABLORUNL2, ZABLORUNL3, ZABLORUNL4, BACK, RANKING, REVOZE, BAR1, BAR2, BAR3, BAR4, BAR5, BAR6,
    BAR7, BAR8, BAR9, BAR10, JAMJARYL, JAMJARYR, JAMJARYD, JAMJARYU, JAMJARYDIE, HERE, ONE, TWO,
    THREE, FOUR, FIVE, SIX, SEVEN, EIGHT, NINE, ZERO, START1, START2, START3, EXIT1, EXIT2, EXIT3,
    WAVEPAKO1, WAVEPAKO2, WAVEPAKO3, WAVEPAKO4, WAVEPAKO5, WAVEPAKO6, WAVEPAKO7, GO, CONTINUE,
    READY, ANGLE;

// The world: the background picture BACK, the whole playfield.
constexpr int32_t WorldWidth = 1280;
constexpr int32_t WorldHeight = 960;

// How each sprite is loaded: its size, transparent colour and placement.
struct CatalogueEntry {
    Sprite* sprite;
    int32_t width;
    int32_t height;
    SpriteKey key;
    int32_t systemMemory;
};
constexpr int CatalogueSize = 56;
// In catalogue (construction) order.
extern const CatalogueEntry catalogue[CatalogueSize];

void loadAllSprites();
void releaseAllSprites();
