// Every note of the tuning test tune, measured in the rendered sound, must sit within
// 10 cents of its equal-tempered pitch (A4 = 440 Hz).
#include "Analysis.h"

#include "Tracks.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace musictest;

TEST(MusicPitch, EveryNoteOfTheTestTuneIsInTune) {
    const std::string path = std::string(MUSIC_TUNE_DIR) + "/pitch_test.tune";
    music::TuneResult info;
    std::vector<uint8_t> spc = music::buildSpc(music::readTextFile(path), path, &info);
    const double tick = info.song.tickSeconds();
    const double seconds = (info.song.loopTicks + 1) * tick;
    Rendered r = render(spc, seconds);
    ASSERT_TRUE(r.error.empty()) << r.error;

    std::vector<float> mono(r.left.size());
    for (size_t i = 0; i < mono.size(); ++i)
        mono[i] = r.mono(i);

    int lowest = 200, highest = 0;
    double worst = 0;
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
        worst = std::max(worst, std::fabs(cents));
        if (getenv("PITCH_VERBOSE")) std::printf("%d %.2f\n", n.midi, cents);
        lowest = std::min(lowest, n.midi);
        highest = std::max(highest, n.midi);
    }
    // The test covers the range the tunes use, from the bass to the top of the leads.
    EXPECT_LE(lowest, 30);
    EXPECT_GE(highest, 100);
    std::printf("%zu notes, MIDI %d..%d, worst error %.2f cents\n", info.notes.size(), lowest,
                highest, worst);
}
