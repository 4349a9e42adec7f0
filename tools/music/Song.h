// A tune compiled for the sound driver: per-channel event streams plus everything the
// image builder needs to lay out the sound chip's memory.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace music {

// Event bytes read by the driver (see Driver.cpp).
namespace ev {
constexpr uint8_t kNoteMax = 0x5F;    // 0x00..0x5F: key on note (pitch table index)
constexpr uint8_t kRest = 0x60;       // key off, wait
constexpr uint8_t kTie = 0x61;        // keep sounding, wait
constexpr uint8_t kSlur = 0x80;       // 0x80 + index: change pitch without a new attack
constexpr uint8_t kInstrument = 0xE0; // ii
constexpr uint8_t kVolume = 0xE1;     // left right
constexpr uint8_t kLength = 0xE2;     // ticks for the following notes
constexpr uint8_t kGate = 0xE3;       // held fraction of a note in 1/256 (0: never released)
constexpr uint8_t kVibrato = 0xE4;    // delay depth quarter-period
constexpr uint8_t kJump = 0xE5;       // lo hi
constexpr uint8_t kEcho = 0xE6;       // 0 off, 1 on
constexpr uint8_t kTempo = 0xE7;      // timer divisor
} // namespace ev

// Pitch table: index 0 is MIDI note 36 for a sample with 32 samples per cycle.
constexpr int kPitchBaseNote = 36;
constexpr int kPitchEntries = 72;

struct Instrument {
    int sample = 0; // index into CompiledSong::samples
    uint8_t adsr1 = 0x8F, adsr2 = 0xE0, gain = 0x7F;
};

struct Echo {
    int delay = 0; // in 16 ms steps, 0 = no echo
    int feedback = 0;
    int volume = 0;
    std::array<int8_t, 8> fir{{0x7F, 0, 0, 0, 0, 0, 0, 0}};
};

struct Stream {
    std::vector<uint8_t> bytes; // without the closing jump
    size_t loopOffset = 0;      // where the closing jump returns to
};

struct CompiledSong {
    std::string title;
    int timerTarget = 100; // timer 0 divisor: one tick every 4 * target output samples
    int masterVolume = 0x60;
    Echo echo;
    std::vector<std::string> samples;
    std::vector<Instrument> instruments;
    std::vector<Stream> channels; // at most 8
    long introTicks = 0, loopTicks = 0;

    double tickSeconds() const { return 4.0 * timerTarget / 32000.0; }
    double loopSeconds() const { return loopTicks * tickSeconds(); }
    double introSeconds() const { return introTicks * tickSeconds(); }
};

// The pitch register value for MIDI note `m` on a 32-samples-per-cycle waveform.
uint16_t pitchFor32(int m);

} // namespace music
