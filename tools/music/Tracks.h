// The game's twelve tunes and how one tune file becomes an .spc file.
#pragma once

#include "Tune.h"

#include <cstdint>
#include <string>
#include <vector>

namespace music {

// Room names; each is both the tune's title and its file name (tunes/<name>.tune,
// Game Data/Music/BGM/<name>.spc).
const std::vector<std::string> &trackNames();

// Compiles tune text and builds the complete .spc file image.
std::vector<uint8_t> buildSpc(const std::string &text, const std::string &fileName,
                              TuneResult *info = nullptr);

std::string readTextFile(const std::string &path);

} // namespace music
