// The map file as LoadMap reads it: the map keeps what it had from the first failed read
// on (readerchecks::CheckMapLoad).
#include "fuzz/ReaderChecks.h"

#include <unistd.h>

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
    readerchecks::WriteInput(".//Game Data//Map//Map.txt", data, size);
    return readerchecks::Require("LoadMap", readerchecks::CheckMapLoad());
}
