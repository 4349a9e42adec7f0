#include "SpcFile.h"

#include <cstring>
#include <stdexcept>

namespace music {

const char *const kGameTitle = "Hollowmere's Gravewake";
const char *const kArtist = "Hollowmere's Gravewake project";

namespace {

void text(std::vector<uint8_t> &f, size_t at, size_t size, const std::string &s) {
    if (s.size() > size) throw std::runtime_error("tag text too long: " + s);
    std::memcpy(&f[at], s.data(), s.size());
}

} // namespace

std::vector<uint8_t> makeSpcFile(const ChipImage &img, const std::string &songTitle) {
    std::vector<uint8_t> f(kSpcFileSize, 0);
    text(f, 0x00, 33, "SNES-SPC700 Sound File Data v0.30");
    f[0x21] = 26;
    f[0x22] = 26;
    f[0x23] = 26; // tag present
    f[0x24] = 30;
    f[0x25] = static_cast<uint8_t>(img.pc & 0xFF);
    f[0x26] = static_cast<uint8_t>(img.pc >> 8);
    f[0x2A] = 0x00;          // PSW: direct page 0
    f[0x2B] = kStackPointer; // SP
    // Text tag. Length and fade stay zero bytes: the tune has no end.
    text(f, 0x2E, 32, songTitle);
    text(f, 0x4E, 32, kGameTitle);
    text(f, 0x6E, 16, "tools/music");
    text(f, 0x7E, 32, "Original music, own driver");
    text(f, 0xB1, 32, kArtist);
    std::memcpy(&f[0x100], img.ram.data(), 0x10000);
    std::memcpy(&f[0x10100], img.dsp.data(), 128);
    std::memcpy(&f[0x101C0], &img.ram[0xFFC0], 64); // the RAM under the boot ROM
    return f;
}

} // namespace music
