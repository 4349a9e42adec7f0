// The twelve game tunes as the build wrote them: file layout and tag; twice round the loop
// and past the seam without an end, a dead stretch or hard clipping, the second time round
// sounding like the first; and four voices sounding together most of the time.
#include "Analysis.h"

#include "SpcFile.h"
#include "Tracks.h"

#include <gme/gme.h>
#include <gtest/gtest.h>

#include <cmath>

using namespace musictest;

namespace {

class TuneFile : public ::testing::TestWithParam<std::string> {
  protected:
    const std::string source = std::string(MUSIC_TUNE_DIR) + "/" + GetParam() + ".tune";
    const music::CompiledSong song = music::compileTune(music::readTextFile(source), source).song;
    const std::vector<uint8_t> spc =
        readFile(std::string(MUSIC_BGM_DIR) + "/" + GetParam() + ".spc");
    const double intro = song.introSeconds(), loop = song.loopSeconds();
};

} // namespace

TEST_P(TuneFile, HasTheSnapshotLayoutAndTagAndLoopsSeamlesslyForEver) {
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
    EXPECT_EQ(std::string(info->song), GetParam());
    EXPECT_EQ(std::string(info->game), music::kGameTitle);
    EXPECT_EQ(std::string(info->author), music::kArtist);
    EXPECT_LE(info->length, 0) << "no length in the tag: the tune never ends";
    gme_free_info(info);
    gme_delete(emu);

    // Being periodic, twice round and five seconds past the second seam is for ever.
    Rendered r = render(spc, intro + 2 * loop + 5);
    ASSERT_TRUE(r.error.empty()) << r.error;
    EXPECT_FALSE(r.ended);
    const std::vector<float> &mono = r.mono;
    double quietest = 1e9;
    for (size_t s = 0; s + 5 * kRate <= mono.size(); s += kRate / 2)
        quietest = std::min(quietest, rms(mono, s, 5 * kRate));
    EXPECT_GT(quietest, 150.0) << "a five-second stretch is near silence";
    EXPECT_LT(rms(mono, 0, mono.size()), 9000.0) << "far too loud";

    // Hard clipping: runs of samples pinned at full scale.
    size_t pinned = 0, run = 0, longest = 0;
    for (const auto *ch : {&r.left, &r.right})
        for (float v : *ch) {
            bool full = std::fabs(v) >= 32767.0f;
            pinned += full;
            run = full ? run + 1 : 0;
            longest = std::max(longest, run);
        }
    EXPECT_LT(pinned, 20u);
    EXPECT_LT(longest, 3u);

    // From ten seconds in (the echo has built up by then) to five past the seam, the second
    // time round has the first's loudness, 10 ms at a time. (Not the samples themselves: a
    // key-on may land one DSP sample period earlier or later depending on where the
    // driver's wait loop caught the timer.)
    const size_t loopFrames = size_t(std::lround(loop * kRate)), step = kRate / 100;
    double d = 0, e = 0;
    for (size_t i = size_t((intro + 10) * kRate); i < size_t((intro + 5) * kRate) + loopFrames;
         i += step) {
        double a = rms(mono, i, step), b = rms(mono, i + loopFrames, step);
        d += (a - b) * (a - b);
        e += a * a;
    }
    EXPECT_LT(std::sqrt(d / e), 0.03) << "the loop does not repeat itself";
}

TEST_P(TuneFile, FourVoicesSoundTogetherMostOfTheTime) {
    // Each of the tune's channels on its own, a quarter second at a time, over the loop.
    const size_t window = kRate / 4, windows = size_t(loop * kRate) / window;
    std::vector<int> sounding(windows, 0);
    for (size_t v = 0; v < song.channels.size(); ++v) {
        Rendered r = render(spc, intro + loop, 0xFF & ~(1 << v));
        ASSERT_TRUE(r.error.empty());
        for (size_t w = 0; w < windows; ++w)
            sounding[w] += rms(r.mono, size_t(intro * kRate) + w * window, window) > 40.0;
    }
    size_t four = 0;
    for (int n : sounding)
        four += n >= 4;
    EXPECT_GE(double(four) / double(windows), 0.75)
        << "four voices at once in only " << four << " of " << windows << " quarter seconds";
}

INSTANTIATE_TEST_SUITE_P(Game, TuneFile, ::testing::ValuesIn(music::trackNames()),
                         [](const auto &info) { return info.param; });
