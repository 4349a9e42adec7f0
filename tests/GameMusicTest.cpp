// The music in a whole game: without the emulator library nothing sounds and nothing
// breaks; with SDL's disk driver the recorded output changes tune where the player
// walks into a room.
#include "GameTest.h"
#include "PlayGame.h"
#include "TestPictures.h"

#include "audio/Music.h"
#include "audio/SPCPlayer.h"
#include "world/CameraMgr.h"
#include "world/MapMgr.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <unistd.h>

namespace {

struct Doorway {
    float x, z, yaw; // where to stand outside, and the heading that walks in
    float edge;      // the coordinate along the walk at which the room begins
    int track;
};

bool Blocks(int i, int j) {
    return BlocksWalking(stMap[i][j]);
}

// A straight way into one of the rooms through the north or south side of its rim: a
// column of cells free from five outside to five inside.
bool FindDoorway(Doorway &door) {
    const struct {
        int a, b, c, d, track;
    } rooms[] = {{96, 156, 2, 46, 3},     {49, 67, 103, 148, 4},  {201, 248, 94, 148, 6},
                 {150, 196, 169, 200, 7}, {82, 137, 169, 200, 8}, {123, 164, 94, 135, 9}};
    for (const auto &r : rooms)
        for (int x = r.a + 1; x < r.b; x++) {
            bool north = r.c >= 6, south = r.d <= 243;
            for (int k = -5; k <= 5; k++) {
                north = north && !Blocks(x, r.c + k);
                south = south && !Blocks(x, r.d + k);
            }
            if (north) {
                door = {x + 0.5f, r.c - 4.5f, 180.0f, float(r.c), r.track};
                return true;
            }
            if (south) {
                door = {x + 0.5f, r.d + 4.5f, 0.0f, float(r.d), r.track};
                return true;
            }
        }
    return false;
}

// Where a block of bytes first occurs in a file's bytes, or npos.
size_t Find(const std::string &haystack, const std::vector<char> &needle, size_t from = 0) {
    return haystack.find(std::string(needle.begin(), needle.end()), from);
}

const char *const kRoomOfTrack[] = {"Zombies",  "Drugstore", "Orchard",  "Carnival",
                                    "Arcade",   "Skyward",   "Cottage",  "Meadow",
                                    "Hospital", "Roadhouse", "Defeated", "Skirmish"};

TEST(GameMusic, AWholeGameWithoutTheEmulatorLibraryRunsSilent) {
    seams::Reset();
    RebuildMain();
    char folder[] = "/tmp/gravewake-nolib-XXXXXX"; // a run directory without the library
    ASSERT_NE(mkdtemp(folder), nullptr);
    seams::SetLibraryFolder(folder);
    seams::UseVirtualClock(0);
    float startX = 0.0f;
    const int code = PlayGame([&](int pass) {
        if (pass == 0) {
            startX = stCharacter.posX;
            Mouse->posX = 90.0f; // east, along the road
            seams::KeyEvent(DIK_W, true);
        }
        return pass < 60;
    });
    std::filesystem::remove(folder);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(Main.screen, 1);
    EXPECT_GT(stCharacter.posX, startX + 5.0f); // the game went on
    EXPECT_EQ(Player.library, nullptr);
    EXPECT_EQ(MusicMgr->currentTrack, 0); // chosen, though nothing can play it
    EXPECT_EQ(seams::WaveOutOpens(), 0);
}

TEST(GameMusic, TheRecordedMusicChangesWhereThePlayerWalksIntoARoom) {
    char file[] = "/tmp/gravewake-audio-XXXXXX";
    const int fd = mkstemp(file);
    ASSERT_GE(fd, 0);
    close(fd);
    setenv("SDL_AUDIODRIVER", "disk", 1); // SDL writes the mixed output to the file
    setenv("SDL_DISKAUDIOFILE", file, 1);
    seams::Reset();
    RebuildMain();
    // The tests run from the run directory, where the library is built, not from beside
    // the test program.
    seams::SetLibraryFolder(std::filesystem::current_path().string());

    using Clock = std::chrono::steady_clock;
    Clock::time_point gameStart, crossing;
    Doorway door = {};
    bool found = false, walking = false;
    int after = 0;
    const int code = PlayGame([&](int pass) {
        if (pass == 0) {
            gameStart = Clock::now(); // the first game frame has just started the tune
            EXPECT_EQ(MusicMgr->currentTrack, 0);
            found = FindDoorway(door);
            if (!found)
                return false;
            // Stand outside the doorway, facing it, a little later than the start.
        } else if (pass == 20) {
            stCharacter.posX = door.x;
            stCharacter.posZ = door.z;
            Mouse->posX = door.yaw;
            seams::KeyEvent(DIK_W, true);
            walking = true;
        } else if (walking && MusicMgr->currentTrack == door.track && after++ == 0) {
            crossing = Clock::now();
            const float z = stCharacter.posZ;
            EXPECT_TRUE(door.yaw == 180.0f ? z >= door.edge : z <= door.edge);
        }
        return pass < 400 && after < 40;
    });
    EXPECT_EQ(code, 0);
    ASSERT_TRUE(found) << "no doorway into any room";
    ASSERT_GT(after, 0) << "never reached the room";

    std::ifstream in(file, std::ios::binary);
    const std::string audio((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::filesystem::remove(file);
    ASSERT_FALSE(audio.empty());
    Player.InitSPCPlayer(); // the library again, to render the expected starts
    ASSERT_NE(Player.emuAPU, nullptr);
    const size_t outdoors = Find(audio, FirstBuffer("Zombies"));
    ASSERT_NE(outdoors, std::string::npos) << "the outdoor tune is not in the recording";
    const size_t room = Find(audio, FirstBuffer(kRoomOfTrack[door.track]), outdoors);
    ASSERT_NE(room, std::string::npos) << "the room's tune is not in the recording";
    const double heard = double(room - outdoors) / 128000.0; // bytes at 32 kHz stereo
    const double walked = std::chrono::duration<double>(crossing - gameStart).count();
    std::printf("outdoor tune at %.3f s of the recording, %s from %.3f s: %.3f s apart; "
                "the player crossed into the room %.3f s after the game began\n",
                outdoors / 128000.0, kRoomOfTrack[door.track], room / 128000.0, heard, walked);
    EXPECT_NEAR(heard, walked, 0.3);
}

} // namespace
