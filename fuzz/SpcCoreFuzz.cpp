// The project's own emulator of the sound unit on any image, for throughput without the
// player and its files around it: the input (cut or zero-filled to an image's size) is
// loaded and rendered for 40 ms in pieces whose sizes the input's last bytes choose. An
// image without the SPC signature must render silence.
#include "Apu.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static std::vector<uint8_t> image(spc::kImageSize);
    std::memset(image.data(), 0, image.size());
    std::memcpy(image.data(), data, size < image.size() ? size : image.size());
    static spc::Apu apu;
    const bool signed_ = apu.load(image.data());
    if (signed_ != (size >= 27 && std::memcmp(data, "SNES-SPC700 Sound File Data", 27) == 0))
        std::abort();
    static int16_t pcm[1280 * 2];
    for (int at = 0, k = 0; at < 1280; k++) {
        const int n = size > 0 ? 1 + data[size - 1 - k % size] % 300 : 1280;
        const int part = n < 1280 - at ? n : 1280 - at;
        apu.render(pcm + at * 2, part);
        at += part;
    }
    if (!signed_)
        for (int16_t s : pcm)
            if (s != 0)
                std::abort(); // sound from no tune
    return 0;
}
