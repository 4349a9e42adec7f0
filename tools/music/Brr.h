// BRR, the sound chip's sample format: 9-byte blocks of sixteen 4-bit values with a
// shift and a prediction filter. The encoder searches every filter and shift per block
// against an exact model of the decoder, so what it chooses is what the chip will play.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace music {

struct BrrSample {
    std::vector<uint8_t> data; // whole blocks
    uint16_t loopOffset = 0;   // byte offset of the block decoding continues at after END
};

// Encodes signed 16-bit audio. With loopStart >= 0 (a multiple of 16) the sample loops
// from there to its end (its length must be a multiple of 16). With loopStart < 0 it is a
// one-shot: silent blocks follow, the last one looping on itself, so the voice falls
// silent and stays so until the next key-on.
BrrSample encodeBrr(const std::vector<int16_t> &pcm, int loopStart);

// Decodes blocks exactly as the chip does (before its interpolation); follows the loop
// until `count` samples have been produced.
std::vector<int16_t> decodeBrr(const BrrSample &s, size_t count);

} // namespace music
