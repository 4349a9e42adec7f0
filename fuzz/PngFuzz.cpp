// A PNG file as pngBind decodes and uploads it (readerchecks::CheckPngBind). One headless
// GL context, from SDL's offscreen driver, serves every input.
#include "fuzz/ReaderChecks.h"

#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {
std::string path;
}

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    if (SDL_Init(SDL_INIT_VIDEO) != 0)
        std::abort();
    SDL_Window *window =
        SDL_CreateWindow("pngfuzz", 0, 0, 64, 64, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    if (!window || !SDL_GL_CreateContext(window))
        std::abort();
    char pattern[] = "/tmp/gravewake-pngfuzz-XXXXXX";
    if (!mkdtemp(pattern))
        std::abort();
    path = std::string(pattern) + "/Picture.png";
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    std::FILE *out = std::fopen(path.c_str(), "wb");
    if (!out || std::fwrite(data, 1, size, out) != size || std::fclose(out) != 0)
        std::abort();
    const std::string fault = readerchecks::CheckPngBind(path.c_str());
    if (!fault.empty()) {
        std::fprintf(stderr, "pngBind: %s\n", fault.c_str());
        std::abort();
    }
    return 0;
}
