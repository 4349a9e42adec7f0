// Small SPC images for the music player's tests: one voice playing a square wave with a
// slow attack, so that the start of a tune differs from what follows.
#pragma once

#include <string>
#include <vector>

// pitch: the DSP's 4.12 step; 0x1000 plays the 16-sample wave at 2000 Hz.
std::vector<unsigned char> TestTune(unsigned pitch);
bool WriteTestTune(const std::string &path, unsigned pitch);
