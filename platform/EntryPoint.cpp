// The process entry point hands over to the game's WinMain, as the Windows C runtime
// does. The command line is not used by the game; pass the arguments joined anyway.
#include "platform/Win32.h"

#include <string>

int main(int argc, char **argv) {
    std::string commandLine;
    for (int i = 1; i < argc; i++) {
        if (i > 1)
            commandLine += ' ';
        commandLine += argv[i];
    }
    return WinMain(GetModuleHandleA(nullptr), nullptr, &commandLine[0], SW_SHOW);
}
