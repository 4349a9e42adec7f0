// The sound driver (SPC700 machine code) and the layout of a complete sound-chip
// memory image around it.
#pragma once

#include "Song.h"

#include <array>
#include <cstdint>
#include <vector>

namespace music {

constexpr uint16_t kDriverOrigin = 0x0200;
constexpr uint8_t kStackPointer = 0xEF;

struct ChipImage {
    std::vector<uint8_t> ram;     // 65536 bytes
    std::array<uint8_t, 128> dsp; // register snapshot, nothing keyed on
    uint16_t pc = kDriverOrigin;
};

// Assembles the driver with the song's tables and streams, places the samples and the
// echo buffer, and fills the register snapshot. Throws std::runtime_error when the
// song does not fit.
ChipImage buildChipImage(const CompiledSong &song);

} // namespace music
