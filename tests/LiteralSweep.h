// The weapon sweep exactly as it was first written down: for every probe, every slot,
// each zombie's cell rounded anew. The game finds the same zombies through a cell index;
// tests and the benchmark hold the two side by side.
#pragma once

void LiteralHitZombies(int weapon);
