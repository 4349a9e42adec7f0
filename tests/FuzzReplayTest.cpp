// The files that once broke a reader of outside data, and hand-made damaged ones, kept in
// tests/fuzz/regressions/<reader>/ and replayed through the fuzz targets' own checks
// (scripts/fuzz.sh): the map keeps what it had from the first failed read on, a picture
// that cannot be decoded gives texture 0 and leaves GL as it was, and a demo is taken whole
// or refused with a one-line reason. The tunes are replayed with the music tests.
#include "Harness.h"

#include "fuzz/ReaderChecks.h"

namespace {

// Every regression file of a reader, each with what its check reported and whether the
// reader took it; hand-made files with a known outcome must have it.
void Replay(const char *reader, const std::map<std::string, int> &known,
            const std::function<std::string(const std::string &path, int &outcome)> &check) {
    std::vector<std::filesystem::path> files;
    for (const auto &entry :
         std::filesystem::directory_iterator(std::string(GRAVEWAKE_REGRESSIONS) + "/" + reader))
        files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    ASSERT_GE(files.size(), known.size());
    for (const auto &file : files) {
        int outcome = -1;
        EXPECT_EQ(check(file.string(), outcome), "") << file.filename();
        const auto expected = known.find(file.filename().string());
        EXPECT_TRUE(expected == known.end() || outcome == expected->second)
            << file.filename() << ": " << outcome;
    }
}

TEST(FuzzReplay, DamagedFilesOfEveryReader) {
    // Maps: the cells loaded whole before the first failed read. (A record cut short: the
    // map file test of WorldTest.)
    ScratchDir scratch;
    scratch.MakeGameDataFolders();
    Replay("map", // clang-format off
           {{"truncated.txt", 1}, {"wall-without-side.txt", 1}, {"letters.txt", 1},
            {"sign-alone.txt", 1}}, // clang-format on
           [](const std::string &path, int &written) {
               std::filesystem::copy_file(path, "Game Data/Map/Map.txt",
                                          std::filesystem::copy_options::overwrite_existing);
               return readerchecks::CheckMapLoad(&written);
           });
    // Demos: taken or not.
    Replay("demo", // clang-format off
           {{"head-6-frames.demo", 1}, {"truncated.demo", 0}, {"bad-checksum.demo", 0},
            {"bogus-length.demo", 0}, {"later-format.demo", 0}, {"header-only.demo", 0},
            {"after-end.demo", 0}, {"short-key-list.demo", 0}}, // clang-format on
           [](const std::string &path, int &taken) {
               const std::vector<uint8_t> bytes = ReadBytes(path);
               bool accepted = false;
               const auto fault =
                   readerchecks::CheckDemoParse(bytes.data(), bytes.size(), &accepted);
               return taken = accepted, fault;
           });
}

TEST(FuzzReplay, DamagedPicturesGiveTextureZeroAndLeaveGLAlone) {
    seams::Reset();
    RestartGame();
    ASSERT_TRUE(Main.CreateGLWindow("Hollowmere's Gravewake", 64, 64, 16, 0));
    const auto files = OpenDescriptors();
    Replay("png", // clang-format off
           {{"good-4x4.png", 1}, {"truncated.png", 0}, {"bogus-chunk-length.png", 0},
            {"huge-size.png", 0}, {"wider-than-gl.png", 0}, {"signature-only.png", 0}},
           // clang-format on
           [](const std::string &path, int &decodedOut) {
               bool decoded = false;
               const std::string fault = readerchecks::CheckPngBind(path.c_str(), &decoded);
               return decodedOut = decoded, fault;
           });
    EXPECT_SAME_DESCRIPTORS(files, OpenDescriptors()) << "a picture that failed left its file open";
    Main.KillGLWindow();
}

} // namespace
