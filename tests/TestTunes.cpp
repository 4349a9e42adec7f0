#include "TestTunes.h"

#include <cstring>
#include <fstream>

std::vector<unsigned char> TestTune(unsigned pitch) {
    std::vector<unsigned char> image(0x10200, 0);
    const char magic[] = "SNES-SPC700 Sound File Data v0.30";
    std::memcpy(image.data(), magic, 33);
    image[0x21] = image[0x22] = image[0x23] = 0x1A;
    image[0x24] = 30;
    image[0x25] = 0x00; // PC = $0400
    image[0x26] = 0x04;
    image[0x2B] = 0xEF; // SP
    std::memcpy(&image[0x2E], "Test tune", 9);

    unsigned char *ram = &image[0x100];
    // Key voice 0 on, then loop for ever: MOV $F2,#$4C; MOV $F3,#$01; BRA -2.
    const unsigned char program[] = {0x8F, 0x4C, 0xF2, 0x8F, 0x01, 0xF3, 0x2F, 0xFE};
    std::memcpy(ram + 0x400, program, sizeof program);
    ram[0xF0] = 0x0A;
    // Sample directory at $0200: sample 0 starts and loops at $0300.
    ram[0x200] = 0x00;
    ram[0x201] = 0x03;
    ram[0x202] = 0x00;
    ram[0x203] = 0x03;
    // One BRR block, looping: eight samples high, eight low (shift 11, filter 0).
    const unsigned char block[] = {0xB3, 0x77, 0x77, 0x77, 0x77, 0x99, 0x99, 0x99, 0x99};
    std::memcpy(ram + 0x300, block, sizeof block);

    unsigned char *dsp = &image[0x10100];
    dsp[0x00] = 0x40; // voice 0 volume
    dsp[0x01] = 0x40;
    dsp[0x02] = pitch & 0xFF;
    dsp[0x03] = (pitch >> 8) & 0x3F;
    dsp[0x04] = 0;    // sample 0
    dsp[0x05] = 0x84; // ADSR, a slow attack
    dsp[0x06] = 0xE0; // sustain at full
    dsp[0x0C] = 0x7F; // master volume
    dsp[0x1C] = 0x7F;
    dsp[0x5D] = 0x02; // directory at $0200
    dsp[0x6C] = 0x20; // running, echo writes off
    std::memcpy(&image[0x101C0], ram + 0xFFC0, 64);
    return image;
}

bool WriteTestTune(const std::string &path, unsigned pitch) {
    const std::vector<unsigned char> image = TestTune(pitch);
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char *>(image.data()),
              static_cast<std::streamsize>(image.size()));
    return static_cast<bool>(out);
}
