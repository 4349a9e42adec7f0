// Rendering tunes with libgme and measuring what comes out.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace musictest {

constexpr int kRate = 32000;

struct Rendered {
    std::vector<float> left, right, mono; // -32768..32767; mono is their mean
    bool ended = false;                   // libgme reported the track over at some point
    std::string error;
};

std::vector<uint8_t> readFile(const std::string &path);

// Plays the file at 32000 Hz, as the game does, without libgme's fade; voices in
// `muteMask` are silenced.
Rendered render(const std::vector<uint8_t> &spc, double seconds, int muteMask = 0);

double rms(const std::vector<float> &x, size_t from, size_t count);

// Fundamental frequency of a steady tone: the first clear dip of the normalised
// difference function, refined over as many periods as the window holds. 0 if none.
double detectFrequency(const std::vector<float> &x, size_t from, size_t count);

} // namespace musictest
