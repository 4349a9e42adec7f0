// The process entry point: the command line (demos), then the game's WinMain. On Windows
// MinGW's C runtime calls main, with the arguments split, for a windowed program too.
#include "app/Demo.h"

#include <string>
#include <vector>

int main(int argc, char **argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    return RunGame(args);
}
