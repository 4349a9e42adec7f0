// The emulator library loaded by its path, for the tests and the benchmark that compare
// or use its cores directly: a tune's file read as the game reads it, then rendered 100 ms
// at a time, as the game's audio thread asks.
#pragma once

#include <dlfcn.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

class SpcLibrary {
  public:
    static constexpr size_t kImageSize = 0x10200;

    explicit SpcLibrary(const char *path) : handle_(dlopen(path, RTLD_NOW | RTLD_LOCAL)) {
        if (!handle_)
            return;
        load_ = reinterpret_cast<void (*)(void *)>(dlsym(handle_, "LoadSPCFile"));
        emu_ = reinterpret_cast<void *(*)(void *, uint32_t, uint8_t)>(dlsym(handle_, "EmuAPU"));
    }
    ~SpcLibrary() {
        if (handle_)
            dlclose(handle_);
    }
    SpcLibrary(const SpcLibrary &) = delete;
    SpcLibrary &operator=(const SpcLibrary &) = delete;

    bool ok() const { return load_ && emu_; }

    // The image loaded, then `frames` stereo frames rendered.
    std::vector<int16_t> render(std::vector<uint8_t> image, int frames) const {
        load_(image.data());
        std::vector<int16_t> pcm(size_t(frames) * 2);
        for (int at = 0; at < frames; at += 3200)
            emu_(&pcm[size_t(at) * 2], uint32_t(std::min(3200, frames - at)), 1);
        return pcm;
    }

    // A tune's file, cut or zero-filled to an image's size.
    static std::vector<uint8_t> ReadImage(const std::string &path) {
        std::ifstream in(path, std::ios::binary);
        std::vector<uint8_t> image((std::istreambuf_iterator<char>(in)), {});
        image.resize(kImageSize);
        return image;
    }

  private:
    void *handle_;
    void (*load_)(void *) = nullptr;
    void *(*emu_)(void *, uint32_t, uint8_t) = nullptr;
};
