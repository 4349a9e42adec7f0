// No file descriptor outlives its use: the process's open descriptors are counted before
// and after the things the game repeats for as long as it runs (the window's start-up
// and tear-down, the change of tune, pictures that fail to load, the map file read).
// A game that leaks one per tune change runs out of descriptors in a long session.
#include "Descriptors.h"
#include "GameTest.h"
#include "TestPictures.h"

#include "audio/Music.h"
#include "audio/SPCPlayer.h"
#include "world/MapMgr.h"

#include "platform/glpng.h"

#include <GL/gl.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace {

const std::string kRunDir = std::filesystem::current_path().string();

class OpenFilesTest : public GameTest {
  protected:
    void TearDown() override {
        Player.CloseSPCPlayer();
        GameTest::TearDown();
    }
};

TEST_F(OpenFilesTest, StartingAndClosingTheWindowGivesEveryDescriptorBack) {
    // SDL and the GL driver open some descriptors once per process, at the first window.
    OpenWindow();
    Main.KillGLWindow();
    const auto before = OpenDescriptors();
    for (int round = 0; round < 3; round++) {
        SCOPED_TRACE(round);
        OpenWindow();
        ASSERT_GT(OpenDescriptors().size(), 0u);
        Main.KillGLWindow();
        ASSERT_EQ(seams::LiveWindows(), 0);
        const auto after = OpenDescriptors();
        EXPECT_SAME_DESCRIPTORS(before, after);
    }
}

TEST_F(OpenFilesTest, TwoHundredTuneChangesLeaveNoFileOpen) {
    ASSERT_TRUE(std::filesystem::exists("Game Data/Music/BGM/Zombies.spc"));
    ASSERT_TRUE(std::filesystem::exists("Game Data/Music/BGM/Drugstore.spc"));
    char empty[] = "/tmp/gravewake-nolib-XXXXXX"; // a folder without the emulator library
    ASSERT_NE(mkdtemp(empty), nullptr);
    const struct {
        const char *name;
        std::string libraryFolder;
        bool found;
    } cases[] = {{"with the emulator library", kRunDir, true},
                 {"without the emulator library", empty, false}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        seams::SetLibraryFolder(c.libraryFolder);
        MusicMgr->InitSound();
        ASSERT_EQ(Player.library != nullptr, c.found);
        // The first tune opens the audio output, which stays open for the whole run, and
        // its own file, held until the next change.
        MusicMgr->PlaySPC(0);
        ASSERT_EQ(Player.bytesRead, kSpcImageSize);
        const auto before = OpenDescriptors();
        for (int change = 1; change <= 200; change++) {
            MusicMgr->PlaySPC(change % 2); // the outdoor tune and the drugstore's in turn
            ASSERT_EQ(Player.bytesRead, kSpcImageSize) << "change " << change;
        }
        EXPECT_EQ(MusicMgr->currentTrack, 0);
        EXPECT_EQ(seams::LiveWaveOuts(), c.found ? 1 : 0);
        const auto after = OpenDescriptors();
        EXPECT_SAME_DESCRIPTORS(before, after);
        Player.CloseSPCPlayer();
    }
    std::filesystem::remove(empty);
}

TEST_F(OpenFilesTest, PicturesThatFailToLoadCloseTheirFiles) {
    ScratchDir scratch;
    ASSERT_FALSE(scratch.path().empty());
    ASSERT_TRUE(WriteSolidPng("good.png", 16, 16, {200, 100, 50, 255}));
    std::ifstream in("good.png", std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    in.close();
    ASSERT_GT(bytes.size(), 60u);
    std::ofstream("truncated.png", std::ios::binary) << bytes.substr(0, bytes.size() - 20);
    std::ofstream("words.png", std::ios::binary) << "no picture here, only words and more words";

    const auto before = OpenDescriptors();
    for (const char *file : {"missing.png", "words.png", "truncated.png"}) {
        SCOPED_TRACE(file);
        for (int round = 0; round < 5; round++) {
            pngInfo info = {};
            ASSERT_EQ(
                pngBind(file, PNG_NOMIPMAPS, PNG_ALPHA, &info, GL_CLAMP, GL_NEAREST, GL_NEAREST),
                0u);
        }
        const auto after = OpenDescriptors();
        EXPECT_SAME_DESCRIPTORS(before, after);
    }
}

TEST_F(OpenFilesTest, ReadingTheMapFileClosesIt) {
    ASSERT_TRUE(std::filesystem::exists("Game Data/Map/Map.txt"));
    MapMgr->InitMap();
    const auto before = OpenDescriptors();
    for (int round = 0; round < 3; round++)
        MapMgr->LoadMap();
    // The file was read: the map is no longer the flat one.
    int walls = 0;
    for (const auto &row : stMap)
        for (const structMap &cell : row)
            walls += cell.wallHeight > 0.0f;
    EXPECT_GT(walls, 0);
    const auto after = OpenDescriptors();
    EXPECT_SAME_DESCRIPTORS(before, after);
}

} // namespace
