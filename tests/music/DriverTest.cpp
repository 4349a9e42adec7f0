// The sound driver heard through libgme: every note of the tuning test tune within 10 cents
// of its equal-tempered pitch (A4 = 440 Hz); a gated note falling silent before its length
// is up, vibrato swinging the pitch by the cents asked for, and a slurred note changing
// pitch without a new attack.
#include "Analysis.h"

#include "Tracks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

using namespace musictest;

TEST(MusicDriver, GateVibratoAndSlurSoundAsWritten) {
    const std::string text = "title T\ntempo 120\nmeter 4/4\n"
                             "inst s sine adsr 15 4 2 8\n"
                             "chan a s o5 l2 v100 q4\n"
                             "part A\n"
                             "a: c2 r2 | q8 ~0,20,6 c1 | q8 ~0 c2 & g2 | r1 |\n"
                             "play A\n";
    music::TuneResult info;
    std::vector<uint8_t> spc = music::buildSpc(text, "driver", &info);
    Rendered r = render(spc, 8.5);
    ASSERT_TRUE(r.error.empty()) << r.error;
    const std::vector<float> &x = r.mono;
    const double tick = info.song.tickSeconds(), lag = tick; // streams start one tick in
    auto at = [&](double ticks) { return size_t((ticks * tick + lag) * kRate); };

    // q4 holds half of the 96-tick note, then releases.
    EXPECT_GT(rms(x, at(10), at(40) - at(10)), 1000.0);
    EXPECT_LT(rms(x, at(56), at(90) - at(56)), 5.0);

    // Vibrato: short windows over the whole note swing about +-20 cents around C5.
    const double c5 = 440.0 * std::pow(2.0, 3 / 12.0);
    double lo = 1e9, hi = -1e9, sum = 0;
    int n = 0;
    for (double t = 200; t < 370; t += 2) {
        double f = detectFrequency(x, at(t), size_t(0.02 * kRate));
        ASSERT_GT(f, 0.0);
        double cents = 1200 * std::log2(f / c5);
        lo = std::min(lo, cents), hi = std::max(hi, cents), sum += cents, ++n;
    }
    EXPECT_GT(hi - lo, 28.0);
    EXPECT_LT(hi - lo, 56.0);
    EXPECT_LT(std::fabs(sum / n), 5.0);

    // Slur: G5 follows C5 in tune but keeps the decaying level instead of a new attack.
    const double g5 = 440.0 * std::pow(2.0, 10 / 12.0);
    double f = detectFrequency(x, at(500), size_t(0.2 * kRate));
    EXPECT_LT(std::fabs(1200 * std::log2(f / g5)), 10.0);
    double attack = rms(x, at(384) + 160, 1600), joined = rms(x, at(480) + 160, 1600);
    EXPECT_LT(joined, 0.8 * attack) << "the slurred note was struck again";
}

TEST(MusicPitch, EveryNoteOfTheTestTuneIsInTune) {
    const std::string path = std::string(MUSIC_TUNE_DIR) + "/pitch_test.tune";
    music::TuneResult info;
    std::vector<uint8_t> spc = music::buildSpc(music::readTextFile(path), path, &info);
    const double tick = info.song.tickSeconds();
    const double seconds = (info.song.loopTicks + 1) * tick;
    Rendered r = render(spc, seconds);
    ASSERT_TRUE(r.error.empty()) << r.error;

    const std::vector<float> &mono = r.mono;
    int lowest = 200, highest = 0;
    ASSERT_GE(info.notes.size(), 50u);
    for (const music::NoteInfo &n : info.notes) {
        // Skip the attack; stop before the release.
        size_t from = size_t((n.start * tick + 0.15) * kRate);
        size_t count = size_t(std::min(0.5, n.ticks * tick * 0.8 - 0.2) * kRate);
        double expected = 440.0 * std::pow(2.0, (n.midi - 69) / 12.0);
        double got = detectFrequency(mono, from, count);
        ASSERT_GT(got, 0.0) << "no pitch found for MIDI note " << n.midi;
        double cents = 1200.0 * std::log2(got / expected);
        EXPECT_LT(std::fabs(cents), 10.0)
            << "MIDI note " << n.midi << ": expected " << expected << " Hz, measured " << got;
        lowest = std::min(lowest, n.midi);
        highest = std::max(highest, n.midi);
    }
    // The test covers the range the tunes use, from the bass to the top of the leads.
    EXPECT_LE(lowest, 30);
    EXPECT_GE(highest, 100);
}
