// The game with one of its files gone: each picture, the map, each tune, the emulator
// library and each face the game asks for, removed in turn from a copy of the run
// folder. The game must still start, show its menu, enter play, run 200 frames in which
// the player walks, turns, strikes with every weapon and raises a fresh population, and
// end with exit code 0 on Escape.
#include "GameTest.h"
#include "PlayGame.h"
#include "TestPictures.h"

#include "actors/ZombieMgr.h"
#include "audio/SPCPlayer.h"
#include "hud/FontsMgr.h"
#include "world/MapMgr.h"
#include "world/TextureMgr.h"

#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

const std::string kRunDir = fs::current_path().string();

// Every file of "Game Data" in the run folder, relative to it, in a fixed order.
std::vector<std::string> DataFiles(const std::string &under = "Game Data") {
    std::vector<std::string> files;
    for (const auto &entry : fs::recursive_directory_iterator(kRunDir + "/" + under))
        if (entry.is_regular_file())
            files.push_back(fs::relative(entry.path(), kRunDir).string());
    std::sort(files.begin(), files.end());
    return files;
}

class MissingDataTest : public GameTest {
  protected:
    // A run folder with every data file of the real one but `missing`, entered as the
    // current directory while the game runs; the emulator library is looked for in the
    // real run folder unless it is the one missing.
    struct RunFolder {
        RunFolder(const std::string &missing, bool withLibrary) {
            for (const std::string &file : DataFiles()) {
                if (file == missing)
                    continue;
                fs::create_directories(fs::path(scratch.path()) / fs::path(file).parent_path());
                fs::create_symlink(kRunDir + "/" + file, fs::path(scratch.path()) / file);
            }
            seams::SetLibraryFolder(withLibrary ? kRunDir : scratch.path());
        }
        ScratchDir scratch;
    };

    // One whole game, as PlayGame drives it; true when it ran its 200 frames and ended
    // with exit code 0.
    static void Play(const std::string &what) {
        SCOPED_TRACE("without " + what);
        seams::Reset();
        RebuildMain();
        // A small window and a short view keep 200 frames cheap; every picture the
        // player meets is still drawn.
        Main.width = 320;
        Main.height = 240;
        Main.drawDistance = 12;
        seams::UseVirtualClock(1000);
        int frames = 0, presentsAtStart = -1;
        const int code = PlayGame([&](int pass) {
            if (pass == 0)
                presentsAtStart = seams::Presents();
            // Walk and turn for a while, then each weapon in turn, and a fresh crowd.
            seams::KeyEvent(DIK_W, pass < 120);
            if (pass % 10 == 0)
                seams::MouseMotion(15, pass % 20 == 0 ? 3 : -3);
            if (pass >= 120 && pass < 180) {
                const int phase = pass - 120;
                if (phase % 20 == 0)
                    seams::KeyEvent(static_cast<uint8_t>(DIK_1 + phase / 20), true);
                if (phase % 20 == 1)
                    seams::KeyEvent(static_cast<uint8_t>(DIK_1 + phase / 20), false);
                seams::MouseButton(0, phase % 20 >= 2 && phase % 20 < 8);
            }
            seams::MouseButton(1, pass == 185);
            frames = pass;
            return pass < 200;
        });
        EXPECT_EQ(code, 0);
        EXPECT_EQ(frames, 200);
        EXPECT_GE(seams::Presents() - presentsAtStart, 200) << "frames presented in play";
        for (const structZombies &z : stZombies)
            ASSERT_TRUE(std::isfinite(z.posX) && std::isfinite(z.posZ));
    }
};

// The hundred pictures in four shares, so that ctest can run them side by side.
class MissingPictureTest : public MissingDataTest, public ::testing::WithParamInterface<int> {};

TEST_P(MissingPictureTest, EachInTurn) {
    std::vector<std::string> pictures;
    for (const std::string &file : DataFiles())
        if (file.size() > 4 && file.compare(file.size() - 4, 4, ".png") == 0)
            pictures.push_back(file);
    ASSERT_EQ(pictures.size(), 100u);
    for (size_t k = static_cast<size_t>(GetParam()); k < pictures.size(); k += 4) {
        const std::string &picture = pictures[k];
        RunFolder folder(picture, true);
        Play(picture);
        // The missing picture, and only it, left its texture at 0 when the window was
        // made; all others were loaded.
        int zeros = 0;
        for (unsigned t : TextureMgr->sprites)
            zeros += t == 0;
        for (unsigned t : TextureMgr->menus)
            zeros += t == 0;
        for (unsigned t : TextureMgr->floors)
            zeros += t == 0;
        for (unsigned t : TextureMgr->walls)
            zeros += t == 0;
        EXPECT_EQ(zeros, 1) << "textures at 0 without " << picture;
        if (HasFailure())
            break;
    }
}

INSTANTIATE_TEST_SUITE_P(Shares, MissingPictureTest, ::testing::Range(0, 4));

TEST_F(MissingDataTest, TheMap) {
    const std::vector<std::string> maps = DataFiles("Game Data/Map");
    ASSERT_EQ(maps.size(), 1u);
    RunFolder folder(maps[0], true);
    Play(maps[0]);
}

TEST_F(MissingDataTest, EachTune) {
    const std::vector<std::string> tunes = DataFiles("Game Data/Music");
    ASSERT_EQ(tunes.size(), 12u);
    for (const std::string &tune : tunes) {
        RunFolder folder(tune, true);
        Play(tune);
        if (HasFailure())
            break;
    }
}

TEST_F(MissingDataTest, TheEmulatorLibrary) {
    RunFolder folder("", false);
    Play("the emulator library");
    EXPECT_EQ(Player.library, nullptr);
}

// Each face the game asks for, with the font file fontconfig would give it rejected as
// if it had been uninstalled. Fonts, once made, live for the whole process, so each face
// is a test of its own (ctest runs each in a process of its own).
class MissingFontTest : public MissingDataTest,
                        public ::testing::WithParamInterface<const char *> {};

// The file fontconfig picks for a family in bold, as the game asks for every face.
std::string FontFile(const char *family) {
    std::string file;
    FcPattern *pattern = FcNameParse(reinterpret_cast<const FcChar8 *>(family));
    FcPatternAddInteger(pattern, FC_WEIGHT, FC_WEIGHT_BOLD);
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    if (FcPattern *match = FcFontMatch(nullptr, pattern, &result)) {
        FcChar8 *path = nullptr;
        if (FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch)
            file = reinterpret_cast<const char *>(path);
        FcPatternDestroy(match);
    }
    FcPatternDestroy(pattern);
    return file;
}

TEST_P(MissingFontTest, TheFaceOf) {
    // The installed face that stands in for the one the game names.
    const std::string requested = GetParam();
    const char *installed = requested == "Arial"        ? "Liberation Sans"
                            : requested == "Orange Kid" ? "Bebas Neue"
                                                        : "TeX Gyre Chorus";
    ASSERT_TRUE(FcInit());
    const std::string file = FontFile(installed);
    ASSERT_FALSE(file.empty());
    // The system's configuration with that file rejected.
    const std::string config = "<?xml version=\"1.0\"?><!DOCTYPE fontconfig SYSTEM "
                               "\"urn:fontconfig:fonts.dtd\"><fontconfig>"
                               "<include ignore_missing=\"yes\">/etc/fonts/fonts.conf</include>"
                               "<selectfont><rejectfont><glob>" +
                               file + "</glob></rejectfont></selectfont></fontconfig>";
    FcConfig *without = FcConfigCreate();
    ASSERT_TRUE(FcConfigParseAndLoadFromMemory(
        without, reinterpret_cast<const FcChar8 *>(config.c_str()), FcTrue));
    ASSERT_TRUE(FcConfigBuildFonts(without));
    ASSERT_TRUE(FcConfigSetCurrent(without));
    FcConfigDestroy(without); // the current configuration keeps its own reference
    ASSERT_NE(FontFile(installed), file) << "the font file is still offered";

    RunFolder folder("", true);
    Play(file);
}

INSTANTIATE_TEST_SUITE_P(Faces, MissingFontTest,
                         ::testing::Values("Arial", "Orange Kid", "Monotype Corsiva"),
                         [](const ::testing::TestParamInfo<const char *> &info) {
                             std::string name = info.param;
                             name.erase(std::remove(name.begin(), name.end(), ' '), name.end());
                             return name;
                         });

} // namespace
