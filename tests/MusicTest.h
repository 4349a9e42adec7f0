// The music tests' fixture: a fresh platform with the emulator library of the run
// directory, wave-out devices that play only when told and record what they are given,
// and a scratch run directory with an empty music folder.
#pragma once

#include "TestPictures.h"

#include "app/Records.h"
#include "audio/SPCPlayer.h"
#include "platform/testing.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

inline const std::string kRunDir = std::filesystem::current_path().string();

class MusicTest : public ::testing::Test {
  protected:
    void SetUp() override {
        seams::Reset();
        seams::SetLibraryFolder(kRunDir);
        seams::ManualWaveOut(true);
        seams::RecordWaveOut(true);
        ASSERT_FALSE(scratch.path().empty());
        std::filesystem::create_directories("Game Data/Music/BGM");
        stCharacter = kStartCharacter;
    }
    void TearDown() override {
        Player.CloseSPCPlayer();
        seams::Reset();
    }
    static std::string Tune(const char *room) {
        return std::string("Game Data/Music/BGM/") + room + ".spc";
    }
    // Plays the head buffer to its end and waits for its refill.
    static void PlayOneBuffer() {
        seams::FinishWaveOutBuffers();
        ASSERT_TRUE(seams::WaitWaveOutNotices()) << "the refill did not end within 5 s";
    }
    ScratchDir scratch;
};
