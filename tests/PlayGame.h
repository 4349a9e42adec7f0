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
// pass once the game is on; a step returns false when the game should quit. A game that
// does not start within 50 passes, steps that go on past `maxSteps`, a game that stops
// presenting frames, or one still running 20 pumps after Escape fail the test
// (EndRunawayLoop).
inline int PlayGame(const std::function<bool(int pass)> &step, int maxSteps = 10000) {
    seams::ScriptAnswers({IDNO});
    int pass = 0, startPasses = 0, pumpsAfterEscape = 0, pumps = 0;
    const int maxPumps = 10 * (maxSteps + 50);
    bool started = false, quitting = false;
    int lastPresents = -1;
    seams::SetPumpHook([&] {
        if (++pumps > maxPumps) {
            EndRunawayLoop(pumps - maxPumps, "no end after " + std::to_string(maxPumps) +
                                                 " pumps (" + std::to_string(seams::Presents()) +
                                                 " frames presented)");
            return;
        }
        if (quitting) {
            EndRunawayLoop(++pumpsAfterEscape - 20, "Escape did not end the game");
            return;
        }
        if (seams::Presents() == lastPresents)
            return; // once per pass
        lastPresents = seams::Presents();
        if (!started) {
            EndRunawayLoop(++startPasses - 50, "Enter on \"Start Game\" did not start the game");
            // Enter on "Start Game", held for one poll.
            const bool down = lastPresents % 2 == 1;
            seams::KeyEvent(DIK_RETURN, down);
            started = Main.screen == 1 && !down;
            return;
        }
        if (pass > maxSteps) {
            EndRunawayLoop(pass++ - maxSteps, "the steps did not end the game");
            return;
        }
        if (!step(pass++)) {
            seams::KeyEvent(DIK_ESCAPE, true);
            quitting = true;
        }
    });
    return WinMain(GetModuleHandleA(nullptr), nullptr, nullptr, SW_SHOW);
}
