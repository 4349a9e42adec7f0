// Loads the emulator library the way the game does and tells by its exit code what came:
// 0 the real library, 1 nothing, 2 a decoy. Arguments: the folder to stand in for the
// program's own ("" for the program's own), then the name to ask for.
#include "platform/Win32.h"
#include "platform/testing.h"

int main(int argc, char **argv) {
    if (argc > 1 && argv[1][0])
        seams::SetLibraryFolder(argv[1]);
    HMODULE library = LoadLibraryA(argc > 2 ? argv[2] : "SNESAPU.DLL");
    if (!library)
        return 1;
    if (GetProcAddress(library, "DecoyLoaded"))
        return 2;
    return GetProcAddress(library, "EmuAPU") ? 0 : 3;
}
