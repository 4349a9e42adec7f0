// The GL half of pngBind, the same on every platform; each implementation decodes the file
// its own way and hands the picture here.
#pragma once

#include "platform/glpng.h"

namespace glpng {

// A new texture name bound to GL_TEXTURE_2D, both wrap modes and the filters set, and the
// picture (8-bit RGB or RGBA rows, top first, channels 3 or 4) uploaded, with mipmaps
// when asked for; info, if given, filled in with the file's bit depth.
unsigned Upload(const unsigned char *pixels, unsigned width, unsigned height,
                unsigned channels, unsigned depth, int mipmap, int wrapst, int minfilter,
                int magfilter, pngInfo *info);

} // namespace glpng
