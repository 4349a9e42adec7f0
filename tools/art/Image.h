// A small RGBA raster in linear floats, with the painting operations the generators share.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace art {

struct Rgba {
    float r = 0, g = 0, b = 0, a = 0;
};

inline Rgba rgb(float r, float g, float b) {
    return {r, g, b, 1.0f};
}
// Colour from a 0xRRGGBB literal, the way the palettes below are written.
inline Rgba hex(uint32_t c) {
    return {((c >> 16) & 255) / 255.0f, ((c >> 8) & 255) / 255.0f, (c & 255) / 255.0f, 1.0f};
}
Rgba mix(const Rgba &a, const Rgba &b, float t);
Rgba scale(const Rgba &c, float k);
float clamp01(float v);

struct Image {
    int w = 0, h = 0;
    std::vector<Rgba> px;

    Image() = default;
    Image(int width, int height, Rgba fill = {});
    Rgba &at(int x, int y) { return px[size_t(y) * w + x]; }
    const Rgba &at(int x, int y) const { return px[size_t(y) * w + x]; }
    // Wrapping access, for tiles that must repeat seamlessly.
    Rgba &wrap(int x, int y);
    bool inside(int x, int y) const { return x >= 0 && y >= 0 && x < w && y < h; }

    // Alpha-composites c over the pixel (coverage k scales c's alpha).
    void blend(int x, int y, const Rgba &c, float k = 1.0f);
    void fillRect(int x0, int y0, int x1, int y1, const Rgba &c);
    // Filled shapes with soft (anti-aliased) edges, for opaque pictures.
    void fillCircle(float cx, float cy, float r, const Rgba &c, bool wrapEdges = false);
    void fillEllipse(float cx, float cy, float rx, float ry, const Rgba &c, bool wrapEdges = false);
    void fillPolygon(const std::vector<float> &xy, const Rgba &c);
    void line(float x0, float y0, float x1, float y1, float width, const Rgba &c,
              bool wrapEdges = false);
    // Copies src scaled into the rectangle (nearest sample), alpha-composited.
    void draw(const Image &src, int x, int y, int dw, int dh);
    Image flippedRows() const;
};

} // namespace art
