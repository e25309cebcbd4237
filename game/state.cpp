#include "game/state.h"

GameState game;

namespace {
uint32_t next = 1;
}

void seedRandom(uint32_t seed) { next = seed; }

int32_t randomValue() {
    next = next * 1103515245u + 12345u;
    return static_cast<int32_t>((next / 65536u) % 32768u);
}

uint32_t randomState() { return next; }

void resetGame() {
    game = GameState{};
    seedRandom(1);
}
