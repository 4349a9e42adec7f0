// The SPC emulator library the game loads at run time as "SNESAPU.DLL", on the project's
// own emulator of the sound unit. Its output is timed and scaled as the libgme library's
// is, so that either library plays a tune alike: three silent samples first, then the
// sound processor's samples times 1.4 (358/256), saturated.
#include "Apu.h"

#include <cstdint>
#include <cstring>
#include <mutex>

#ifdef _WIN32
#define SNESAPU_EXPORT __declspec(dllexport)
#else
#define SNESAPU_EXPORT __attribute__((visibility("default")))
#endif

namespace {

// The player may call from two threads; the emulator is one piece of state.
std::mutex lock;
spc::Apu apu; // silent until a tune loads
int lead = 0; // silent samples still to come before the tune

} // namespace

extern "C" {

// Loads a tune from its 66048-byte file image; the next renders play it from the start.
SNESAPU_EXPORT void LoadSPCFile(void *image) {
    std::lock_guard<std::mutex> guard(lock);
    apu.load(static_cast<const uint8_t *>(image));
    lead = 3;
}

// Renders 16-bit signed stereo PCM at 32000 Hz into buffer: count frames for type 1, or
// as many frames as count sound-processor clock cycles last otherwise (32 a frame).
// Returns the end of what was written.
SNESAPU_EXPORT void *EmuAPU(void *buffer, uint32_t count, uint8_t type) {
    if (!buffer)
        return nullptr;
    const uint32_t frames = type == 1 ? count : count / 32;
    int16_t *out = static_cast<int16_t *>(buffer);
    std::lock_guard<std::mutex> guard(lock);
    uint32_t done = 0;
    for (; lead > 0 && done < frames; lead--, done++)
        out[done * 2] = out[done * 2 + 1] = 0;
    while (done < frames) {
        const int n = static_cast<int>(frames - done < 4096 ? frames - done : 4096);
        apu.render(out + done * 2, n);
        for (int i = 0; i < n * 2; i++) {
            const int s = (out[done * 2 + i] * 358) >> 8;
            out[done * 2 + i] = static_cast<int16_t>(s < -32768 ? -32768 : s > 32767 ? 32767 : s);
        }
        done += static_cast<uint32_t>(n);
    }
    return out + frames * 2;
}
}
