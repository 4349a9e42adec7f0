// The process entry point: the command line (demos), then the game's WinMain. MinGW's C
// runtime calls main, with the arguments split, for a windowed program too.
//
// The game opens its data relative to the current folder. Started from anywhere else (a
// command line in another folder, a shortcut without its working folder), it is moved to
// its own folder first, as the Linux launcher does; a file named on the command line is
// still meant relative to where it was started (GRAVEWAKE_CALLER_DIR).
#include "app/Demo.h"
#include "platform/win32/Win32.h"

#include <cstdlib>
#include <string>
#include <vector>

namespace {

bool IsFolder(const char *path) {
    const DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void MoveToOwnFolder() {
    char exe[MAX_PATH], here[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, exe, MAX_PATH);
    const DWORD hereLength = GetCurrentDirectoryA(MAX_PATH, here);
    if (length == 0 || length >= MAX_PATH || hereLength == 0 || hereLength >= MAX_PATH)
        return;
    std::string folder(exe, length);
    folder.erase(folder.find_last_of("\\/") + 1);
    if (!IsFolder((folder + "Game Data").c_str()) || !SetCurrentDirectoryA(folder.c_str()))
        return;
    _putenv_s("GRAVEWAKE_CALLER_DIR", here);
}

} // namespace

int main(int argc, char **argv) {
    if (!IsFolder("Game Data"))
        MoveToOwnFolder();
    std::vector<std::string> args(argv + 1, argv + argc);
    return RunGame(args);
}
