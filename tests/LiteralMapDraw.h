// The map drawn exactly as its drawing was first written down: every cell with its own
// enable, bind, begin, end and disable, floor then wall. The game draws the same quads
// in the same order without the redundant state changes; tests and the benchmark hold
// the two side by side.
#pragma once

void LiteralDrawMap();
