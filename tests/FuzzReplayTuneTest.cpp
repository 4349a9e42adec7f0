// Damaged and once-crashing tune files (tests/fuzz/regressions/spc/), played the way the
// game switches to a tune: LoadSPC, then WavOpen and a refill. Nothing breaks, and an
// image without the SPC signature plays silence.
#include "MusicTest.h"

#include "fuzz/ReaderChecks.h"

#include <algorithm>
#include <filesystem>
#include <vector>

namespace {

using FuzzReplayTuneTest = MusicTest;

TEST_F(FuzzReplayTuneTest, DamagedTunesPlaySilenceOrPlay) {
    std::vector<std::filesystem::path> files;
    for (const auto &entry :
         std::filesystem::directory_iterator(std::string(GRAVEWAKE_REGRESSIONS) + "/spc"))
        files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    ASSERT_GE(files.size(), 3u);

    Player.InitSPCPlayer();
    ASSERT_NE(Player.emuAPU, nullptr);
    for (const auto &file : files) {
        SCOPED_TRACE(file.filename().string());
        std::memset(Player.spcImage, 0, sizeof Player.spcImage); // no tail of the last tune
        const size_t before = seams::WaveOutLog().size();
        Player.LoadSPC(file.c_str());
        EXPECT_EQ(Player.bytesRead,
                  std::min<uintmax_t>(std::filesystem::file_size(file), kSpcImageSize));
        ASSERT_TRUE(Player.WavOpen());
        PlayOneBuffer();
        Player.WavClose();
        CloseHandle(Player.fileHandle);
        Player.fileHandle = nullptr;
        const auto log = seams::WaveOutLog();
        ASSERT_GE(log.size(), before + 3); // two primed buffers and a refill
        if (readerchecks::HasSpcSignature(Player.spcImage))
            continue;
        for (size_t k = before; k < log.size(); k++) {
            EXPECT_TRUE(std::all_of(log[k].begin(), log[k].end(), [](char b) { return b == 0; }))
                << "an image without the signature made sound";
        }
    }
}

} // namespace
