// Writes pictures as PNG files with libpng: no time stamp or other varying chunk, fixed
// compression settings, so the same picture always gives the same bytes.
#pragma once

#include "Image.h"

#include <string>

namespace art {

// withAlpha false writes RGB (the alpha channel is dropped). Returns false on failure.
bool writePng(const std::string &path, const Image &img, bool withAlpha);
// The same bytes into memory.
bool encodePng(const Image &img, bool withAlpha, std::string &out);

// Creates a directory and its parents; true when it exists afterwards.
bool makeDirs(const std::string &path);

} // namespace art
