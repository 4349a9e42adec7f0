// The .spc snapshot file: header, text tag, the sound chip's memory and registers.
#pragma once

#include "Driver.h"

#include <cstdint>
#include <string>
#include <vector>

namespace music {

constexpr size_t kSpcFileSize = 0x10200;
extern const char *const kGameTitle;
extern const char *const kArtist;

std::vector<uint8_t> makeSpcFile(const ChipImage &img, const std::string &songTitle);

} // namespace music
