// The drawing and the sweep exactly as they were first written down, for tests and the
// benchmarks to hold the game's faster ways against.
#pragma once

// The map: every cell with its own enable, bind, begin, end and disable, floor then wall.
// The game draws the same quads in the same order without the redundant state changes.
void LiteralDrawMap();
// Every zombie in the square of the draw distance, seen or not. The game sends only those
// the camera can see.
void LiteralDrawZombies();
// The weapon sweep: for every probe, every slot, each zombie's cell rounded anew. The game
// finds the same zombies through a cell index.
void LiteralHitZombies(int weapon);
