// The game's random numbers: the generator of the C runtime the game was first made for
// (x = x * 214013 + 2531011, bits 16 to 30 drawn, 0 to 32767), built into the game, so
// that every build draws the same numbers from the same seed and a recorded game plays
// alike on every system.
#pragma once

void GameSrand(unsigned seed);
int GameRand();
