// The process entry point: the command line (demos), then the game's WinMain, as the
// Windows C runtime would call it. The installed launcher (packaging/gravewake.in) has
// already made the data folder the current one.
#include "app/Demo.h"

#include <string>
#include <vector>

int main(int argc, char **argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    return RunGame(args);
}
