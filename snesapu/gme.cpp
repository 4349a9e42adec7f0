// The SPC emulator library the game loads at run time as "SNESAPU.DLL": two entry
// points, on libgme. The tune never ends or fades: libgme's playback limit and its
// silence detection are both off. A bad image renders silence.
#include <gme/gme.h>

#include <cstdint>
#include <cstring>
#include <mutex>

namespace {

const long kImageSize = 0x10200; // 66048 bytes
const int kRate = 32000;         // the sound processor's own rate: no resampling

// The player may call from two threads; the emulator is one piece of state. The mutex
// is constant-initialised and has nothing to destroy, so it serves until the last call.
std::mutex lock;
Music_Emu *emu = nullptr;

// The tune loaded last is freed when the library is unloaded (or the process ends):
// nothing else could reach it then.
struct FreeOnUnload {
    ~FreeOnUnload() {
        std::lock_guard<std::mutex> guard(lock);
        if (emu)
            gme_delete(emu);
        emu = nullptr;
    }
} freeOnUnload;

} // namespace

extern "C" {

// Loads a tune from its 66048-byte file image; the next renders play it from the start.
__attribute__((visibility("default"))) void LoadSPCFile(void *image) {
    std::lock_guard<std::mutex> guard(lock);
    if (emu) {
        gme_delete(emu);
        emu = nullptr;
    }
    if (!image)
        return;
    // Only the SPC emulator: the library would take other formats by their header and
    // play them (a VGM or NSF file in place of a tune).
    Music_Emu *next = gme_new_emu(gme_spc_type, kRate);
    if (!next)
        return;
    if (gme_load_data(next, image, kImageSize) != nullptr) {
        gme_delete(next);
        return; // not an SPC image: silence until a good one comes
    }
    // Before the track starts: with a length in the tag, the limit would fade the tune.
    gme_set_autoload_playback_limit(next, 0);
    gme_ignore_silence(next, 1);
    if (gme_start_track(next, 0) != nullptr) {
        gme_delete(next);
        return;
    }
    emu = next;
}

// Renders 16-bit signed stereo PCM at 32000 Hz into buffer: count frames for type 1, or
// as many frames as count sound-processor clock cycles last otherwise (32 a frame).
// Returns the end of what was written.
__attribute__((visibility("default"))) void *EmuAPU(void *buffer, uint32_t count, uint8_t type) {
    if (!buffer)
        return nullptr;
    const uint32_t frames = type == 1 ? count : count / 32;
    short *out = static_cast<short *>(buffer);
    std::lock_guard<std::mutex> guard(lock);
    if (!emu || gme_play(emu, static_cast<int>(frames * 2), out) != nullptr)
        std::memset(out, 0, frames * 4);
    return out + frames * 2;
}
}
