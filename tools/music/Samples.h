// The instrument waveforms, synthesised here and encoded to BRR. Tonal samples repeat
// exactly every `cycle` samples (a power of two from 32 up), so the driver's pitch table
// plays them in tune; drum samples are one-shots played near their natural rate.
#pragma once

#include "Brr.h"

#include <cstdint>
#include <string>
#include <vector>

namespace music {

struct SampleInfo {
    std::string name;
    int cycle = 0;        // samples per period of a tonal sample, 0 for a drum
    int rate = 32000;     // a drum's natural rate in samples per second
    uint8_t adsr1 = 0x8F; // default envelope
    uint8_t adsr2 = 0xE0;
};

const std::vector<SampleInfo> &sampleList();
const SampleInfo *findSample(const std::string &name);

// The raw waveform (signed 16-bit) and its loop start (-1 for a one-shot).
std::vector<int16_t> samplePcm(const std::string &name, int *loopStart);

// Encoded once and kept.
const BrrSample &brrSample(const std::string &name);

} // namespace music
