// An SPC file as the player reads it (LoadSPC) and the emulator library loads and renders
// it, as WavOpen does: the image handed to LoadSPCFile, then two 100 ms buffers from
// EmuAPU. The library is linked in rather than loaded at run time, so that it is built
// with the same checks. An image without the SPC signature must render silence.
#include "audio/SPCPlayer.h"
#include "fuzz/ReaderChecks.h"

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

extern "C" void LoadSPCFile(void *image);
extern "C" void *EmuAPU(void *buffer, uint32_t count, uint8_t type);

namespace {

std::string path;

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    char pattern[] = "/tmp/gravewake-spcfuzz-XXXXXX";
    if (!mkdtemp(pattern))
        std::abort();
    path = std::string(pattern) + "/Tune.spc";
    Player.WavInit();
    Player.loadSPCFile = LoadSPCFile;
    Player.emuAPU = EmuAPU;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    readerchecks::WriteInput(path, data, size);

    // Each input as the first tune of a fresh process: nothing left of the last one.
    std::memset(Player.spcImage, 0, sizeof Player.spcImage);
    Player.LoadSPC(path.c_str());
    CloseHandle(Player.fileHandle);
    Player.fileHandle = nullptr;
    if (Player.bytesRead != (size < kSpcImageSize ? size : kSpcImageSize))
        std::abort();

    Player.loadSPCFile(Player.spcImage);
    const uint32_t frames = Wav.bufferSize / Wav.format.nBlockAlign;
    const bool signed_ = readerchecks::HasSpcSignature(Player.spcImage);
    for (char *buffer : Wav.buffers) {
        std::memset(buffer, 0x55, Wav.bufferSize);
        char *end = static_cast<char *>(Player.emuAPU(buffer, frames, 1));
        if (end != buffer + Wav.bufferSize)
            std::abort();
        if (!signed_)
            for (uint32_t k = 0; k < Wav.bufferSize; k++)
                if (buffer[k] != 0)
                    readerchecks::Require("EmuAPU", "an image without the signature made sound");
    }
    LoadSPCFile(nullptr); // silence again, the emulator freed
    return 0;
}
