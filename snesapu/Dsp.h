// The sound unit's digital sound processor: eight voices of BRR samples with Gaussian
// interpolation, envelopes, noise, pitch modulation and an 8-tap echo, producing one
// stereo sample every 32 processor clocks. It runs clock by clock, each clock's work in
// the chip's order, so that each register is read in the clock in which the chip reads it.
#pragma once

#include <cstdint>

namespace spc {

class Dsp {
  public:
    // Starts from a register snapshot over the given 64 KiB of sound RAM: voices silent,
    // the snapshot's KON pending, echo and noise as after power-on.
    void load(const uint8_t regs[128], uint8_t *ram);

    uint8_t read(uint8_t addr) const { return regs_[addr & 0x7F]; }
    void write(uint8_t addr, uint8_t value);

    // Runs clocks; each finished frame appends one left/right pair at out (which must
    // have room for clocks / 32 + 1 pairs). Returns the number of pairs written.
    int run(int clocks, int16_t *out);

  private:
    enum Mode : uint8_t { kRelease, kAttack, kDecay, kSustain };
    struct Voice {
        int buf[24];      // the 12 decoded samples, twice, so a window never wraps
        int bufPos;       // where the next four decoded samples go (0, 4 or 8)
        int interpPos;    // 15-bit position: window entry, Gaussian index, fraction
        uint16_t brrAddr; // the block being decoded
        int brrOffset;    // its data byte for the next decode (1, 3, 5 or 7)
        int konDelay;     // samples left of the key-on sequence (5 to 0)
        int env;          // level, 0..0x7FF
        int hiddenEnv;    // last unclamped candidate level
        Mode mode;
        uint8_t envx, outx; // this sample's values, published a few clocks later
    };

    // The steps of voice V's work in a frame, in the clocks the chip does them.
    template <int V> void voice1();
    template <int V> void voice2();
    template <int V> void voice3a();
    template <int V> void voice3b();
    template <int V> void voice3c();
    template <int V> void voice4();
    template <int V> void voice5();
    void voice7() { regs_[0x7C] = endxBuf_; }
    template <int V> void voice8() { regs_[V * 0x10 + 8] = voices_[V].envx; }
    template <int V> void voice9() { regs_[V * 0x10 + 9] = voices_[V].outx; }
    template <int V> void runEnvelope();
    void decodeBrr(Voice &v);
    int interpolate(const Voice &v) const;
    bool rateFires(int rate) const;
    void echoRead(int ch);
    int echoFir(int ch) const;
    void echoOutputLeft();
    void echoOutputRight();
    void echoWrite(int ch);
    void misc30();
    void runPhases(int from, int to);

    uint8_t regs_[128];
    uint8_t *ram_ = nullptr;
    Voice voices_[8];

    int phase_ = 0;
    bool everyOtherSample_ = true;
    int counter_ = 0; // the shared rate counter, counting down from 30719
    int noise_ = 0x4000;
    uint8_t newKon_ = 0, kon_ = 0, koff_ = 0;
    uint8_t pmon_ = 0, non_ = 0, eon_ = 0, dir_ = 0, esa_ = 0;
    bool echoEnabled_ = false;
    int echoOffset_ = 0, echoLength_ = 0;
    uint16_t echoPtr_ = 0;
    int echoHist_[2][16] = {};
    int echoHistPos_ = 0;
    int echoIn_[2] = {};
    int echoOut_[2] = {};

    // The pipeline between voice steps: each is written by one step and read by the
    // next steps of the same voice (or, for output, by the next voice's modulation).
    uint16_t dirAddr_ = 0, brrNextAddr_ = 0;
    uint8_t srcn_ = 0, adsr1_ = 0, brrHeader_ = 0, brrByte_ = 0, looped_ = 0, endxBuf_ = 0;
    int pitch_ = 0, output_ = 0;
    int mainOut_[2] = {}, echoAcc_[2] = {};
    int outLeft_ = 0;

    int16_t *out_ = nullptr;
    int written_ = 0;
};

} // namespace spc
