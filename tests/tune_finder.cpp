// Tells which tunes a recording of the game's sound holds, in the order they start:
// each tune's first sounding samples, rendered by the emulator library with the project's
// own core (the one the Windows build's SNESAPU.DLL is built from), looked for sample for
// sample in the recording (raw 16-bit stereo at 32000 Hz, as the game plays it).
// Usage: tune_finder RECORDING BGM_FOLDER; prints the tunes' names on one line.
#include "SpcLibrary.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

int main(int argc, char **argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: tune_finder RECORDING BGM_FOLDER\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), {});
    std::vector<int16_t> pcm(bytes.size() / 2);
    std::memcpy(pcm.data(), bytes.data(), pcm.size() * 2);

    const SpcLibrary library(OWN_LIBRARY);
    if (!library.ok()) {
        std::fprintf(stderr, "tune_finder: no emulator library at %s\n", OWN_LIBRARY);
        return 1;
    }
    std::map<size_t, std::string> found; // by where the tune starts in the recording
    for (const auto &entry : std::filesystem::directory_iterator(argv[2])) {
        const std::vector<int16_t> start =
            library.render(SpcLibrary::ReadImage(entry.path()), 3 * 3200);
        // 2000 frames from the first that sounds: no other tune, nor this one later,
        // has them.
        const size_t from =
            size_t(std::find_if(start.begin(), start.end(), [](int16_t s) { return s != 0; }) -
                   start.begin()) &
            ~size_t{1};
        const size_t length = 4000;
        if (from + length > start.size())
            continue;
        for (size_t at = 0; at + length <= pcm.size(); at += 2)
            if (pcm[at] == start[from] &&
                std::equal(start.begin() + long(from), start.begin() + long(from + length),
                           pcm.begin() + long(at)))
                found[at] = entry.path().stem().string();
    }
    std::string line;
    for (const auto &[at, name] : found)
        line += (line.empty() ? "" : " ") + name;
    std::printf("%s\n", line.c_str());
    return 0;
}
