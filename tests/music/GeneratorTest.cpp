// The generator as a whole: the same bytes as the build's, twelve different tunes, and the
// parts whose faults the tunes would not show at once (BRR coding, the tune notation).
#include "Analysis.h"

#include "Brr.h"
#include "Tracks.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <unistd.h>

using namespace musictest;
namespace fs = std::filesystem;

TEST(MusicGenerator, ARunWritesTheSameBytesAsTheBuild) {
    const fs::path out =
        fs::temp_directory_path() / ("gravewake_music_" + std::to_string(getpid()));
    fs::create_directories(out);
    const std::string run = "'" MUSIC_GENERATOR "' '" MUSIC_TUNE_DIR "' '" + out.string() + "'";
    ASSERT_EQ(std::system(run.c_str()), 0);
    for (const std::string &name : music::trackNames())
        EXPECT_TRUE(readFile((out / (name + ".spc")).string()) ==
                    readFile(std::string(MUSIC_BGM_DIR) + "/" + name + ".spc"))
            << name << " differs from the build's copy";
    fs::remove_all(out);
}

TEST(MusicGenerator, TheTwelveTunesDiffer) {
    const auto &names = music::trackNames();
    std::vector<std::vector<float>> sound;
    for (const std::string &name : names)
        sound.push_back(
            render(readFile(std::string(MUSIC_BGM_DIR) + "/" + name + ".spc"), 10.0).mono);
    for (size_t i = 0; i < names.size(); ++i)
        for (size_t j = i + 1; j < names.size(); ++j) {
            double d = 0, e = 0;
            for (size_t k = 0; k < sound[i].size(); ++k) {
                d += std::pow(sound[i][k] - sound[j][k], 2);
                e += std::pow(sound[i][k], 2) + std::pow(sound[j][k], 2);
            }
            EXPECT_GT(d / e, 0.5) << names[i] << " sounds like " << names[j];
        }
}

TEST(MusicBrr, LoopedAndOneShotSamplesDecodeAsEncoded) {
    // A looped tone: the decoder must repeat the loop exactly and stay close to the input.
    std::vector<int16_t> tone(64 * 3);
    for (size_t i = 0; i < tone.size(); ++i)
        tone[i] = int16_t(12000 * std::sin(2 * M_PI * double(i) / 64) +
                          3000 * std::sin(6 * M_PI * double(i) / 64));
    music::BrrSample s = music::encodeBrr(tone, 128);
    ASSERT_EQ(s.data.size(), tone.size() / 16 * 9);
    EXPECT_EQ(s.loopOffset, 128 / 16 * 9);
    EXPECT_EQ(s.data[s.data.size() - 9] & 3, 3) << "last block must carry END and LOOP";
    EXPECT_EQ(s.data[0] & 0x0C, 0) << "the first block must not predict";
    EXPECT_EQ(s.data[s.loopOffset] & 0x0C, 0) << "the loop block must not predict";
    std::vector<int16_t> out = music::decodeBrr(s, 64 * 6);
    double err = 0, sig = 0;
    for (size_t i = 0; i < tone.size(); ++i) {
        err += std::pow(out[i] - tone[i], 2);
        sig += std::pow(tone[i], 2);
    }
    EXPECT_LT(10 * std::log10(err / sig), -30.0);
    for (size_t i = 192; i < 384; ++i)
        ASSERT_EQ(out[i], out[i - 64]) << "seam at " << i;

    // A one-shot ends in silence that lasts until the next key-on.
    std::vector<int16_t> hit(100);
    for (size_t i = 0; i < hit.size(); ++i)
        hit[i] = int16_t(20000 * std::exp(-double(i) / 20));
    music::BrrSample h = music::encodeBrr(hit, -1);
    std::vector<int16_t> played = music::decodeBrr(h, 1000);
    ASSERT_EQ(played.size(), 1000u);
    EXPECT_NEAR(played[0], 20000, 600);
    for (size_t i = 112; i < played.size(); ++i)
        ASSERT_EQ(played[i], 0);
}

TEST(MusicNotation, CountsTicksAsWritten) {
    const std::string head = "title T\ntempo 100\nmeter 4/4\ninst s sine\nchan a s o4 l4\n"
                             "chan b s o3 l2\n";
    music::TuneResult r = music::compileTune(
        head + "part A\na: c4^8 d8 [e8 f8]2 | g6 a6 b6 > c2 | c2.. r8 |\nb: c1 | c1 | c1 |\n"
               "play A\n",
        "ok");
    std::vector<std::pair<int, long>> got; // (midi, ticks) of channel a
    for (const auto &n : r.notes)
        if (n.channel == 0)
            got.push_back({n.midi, n.ticks});
    std::vector<std::pair<int, long>> want = {{60, 72}, {62, 24}, {64, 24}, {65, 24},
                                              {64, 24}, {65, 24}, {67, 32}, {69, 32},
                                              {71, 32}, {72, 96}, {72, 168}};
    EXPECT_EQ(got, want);
    EXPECT_EQ(r.song.loopTicks, 576);
    EXPECT_EQ(r.song.timerTarget, 100);
}
