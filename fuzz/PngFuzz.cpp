// A PNG file as pngBind decodes and uploads it (readerchecks::CheckPngBind). One headless
// GL context, from SDL's offscreen driver, serves every input.
#include "fuzz/ReaderChecks.h"

#include <SDL.h>

#include <zlib.h>

#include <cstdlib>
#include <cstring>
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

// libpng rejects a chunk whose checksum does not match, which is where almost every
// mutation would end; so after each mutation every whole chunk gets its checksum anew.
extern "C" size_t LLVMFuzzerMutate(uint8_t *data, size_t size, size_t maxSize);
extern "C" size_t LLVMFuzzerCustomMutator(uint8_t *data, size_t size, size_t maxSize,
                                          unsigned int) {
    size = LLVMFuzzerMutate(data, size, maxSize);
    for (size_t at = 8; at + 12 <= size;) {
        const size_t length = (size_t(data[at]) << 24) | (size_t(data[at + 1]) << 16) |
                              (size_t(data[at + 2]) << 8) | data[at + 3];
        if (length > size - at - 12)
            break;
        const uLong crc = crc32(0, data + at + 4, static_cast<uInt>(length + 4));
        uint8_t *out = data + at + 8 + length;
        out[0] = static_cast<uint8_t>(crc >> 24);
        out[1] = static_cast<uint8_t>(crc >> 16);
        out[2] = static_cast<uint8_t>(crc >> 8);
        out[3] = static_cast<uint8_t>(crc);
        at += length + 12;
    }
    return size;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    readerchecks::WriteInput(path, data, size);
    return readerchecks::Require("pngBind", readerchecks::CheckPngBind(path.c_str()));
}
