// Lettering with FreeType: a string becomes a coverage mask that the pictures stamp,
// outline and shade as they like.
#pragma once

#include "Image.h"

#include <string>
#include <vector>

namespace art {

struct Mask {
    int w = 0, h = 0;
    int baseline = 0; // row of the baseline inside the mask
    std::vector<float> v;
    float at(int x, int y) const {
        return (x < 0 || y < 0 || x >= w || y >= h) ? 0.0f : v[size_t(y) * w + x];
    }
};

// Renders text in the font file at the given pixel height; xScale squeezes or widens the
// glyphs, for pictures whose pixels are not square on screen. An empty mask on failure.
Mask renderText(const std::string &fontPath, const std::string &text, float pixelHeight,
                float xScale = 1.0f);
// Grows a mask by radius r (pixels), for outlines and halos.
Mask dilate(const Mask &m, float r);
// Paints colour c through the mask with its top-left corner at (x, y).
void stamp(Image &img, const Mask &m, int x, int y, const Rgba &c);

} // namespace art
