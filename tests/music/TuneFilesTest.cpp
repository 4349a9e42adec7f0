// The twelve game tunes as the build wrote them: file layout and tag, three minutes of
// play without an end, a dead stretch or hard clipping, a seamless loop, and four
// voices sounding together most of the time.
#include "Analysis.h"

#include "SpcFile.h"
#include "Tracks.h"

#include <gme/gme.h>
#include <gtest/gtest.h>

#include <cmath>

using namespace musictest;

namespace {

std::string bgmPath(const std::string &name) {
    return std::string(MUSIC_BGM_DIR) + "/" + name + ".spc";
}

music::TuneResult compileSource(const std::string &name) {
    std::string path = std::string(MUSIC_TUNE_DIR) + "/" + name + ".tune";
    return music::compileTune(music::readTextFile(path), path);
}

class TuneFile : public ::testing::TestWithParam<std::string> {};

} // namespace

TEST_P(TuneFile, HasTheSnapshotLayoutAndTag) {
    const std::string name = GetParam();
    std::vector<uint8_t> spc = readFile(bgmPath(name));
    ASSERT_EQ(spc.size(), 66048u);
    EXPECT_EQ(std::string(spc.begin(), spc.begin() + 33), "SNES-SPC700 Sound File Data v0.30");
    EXPECT_EQ(spc[0x23], 26) << "tag present";
    EXPECT_EQ(spc[0x2A] & 0x20, 0) << "direct page must be page 0";
    EXPECT_EQ(spc[0x10100 + 0x4C], 0) << "nothing keyed on at load";
    EXPECT_NE(spc[0x10100 + 0x6C] & 0x20, 0) << "echo writes off at load";
    for (int i = 0; i < 64; ++i)
        ASSERT_EQ(spc[0x101C0 + i], spc[0x100 + 0xFFC0 + i]);

    Music_Emu *emu = nullptr;
    ASSERT_EQ(gme_open_data(spc.data(), long(spc.size()), &emu, kRate), nullptr);
    gme_info_t *info = nullptr;
    ASSERT_EQ(gme_track_info(emu, &info, 0), nullptr);
    EXPECT_EQ(std::string(info->song), name);
    EXPECT_EQ(std::string(info->game), music::kGameTitle);
    EXPECT_EQ(std::string(info->author), music::kArtist);
    EXPECT_LE(info->length, 0) << "no length in the tag: the tune never ends";
    gme_free_info(info);
    gme_delete(emu);
}

TEST_P(TuneFile, PlaysThreeMinutesWithoutEndSilenceOrClipping) {
    Rendered r = render(readFile(bgmPath(GetParam())), 180.0);
    ASSERT_TRUE(r.error.empty()) << r.error;
    EXPECT_FALSE(r.ended);
    std::vector<float> mono(r.left.size());
    for (size_t i = 0; i < mono.size(); ++i)
        mono[i] = r.mono(i);
    double quietest = 1e9;
    for (size_t s = 0; s + 5 * kRate <= mono.size(); s += kRate / 2)
        quietest = std::min(quietest, rms(mono, s, 5 * kRate));
    EXPECT_GT(quietest, 150.0) << "a five-second stretch is near silence";
    EXPECT_LT(rms(mono, 0, mono.size()), 9000.0) << "far too loud";

    // Hard clipping: runs of samples pinned at full scale.
    size_t pinned = 0, run = 0, longest = 0;
    for (const auto *ch : {&r.left, &r.right}) {
        for (float v : *ch) {
            bool full = std::fabs(v) >= 32767.0f;
            pinned += full;
            run = full ? run + 1 : 0;
            longest = std::max(longest, run);
        }
    }
    EXPECT_LT(pinned, 20u);
    EXPECT_LT(longest, 3u);
}

TEST_P(TuneFile, LoopsSeamlesslyWithinTwentyToNinetySeconds) {
    music::TuneResult t = compileSource(GetParam());
    const double intro = t.song.introSeconds(), loop = t.song.loopSeconds();
    EXPECT_GE(loop, 20.0);
    EXPECT_LE(loop, 90.0);
    // The second and third time round sound the same: their loudness, 10 ms at a time,
    // matches. (Not the samples themselves: a key-on may land one DSP sample period
    // earlier or later depending on where the driver's wait loop caught the timer.)
    Rendered r = render(readFile(bgmPath(GetParam())), intro + 3 * loop + 1);
    ASSERT_TRUE(r.error.empty()) << r.error;
    const size_t loopFrames = size_t(std::lround(loop * kRate));
    const size_t from = size_t((intro + loop) * kRate), step = kRate / 100;
    std::vector<float> mono(r.left.size());
    for (size_t i = 0; i < mono.size(); ++i)
        mono[i] = r.mono(i);
    double d = 0, e = 0;
    for (size_t i = from; i < from + loopFrames; i += step) {
        double a = rms(mono, i, step), b = rms(mono, i + loopFrames, step);
        d += (a - b) * (a - b);
        e += a * a;
    }
    EXPECT_LT(std::sqrt(d / e), 0.03) << "the loop does not repeat itself";
}

TEST_P(TuneFile, FourVoicesSoundTogetherMostOfTheTime) {
    music::TuneResult t = compileSource(GetParam());
    std::vector<uint8_t> spc = readFile(bgmPath(GetParam()));
    const double start = t.song.introSeconds(), len = t.song.loopSeconds();
    const size_t window = kRate / 4;
    const size_t windows = size_t(len * kRate) / window;
    std::vector<int> sounding(windows, 0);
    for (int v = 0; v < 8; ++v) {
        Rendered r = render(spc, start + len, 0xFF & ~(1 << v));
        ASSERT_TRUE(r.error.empty());
        std::vector<float> mono(r.left.size());
        for (size_t i = 0; i < mono.size(); ++i)
            mono[i] = r.mono(i);
        for (size_t w = 0; w < windows; ++w)
            sounding[w] += rms(mono, size_t(start * kRate) + w * window, window) > 40.0;
    }
    size_t four = 0;
    for (int n : sounding)
        four += n >= 4;
    EXPECT_GE(double(four) / double(windows), 0.75)
        << "four voices at once in only " << four << " of " << windows << " quarter seconds";
}

INSTANTIATE_TEST_SUITE_P(Game, TuneFile, ::testing::ValuesIn(music::trackNames()),
                         [](const auto &info) { return info.param; });
