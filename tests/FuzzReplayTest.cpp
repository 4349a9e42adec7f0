// The files that once broke a reader of outside data, and hand-made damaged ones, kept in
// tests/fuzz/regressions/<reader>/ and replayed through the same entry points as the fuzz
// targets (scripts/fuzz.sh), with the same checks: the map keeps what it had from the
// first failed read on, a picture that cannot be decoded gives texture 0 and leaves
// GL as it was, and a demo is taken whole or refused with a one-line reason. The tunes are replayed
// with the music tests.
#include "GameTest.h"
#include "TestPictures.h"

#include "fuzz/ReaderChecks.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

namespace {

std::vector<std::filesystem::path> Regressions(const char *reader) {
    std::vector<std::filesystem::path> files;
    for (const auto &entry :
         std::filesystem::directory_iterator(std::string(GRAVEWAKE_REGRESSIONS) + "/" + reader))
        files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

class FuzzReplayTest : public GameTest {
  protected:
    ScratchDir scratch;
};

TEST_F(FuzzReplayTest, DamagedMapFilesLoadUpToTheFirstFailedRead) {
    ASSERT_FALSE(scratch.path().empty());
    std::filesystem::create_directories("Game Data/Map");
    // Cells loaded whole from the hand-made files; the others only pass the check.
    const std::map<std::string, int> whole = {{"truncated.txt", 1},
                                              {"wall-without-side.txt", 1},
                                              {"letters.txt", 1},
                                              {"sign-alone.txt", 1}};
    const auto files = Regressions("map");
    ASSERT_GE(files.size(), whole.size());
    for (const auto &file : files) {
        SCOPED_TRACE(file.filename().string());
        std::filesystem::copy_file(file, "Game Data/Map/Map.txt",
                                   std::filesystem::copy_options::overwrite_existing);
        int written = -1;
        EXPECT_EQ(readerchecks::CheckMapLoad(&written), "");
        auto expected = whole.find(file.filename().string());
        if (expected != whole.end()) {
            EXPECT_EQ(written, expected->second);
        }
    }
    // The first record of the hand-made files, as loaded.
    std::filesystem::copy_file(files.front().parent_path() / "truncated.txt",
                               "Game Data/Map/Map.txt",
                               std::filesystem::copy_options::overwrite_existing);
    MapMgr->InitMap();
    MapMgr->LoadMap();
    EXPECT_EQ(stMap[0][0].floorTexture, 3);
    EXPECT_EQ(stMap[0][0].wallSide, 4);
    EXPECT_EQ(stMap[0][0].wallTexture, 7);
    EXPECT_EQ(stMap[0][1].floorTexture, 5);
    EXPECT_EQ(stMap[0][1].floorHeight, 1.0f);
    EXPECT_EQ(stMap[0][1].wallBase, 0.0f); // the file ends here: the reset value stays
    EXPECT_EQ(stMap[0][2].floorTexture, 1);
}

TEST_F(FuzzReplayTest, DamagedPicturesGiveTextureZeroAndLeaveGLAlone) {
    OpenWindow();
    const std::map<std::string, bool> decodes = {
        {"good-4x4.png", true},   {"truncated.png", false},     {"bogus-chunk-length.png", false},
        {"huge-size.png", false}, {"wider-than-gl.png", false}, {"signature-only.png", false}};
    const auto files = Regressions("png");
    ASSERT_GE(files.size(), decodes.size());
    for (const auto &file : files) {
        SCOPED_TRACE(file.filename().string());
        bool decoded = false;
        EXPECT_EQ(readerchecks::CheckPngBind(file.c_str(), &decoded), "");
        auto expected = decodes.find(file.filename().string());
        if (expected != decodes.end()) {
            EXPECT_EQ(decoded, expected->second);
        }
    }
}

} // namespace

TEST(FuzzReplayDemo, DamagedDemosAreRefusedWithAReason) {
    const std::map<std::string, bool> takes = {
        {"head-6-frames.demo", true}, {"truncated.demo", false},     {"bad-checksum.demo", false},
        {"bogus-length.demo", false}, {"later-format.demo", false},  {"header-only.demo", false},
        {"after-end.demo", false},    {"short-key-list.demo", false}};
    const auto files = Regressions("demo");
    ASSERT_GE(files.size(), takes.size());
    for (const auto &file : files) {
        SCOPED_TRACE(file.filename().string());
        std::ifstream in(file, std::ios::binary);
        const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                         std::istreambuf_iterator<char>());
        bool accepted = false;
        EXPECT_EQ(readerchecks::CheckDemoParse(bytes.data(), bytes.size(), &accepted), "");
        auto expected = takes.find(file.filename().string());
        if (expected != takes.end()) {
            EXPECT_EQ(accepted, expected->second);
        }
    }
}
