// The console's sound unit as a tune player sees it: the SPC700 processor with its 64 KiB
// of RAM, I/O registers and three timers, and the digital sound processor, started from an
// SPC file image and rendered as 32 kHz 16-bit stereo.
#pragma once

#include "Dsp.h"

#include <cstdint>

namespace spc {

constexpr long kImageSize = 0x10200; // 66048 bytes

class Apu {
  public:
    // Starts the image's snapshot. False (and silence from render) when the image does
    // not carry the SPC file signature.
    bool load(const uint8_t *image);
    // Renders frames left/right pairs.
    void render(int16_t *out, int frames);

  private:
    struct Timer {
        bool enabled;
        uint8_t target; // 0 means 256
        uint8_t count;  // the 8-bit stage
        uint8_t out;    // the 4-bit counter the program reads
    };

    void runCpu(int64_t until);
    void syncDsp(int64_t until);
    void syncTimers(int64_t until);
    void deliver(const int16_t pair[2]);
    void tickTimer(Timer &t);
    int64_t idleTurns(const Timer &t, bool fast, int64_t until) const;

    uint8_t ioRead(unsigned addr);
    void ioWrite(unsigned addr, uint8_t v);
    uint8_t read(unsigned addr) {
        if (addr - 0xF0u < 0x10u)
            return ioRead(addr);
        if (addr >= 0xFFC0u && romMapped_)
            return rom_[addr - 0xFFC0u];
        return ram_[addr];
    }
    // What the processor would read, without a register's side effects.
    uint8_t peek(unsigned addr) const {
        return addr >= 0xFFC0u && romMapped_ ? rom_[addr - 0xFFC0u] : ram_[addr];
    }
    void write(unsigned addr, uint8_t v) {
        ram_[addr] = v;
        if (addr - 0xF0u < 0x10u)
            ioWrite(addr, v);
    }

    uint8_t ram_[0x10000];
    uint8_t rom_[64]; // what reads of $FFC0-$FFFF see while CONTROL bit 7 is set
    bool romMapped_ = false;
    bool loaded_ = false;
    // The processor has stopped (STOP, SLEEP, or a jump into the boot ROM's range, which
    // this player does not have); the sound processor plays on.
    bool halted_ = false;

    // Processor registers; the flags held apart.
    struct Registers {
        uint16_t pc;
        uint8_t a, x, y, sp;
        bool n, v, p, b, h, i, z, c;
    } regs_ = {};

    uint8_t dspAddr_ = 0;
    uint8_t inPorts_[4] = {};
    Timer timers_[3] = {};

    Dsp dsp_;
    int64_t cpuTime_ = 0;      // clocks the processor has run
    int64_t dspTime_ = 0;      // clocks the sound processor has run (never ahead of an access)
    int64_t timerTime_ = 0;    // clocks whose timer ticks are counted
    int64_t ioTime_ = 0;       // the clock of the current instruction's register access
    int64_t renderedTime_ = 0; // clocks whose samples the caller has had

    int16_t *out_ = nullptr;
    int outLeft_ = 0;
    int16_t carry_[8] = {}; // samples finished past the end of the last render
    int carried_ = 0;
};

} // namespace spc
