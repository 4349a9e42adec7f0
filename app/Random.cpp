#include "app/Random.h"

namespace {
unsigned state = 1; // as if seeded with 1, like the C library's own
} // namespace

void GameSrand(unsigned seed) {
    state = seed;
}

int GameRand() {
    state = state * 214013u + 2531011u;
    return static_cast<int>((state >> 16) & 0x7FFF);
}
