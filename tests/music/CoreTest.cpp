// The project's own emulator of the sound unit against libgme, each inside the emulator
// library the game loads: the twelve tunes for a minute each; the sound processor's parts
// that a tune may not reach; the processor's instructions (results, flags and clock counts)
// on random programs. The small images are built with the music tools' assembler. Where
// the two differ, the test prints where the difference starts and by how much.
#include "Spc700Asm.h"
#include "SpcFile.h"

#include "../SpcLibrary.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr int kRate = 32000;
// libgme's output stage scales a little differently from the own library's 358/256: the
// same sound processor output may come out a few units apart.
constexpr int kRounding = 4;

const SpcLibrary &Gme() {
    static const SpcLibrary library(GME_LIBRARY);
    return library;
}
const SpcLibrary &Own() {
    static const SpcLibrary library(OWN_LIBRARY);
    return library;
}

struct Difference {
    long first = -1;      // first frame apart by more than the rounding
    int largest = 0;      // the largest difference
    double db = INFINITY; // signal to difference
    std::string text() const {
        char line[120];
        if (first < 0)
            std::snprintf(line, sizeof line, "identical within %d (%.1f dB)", kRounding, db);
        else
            std::snprintf(line, sizeof line,
                          "first difference at frame %ld (%.3f s), largest %d, %.1f dB", first,
                          double(first) / kRate, largest, db);
        return line;
    }
};

Difference Play(const std::vector<uint8_t> &image, double seconds) {
    const int frames = int(seconds * kRate);
    const std::vector<int16_t> a = Gme().render(image, frames), b = Own().render(image, frames);
    Difference d;
    double signal = 0, noise = 0;
    for (size_t k = 0; k < a.size(); k++) {
        const double e = double(a[k]) - b[k];
        signal += double(a[k]) * a[k];
        noise += e * e;
        if (d.first < 0 && std::fabs(e) > kRounding)
            d.first = long(k / 2);
        d.largest = std::max(d.largest, int(std::fabs(e)));
    }
    if (noise > 0)
        d.db = 10 * std::log10(signal / noise);
    return d;
}

// A test image: the program at $0400; the sample directory at $0200, its sample 0 the
// blocks at $0300 (a looping square wave unless given); DSP registers as given over
// defaults: main volume 0x40, echo writes off, voice 0 at the sample's rate, loud.
using Registers = std::vector<std::pair<uint8_t, uint8_t>>;
std::vector<uint8_t> Image(const std::vector<uint8_t> &code, const Registers &dsp,
                           std::vector<uint8_t> brr = {}) {
    music::ChipImage chip;
    chip.ram.assign(0x10000, 0);
    chip.dsp.fill(0);
    chip.pc = 0x0400;
    std::copy(code.begin(), code.end(), chip.ram.begin() + 0x400);
    chip.ram[0x201] = chip.ram[0x203] = 0x03;
    if (brr.empty())
        brr = {0xB3, 0x77, 0x77, 0x77, 0x77, 0x99, 0x99, 0x99, 0x99};
    std::copy(brr.begin(), brr.end(), chip.ram.begin() + 0x300);
    const Registers defaults = {{0x0C, 0x40}, {0x1C, 0x40}, {0x5D, 0x02}, {0x6C, 0x20},
                                {0x00, 0x50}, {0x01, 0x50}, {0x03, 0x10}, {0x07, 0x7F}};
    for (const Registers *list : {&defaults, &dsp})
        for (const auto &[reg, value] : *list)
            chip.dsp[reg] = value;
    return music::makeSpcFile(chip, "core test");
}

void SetDsp(music::Spc700Asm &a, uint8_t reg, uint8_t value) {
    a.MOV_dp_imm(0xF2, reg);
    a.MOV_dp_imm(0xF3, value);
}
// About `samples` output samples of waiting (40 a turn of the outer loop).
void Wait(music::Spc700Asm &a, int samples) {
    static int count = 0;
    const std::string outer = "wait" + std::to_string(count++), inner = outer + "y";
    a.MOV_dp_imm(0x00, uint8_t(std::clamp(samples / 40, 1, 255)));
    a.label(outer);
    a.MOV_Y_imm(213);
    a.label(inner);
    a.DBNZ_Y(inner);
    a.DBNZ_dp(0x00, outer);
}
std::vector<uint8_t> Finish(music::Spc700Asm &a) {
    a.label("end");
    a.BRA("end");
    return a.finish();
}
std::vector<uint8_t> Idle() {
    music::Spc700Asm a(0x0400);
    return Finish(a);
}

// Random BRR blocks: the first with filter 0 (nothing to predict from), the rest with the
// given filters and shift ranges; the last loops to the first.
std::vector<uint8_t> RandomBlocks(std::mt19937 &rng, std::vector<int> filters, int lowShift) {
    std::vector<uint8_t> brr;
    for (int b = 0; b < 12; b++) {
        const int shift = lowShift + int(rng() % (16 - lowShift));
        const int filter = b == 0 ? 0 : filters[rng() % filters.size()];
        brr.push_back(uint8_t(shift << 4 | filter << 2 | (b == 11 ? 3 : 0)));
        for (int k = 0; k < 8; k++)
            brr.push_back(uint8_t(rng()));
    }
    return brr;
}

class SoundCore : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(Gme().ok()) << GME_LIBRARY;
        ASSERT_TRUE(Own().ok()) << OWN_LIBRARY;
    }
};

TEST_F(SoundCore, TheTwelveTunesPlayAsUnderLibgme) {
    std::vector<std::filesystem::path> tunes;
    for (const auto &entry : std::filesystem::directory_iterator(MUSIC_BGM_DIR))
        tunes.push_back(entry.path());
    std::sort(tunes.begin(), tunes.end());
    ASSERT_EQ(tunes.size(), 12u);
    for (const auto &tune : tunes) {
        const Difference d = Play(SpcLibrary::ReadImage(tune), 60);
        std::printf("%-14s %s\n", tune.filename().c_str(), d.text().c_str());
        EXPECT_GE(d.db, 40.0) << tune.filename();
    }
}

TEST_F(SoundCore, TheSoundProcessorsPartsPlayAsUnderLibgme) {
    std::mt19937 rng(7);
    struct Case {
        const char *name;
        std::vector<uint8_t> code;
        Registers dsp;
        std::vector<uint8_t> brr;
    };
    std::vector<Case> cases;
    { // GAIN: direct, then each slope at a few rates; the bent line from silence
        music::Spc700Asm a(0x0400);
        for (uint8_t gain : {0x9C, 0xBE, 0x7F, 0xB4, 0x00, 0xD4, 0x10, 0xF0, 0x00, 0xFF}) {
            Wait(a, 300);
            SetDsp(a, 0x07, gain);
        }
        cases.push_back({"GAIN modes", Finish(a), {{0x4C, 0x01}}, {}});
    }
    { // voice 1 modulated by voice 0, a slow wave heard only through it
        cases.push_back({"pitch modulation",
                         Idle(),
                         {{0x4C, 0x03},
                          {0x2D, 0x02},
                          {0x00, 0},
                          {0x01, 0},
                          {0x02, 0x40},
                          {0x03, 0x01},
                          {0x10, 0x50},
                          {0x11, 0x30},
                          {0x13, 0x08},
                          {0x17, 0x7F}},
                         RandomBlocks(rng, {0, 1}, 10)});
    }
    { // noise at one rate, then another
        music::Spc700Asm a(0x0400);
        Wait(a, 2000);
        SetDsp(a, 0x6C, 0x32);
        cases.push_back(
            {"noise", Finish(a), {{0x4C, 0x01}, {0x3D, 0x01}, {0x6C, 0x3C}, {0x07, 0x30}}, {}});
    }
    for (int filter : {2, 3}) // prediction filters 2 and 3, shifts up to the ranges 13-15
        cases.push_back({filter == 2 ? "BRR filter 2" : "BRR filter 3",
                         Idle(),
                         {{0x4C, 0x01}, {0x03, 0x0C}},
                         RandomBlocks(rng, {filter}, 9)});
    for (const Case &c : cases) {
        const Difference d = Play(Image(c.code, c.dsp, c.brr), 3);
        std::printf("%-18s %s\n", c.name, d.text().c_str());
        EXPECT_EQ(d.first, -1) << c.name << ": " << d.text();
    }

    // Echo with feedback: libgme rounds the feedback loop slightly differently; the
    // difference stays small.
    music::Spc700Asm a(0x0400);
    Wait(a, 3000);
    SetDsp(a, 0x4C, 0x01); // the note again, into what is left of the echo
    const Registers echo = {{0x4C, 0x01}, {0x6C, 0x00}, {0x4D, 0x01}, {0x6D, 0x80}, {0x7D, 0x02},
                            {0x0D, 0x48}, {0x2C, 0x30}, {0x3C, 0xD0}, {0x0F, 0x40}, {0x1F, 0x20},
                            {0x2F, 0xF0}, {0x3F, 0x10}, {0x7F, 0x30}};
    const Difference d = Play(Image(Finish(a), echo, RandomBlocks(rng, {0, 1}, 9)), 3);
    std::printf("%-18s %s\n", "echo, feedback", d.text().c_str());
    EXPECT_GE(d.db, 40.0);
}

// Each register and a memory byte after an instruction, heard: A, X, Y and the flags set
// the volumes of three voices, one value each.
void Show(music::Spc700Asm &a, uint8_t memory) {
    a.PUSH_PSW();
    for (uint8_t reg : {0x00, 0x01, 0x10, 0x11, 0x20}) {
        if (reg == 0x01)
            a.MOV_A_X();
        else if (reg == 0x10)
            a.MOV_A_Y();
        else if (reg == 0x11)
            a.POP_A();
        else if (reg == 0x20)
            a.MOV_A_dp(memory);
        a.MOV_dp_imm(0xF2, reg);
        a.MOV_dp_A(0xF3);
    }
    a.MOV_Y_imm(12);
    const std::string l = "show" + std::to_string(a.here());
    a.label(l);
    a.DBNZ_Y(l);
}

// Three quiet voices, so that any sum of their volumes stays unsaturated.
const Registers kShowVoices = {{0x4C, 0x07}, {0x0C, 0x30}, {0x1C, 0x30}, {0x07, 0x20},
                               {0x13, 0x10}, {0x17, 0x20}, {0x23, 0x10}, {0x27, 0x20},
                               {0x00, 0x00}, {0x01, 0x00}};

// An instruction that leaves the straight line, with random registers and flags: a
// branch of each kind over an INC A, a call of each kind, BRK, the stack, the direct page
// moved to page 1 and back. What it did shows in A and X.
void Flow(music::Spc700Asm &a, std::mt19937 &rng) {
    const auto dp = [&] { return uint8_t(0x30 + rng() % 0x40); };
    a.MOV_A_imm(uint8_t(rng()));
    a.MOV_Y_imm(uint8_t(rng() % 4));
    a.MOV_X_imm(uint8_t(rng() % 4));
    rng() % 2 ? a.SETC() : a.CLRC();
    a.CMP_A_imm(uint8_t(rng())); // N, Z and C at random
    const uint8_t branches[] = {0x10, 0x30, 0x50, 0x70, 0x90, 0xB0, 0xD0, 0xF0, 0x2F};
    switch (rng() % 11) {
    case 0: // Bxx +1, over an INC A
        a.db({branches[rng() % 9], 0x01, 0xBC});
        break;
    case 1: // BBS or BBC
        a.db({uint8_t(0x03 + 0x20 * (rng() % 8) + 0x10 * (rng() % 2)), dp(), 0x01, 0xBC});
        break;
    case 2: // CBNE dp
        a.db({0x2E, dp(), 0x01, 0xBC});
        break;
    case 3: // CBNE dp+X
        a.db({0xDE, dp(), 0x01, 0xBC});
        break;
    case 4: // DBNZ dp
        a.db({0x6E, dp(), 0x01, 0xBC});
        break;
    case 5: // DBNZ Y
        a.db({0xFE, 0x01, 0xBC});
        break;
    case 6: // CALL $0F00, PCALL $FF10, JMP to the next instruction
        a.db({0x3F, 0x00, 0x0F, 0x4F, 0x10, 0x5F});
        a.dw(uint16_t(a.here() + 2));
        break;
    case 7: // TCALL 1-15, BRK
        a.db({uint8_t(0x11 + 0x10 * (rng() % 15)), 0x0F});
        break;
    case 8: // PUSH A, X, Y, PSW; POP them into others; MOV X,SP; MOV SP,X
        a.db({0x2D, 0x4D, 0x6D, 0x0D, 0xAE, 0xCE, 0xEE, 0x8E, 0x9D, 0xBD});
        break;
    case 9: // CALL $0F50, which is JMP [$0F40+X]
        a.db({0x3F, 0x50, 0x0F});
        break;
    default: // SETP; MOV A,dp in page 1; CLRP
        a.db({0x40, 0xE4, dp(), 0x20});
        break;
    }
}
// The routines the calls reach: INC X; RET at $0F00 and $FF10; at each TCALL vector's
// address a routine of its own loading A (BRK's, TCALL 0's vector, returns with RETI);
// JMP [$0F40+X] at $0F50, whose table sends any X to INC A; RET at $0F0F.
void Routines(std::vector<uint8_t> &image) {
    uint8_t *ram = &image[0x100];
    const uint8_t incX[] = {0x3D, 0x6F}, incA[] = {0xBC, 0x6F}, jump[] = {0x1F, 0x40, 0x0F};
    std::memcpy(ram + 0x0F00, incX, 2);
    std::memcpy(ram + 0xFF10, incX, 2);
    std::memcpy(ram + 0x0F0F, incA, 2);
    std::memset(ram + 0x0F40, 0x0F, 8);
    std::memcpy(ram + 0x0F50, jump, 3);
    for (int n = 0; n < 16; n++) {
        const int at = 0x0F80 + 4 * n;
        ram[0xFFDE - 2 * n] = uint8_t(at), ram[0xFFDF - 2 * n] = uint8_t(at >> 8);
        const uint8_t routine[] = {0xE8, uint8_t(n * 17), uint8_t(n == 0 ? 0x7F : 0x6F)};
        std::memcpy(ram + at, routine, 3);
    }
    std::memcpy(&image[0x101C0], ram + 0xFFC0, 64);
}

TEST_F(SoundCore, TheProcessorsInstructionsRunAsUnderLibgme) {
    // Every instruction with random operands (those that leave the straight line, and the
    // stack's, by Flow), but STOP and SLEEP; MUL left out: libgme sets its Z flag from all
    // of YA, the chip from Y alone.
    std::vector<uint8_t> ops;
    for (int op = 0; op < 256; op++) {
        const int lo = op & 15, hi = op >> 4;
        const bool flow = (lo == 0 && (hi & 1)) || lo == 1 || lo == 3 || op == 0x2E || op == 0x6E ||
                          op == 0xDE || op == 0xFE || op == 0x0F || op == 0x1F ||
                          (lo == 0xF && hi >= 2 && hi <= 7);
        const bool stack = op == 0x0D || op == 0x2D || op == 0x4D || op == 0x6D || op == 0x8E ||
                           op == 0xAE || op == 0xCE || op == 0xEE || op == 0xBD;
        if (!flow && !stack && op != 0x20 && op != 0x40 && op != 0xCF && op != 0xEF && op != 0xFF)
            ops.push_back(uint8_t(op));
    }
    const auto operands = [](uint8_t op, std::mt19937 &rng) -> std::vector<uint8_t> {
        const int lo = op & 15, hi = op >> 4;
        const auto dp = [&] { return uint8_t(0x30 + rng() % 0x40); };
        const uint16_t abs = uint16_t(0x1000 + rng() % 0xE0);
        if (lo == 0xA && hi <= 0xE && !(hi & 1)) { // a bit of memory: 13-bit address, bit
            const int w = int(rng() % 8) << 13 | abs;
            return {uint8_t(w), uint8_t(w >> 8)};
        }
        if (lo == 5 || (lo == 6 && (hi & 1)) || (lo == 0xC && !(hi & 1)) || op == 0x0E ||
            op == 0x4E || op == 0x1E || op == 0x5E || op == 0xC9 || op == 0xE9 || op == 0xEC ||
            op == 0xCC)
            return {uint8_t(abs), uint8_t(abs >> 8)};
        if (lo == 7)
            return {uint8_t(0x20 + 2 * (rng() % 4))}; // a pointer to $10xx
        if ((lo == 8 && (hi & 1) && hi < 0xC) || op == 0x8F)
            return {uint8_t(rng()), dp()}; // dp,#imm
        if ((lo == 9 && !(hi & 1) && hi < 0xC) || op == 0xFA)
            return {dp(), dp()};
        if ((lo == 8 && !(hi & 1)) || op == 0x8D || op == 0xCD || op == 0xAD)
            return {uint8_t(rng())};
        if (lo == 4 || lo == 2 || lo == 0xB || lo == 8 || lo == 0xA || op == 0xF9 || op == 0xD9 ||
            op == 0x3E || op == 0x7E)
            return {dp()};
        return {};
    };
    for (int program = 0; program < 16; program++) {
        std::mt19937 rng(program);
        music::Spc700Asm a(0x0400);
        for (int k = 0; k < 60; k++) {
            if (rng() % 3 == 0) { // one of the instructions that leave the program
                Flow(a, rng);
                Show(a, 0x30);
                continue;
            }
            const uint8_t op = ops[rng() % ops.size()];
            a.MOV_Y_imm(uint8_t(rng() % 16));
            // X indexes the direct page; for [dp+X], 0 keeps the pointer one of $20-$27.
            a.MOV_X_imm((op & 0x1F) == 0x07 ? 0 : uint8_t(0x10 + rng() % 16));
            a.db(op);
            a.db(operands(op, rng));
            Show(a, uint8_t(0x30 + rng() % 0x40));
        }
        std::vector<uint8_t> image = Image(Finish(a), kShowVoices);
        for (int at = 0x110; at < 0x180; at++) // direct page: values; $20-$27 pointers
            image[at] = uint8_t(rng());
        for (int at = 0x120; at < 0x128; at += 2)
            image[at] = uint8_t(rng()), image[at + 1] = 0x10;
        for (int at = 0x1100; at < 0x1200; at++)
            image[at] = uint8_t(rng());
        Routines(image);
        const Difference d = Play(image, 1.5);
        EXPECT_EQ(d.first, -1) << "program " << program << ": " << d.text();
    }

    // DIV at its edges (divisor 0, quotients past 8 bits) and the decimal adjusts after
    // each carry and half-carry.
    music::Spc700Asm a(0x0400);
    const uint8_t divisions[][3] = {{0x00, 0x00, 0x00}, {0x12, 0x34, 0x00}, {0x01, 0x00, 0x01},
                                    {0xFF, 0xFF, 0x01}, {0x7F, 0x00, 0x80}, {0x40, 0x01, 0x20},
                                    {0x0F, 0x3C, 0x0E}, {0x12, 0x34, 0x56}, {0xFE, 0xDC, 0xFF}};
    for (const auto &[y, acc, x] : divisions) {
        a.MOV_Y_imm(y);
        a.MOV_A_imm(acc);
        a.MOV_X_imm(x);
        a.DIV_YA_X();
        Show(a, 0x30);
    }
    for (uint8_t value : {0x00, 0x09, 0x0A, 0x99, 0x9A, 0xA0, 0x5F, 0xFF})
        for (int flags = 0; flags < 8; flags++) {
            a.CLRV(); // H := 0; an add of 1 to 0x0F sets it
            if (flags & 1) {
                a.MOV_A_imm(0x0F);
                a.CLRC();
                a.ADC_A_imm(0x01);
            }
            a.MOV_A_imm(value);
            flags & 2 ? a.SETC() : a.CLRC();
            flags & 4 ? a.DAS_A() : a.DAA_A();
            Show(a, 0x30);
        }
    // The three timers, targets 3, 100 and 256 (written 0), read at uneven times (a read
    // clears its counter); then timer 0 left counting, stopped and started again, which
    // clears it.
    a.MOV_dp_imm(0xFA, 0x03);
    a.MOV_dp_imm(0xFB, 100);
    a.MOV_dp_imm(0xFC, 0x00);
    a.MOV_dp_imm(0xF1, 0x07);
    for (int k = 0; k < 13; k++) {
        const std::string l = "timers" + std::to_string(k);
        a.MOV_Y_imm(uint8_t(37 * k + 5));
        a.label(l);
        a.DBNZ_Y(l);
        if (k == 12) {
            a.MOV_dp_imm(0xF1, 0x06);
            a.MOV_dp_imm(0xF1, 0x07);
        }
        a.MOV_A_dp(uint8_t(0xFD + k % 3));
        a.MOV_X_dp(uint8_t(0xFD + (k + 1) % 3));
        Show(a, 0x30);
    }
    const Difference d = Play(Image(Finish(a), kShowVoices), 3);
    EXPECT_EQ(d.first, -1) << "DIV, DAA, DAS, timers: " << d.text();
}

// Where libgme departs from the chip, the own core keeps to it: a processor stopped by
// STOP or SLEEP leaves the sound processor playing (libgme stops with an error, silent);
// full-scale samples make the interpolation wrap to the opposite sign; the voices' sum
// saturates after each voice is added; MUL sets Z from Y alone.
// The mean of the left channel's samples from..to-1.
double Level(const std::vector<int16_t> &pcm, int from, int to) {
    double sum = 0;
    for (int k = from; k < to; k++)
        sum += double(pcm[size_t(k) * 2]);
    return sum / (to - from);
}

TEST_F(SoundCore, TheOwnCoreKeepsToTheChipWhereLibgmeDepartsFromIt) {
    for (bool sleep : {false, true}) {
        music::Spc700Asm a(0x0400);
        SetDsp(a, 0x4C, 0x01);
        sleep ? a.SLEEP() : a.STOP();
        const std::vector<int16_t> pcm = Own().render(Image(a.finish(), {}), 3 * kRate);
        for (int second = 0; second < 3; second++) {
            double sum = 0;
            for (int k = second * kRate; k < (second + 1) * kRate; k++)
                sum += std::fabs(double(pcm[size_t(k) * 2]));
            EXPECT_GT(sum / kRate, 1000.0) << (sleep ? "SLEEP" : "STOP") << ", second " << second;
        }
    }
    // Samples all at -32768, interpolated at the pitch of the source: +32752.
    const std::vector<uint8_t> fullScale = {0xC3, 0x88, 0x88, 0x88, 0x88, 0x88, 0x88, 0x88, 0x88};
    EXPECT_GT(Level(Own().render(Image(Idle(), {{0x4C, 0x01}}, fullScale), 3200), 100, 3200),
              10000.0);
    // Three voices loud, a fourth as loud inverted: the sum stops at 32767 after the
    // second and comes down by the fourth, instead of staying over full scale.
    Registers voices = {{0x4C, 0x0F}, {0x0C, 0x7F}};
    for (uint8_t v = 0; v < 4; v++)
        for (const auto &[reg, value] :
             Registers{{0x00, v == 3 ? 0x80 : 0x7F}, {0x03, 0x10}, {0x07, 0x7F}})
            voices.push_back({uint8_t(v * 0x10 + reg), uint8_t(value)});
    const std::vector<uint8_t> flat = {0xC3, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55};
    const double level = Level(Own().render(Image(Idle(), voices, flat), 3200), 100, 3200);
    EXPECT_GT(level, 10000.0);
    EXPECT_LT(level, 25000.0);
    // 0x40 x 3 = 0x00C0: Y = 0, so Z = 1 and the note is played.
    music::Spc700Asm a(0x0400);
    a.MOV_A_imm(0x40);
    a.MOV_Y_imm(3);
    a.MUL_YA();
    a.BNE("end");
    SetDsp(a, 0x4C, 0x01);
    EXPECT_GT(Level(Own().render(Image(Finish(a), {}, flat), 3200), 100, 3200), 1000.0);
}

} // namespace
