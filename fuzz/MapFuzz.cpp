// The map file as LoadMap reads it: the map keeps what it had from the first failed read
// on (readerchecks::CheckMapLoad).
#include "fuzz/ReaderChecks.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    // LoadMap opens its file relative to the working directory.
    char pattern[] = "/tmp/gravewake-mapfuzz-XXXXXX";
    if (!mkdtemp(pattern) || chdir(pattern) != 0)
        std::abort();
    std::filesystem::create_directories("Game Data/Map");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    std::FILE *out = std::fopen(".//Game Data//Map//Map.txt", "wb");
    if (!out || std::fwrite(data, 1, size, out) != size || std::fclose(out) != 0)
        std::abort();
    const std::string fault = readerchecks::CheckMapLoad();
    if (!fault.empty()) {
        std::fprintf(stderr, "LoadMap: %s\n", fault.c_str());
        std::abort();
    }
    return 0;
}
