// Demos from the game's side: the command line that records, plays back and times them,
// and the digest of the game state that play-back checks frame by frame.
#pragma once

#include "platform/Demo.h"

#include <cstdint>
#include <string>
#include <vector>

// The logic version: raised whenever a change to the game is meant to change how a
// recorded game plays. Demos of another logic version are refused.
constexpr uint16_t kLogicVersion = 2;

// The build identity written into demos.
demo::Identity GameIdentity();

// A hash of everything that decides how the game goes on: the player, the camera, the
// weapon, all the zombies, the map keys, the screen, the menu, the draw distance, the
// death timer and the tune playing. Only game-thread state; nothing drawn.
uint64_t GameStateDigest();

// Exit codes besides the game's own (0, and 1 for no window or a lost display).
enum DemoExitCode {
    kExitUsage = 2,     // a bad command line
    kExitFile = 3,      // the demo file cannot be read or written
    kExitBadDemo = 4,   // not a demo this build can play: foreign, damaged, other logic
    kExitOutOfSync = 5, // play-back went another way than the recorded game
};

// What the command line asks for.
struct CommandLine {
    enum Action { Play, Record, PlayDemo, TimeDemo } action = Play;
    std::string file;
    bool headless = false;
};
// False with a one-line message for a command line that is not understood.
bool ParseCommandLine(const std::vector<std::string> &args, CommandLine &line, std::string &error);

// The timedemo figures, as one line for scripts:
// "timedemo: frames N median_ms M p99_ms P worst_ms W fps F".
std::string TimedemoLine(const std::vector<double> &frameMs, uint32_t frames);

// The game as the process runs it: arguments without the program name. Prints its own
// one-line messages on stderr and returns the exit code.
int RunGame(const std::vector<std::string> &args);

// At the top of every main-loop pass: the frame's digest to the demo being recorded or
// played back, if any.
void DemoFrame();

// The application object and the records as at process start; the game's random numbers
// are seeded anew from the clock (recorded or played back when a demo runs).
void RestartGame();
