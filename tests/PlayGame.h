// A whole game through WinMain, driven pass by pass, and the start of a tune as the
// emulator library renders it: for tests that play the game as a person would.
#pragma once

#include "GameTest.h"

#include "audio/SPCPlayer.h"

#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

// The first 100 ms a tune plays, rendered by the emulator library itself.
inline std::vector<char> FirstBuffer(const char *room) {
    std::ifstream in(std::string("Game Data/Music/BGM/") + room + ".spc", std::ios::binary);
    std::vector<unsigned char> image((std::istreambuf_iterator<char>(in)),
                                     std::istreambuf_iterator<char>());
    image.resize(kSpcImageSize);
    Player.loadSPCFile(image.data());
    std::vector<char> pcm(12800);
    Player.emuAPU(pcm.data(), 3200, 1);
    return pcm;
}

// Runs the game through WinMain: windowed, "Start Game", then the given steps, one per
// pass once the game is on; a step returns false when the game should quit.
inline int PlayGame(const std::function<bool(int pass)> &step) {
    seams::ScriptAnswers({IDNO});
    int pass = 0;
    bool started = false, quitting = false;
    int lastPresents = -1;
    seams::SetPumpHook([&] {
        if (seams::Presents() == lastPresents || quitting)
            return; // once per pass
        lastPresents = seams::Presents();
        if (!started) {
            // Enter on "Start Game", held for one poll.
            const bool down = lastPresents % 2 == 1;
            seams::KeyEvent(DIK_RETURN, down);
            started = Main.screen == 1 && !down;
            return;
        }
        if (!step(pass++)) {
            seams::KeyEvent(DIK_ESCAPE, true);
            quitting = true;
        }
    });
    return WinMain(GetModuleHandleA(nullptr), nullptr, nullptr, SW_SHOW);
}
