#include "Image.h"

#include <algorithm>
#include <cmath>

namespace art {

float clamp01(float v) {
    return v < 0 ? 0 : (v > 1 ? 1 : v);
}

Rgba mix(const Rgba &a, const Rgba &b, float t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t,
            a.a + (b.a - a.a) * t};
}

Rgba scale(const Rgba &c, float k) {
    return {c.r * k, c.g * k, c.b * k, c.a};
}

Image::Image(int width, int height, Rgba fill) : w(width), h(height), px(size_t(w) * h, fill) {}

Rgba &Image::wrap(int x, int y) {
    x %= w;
    y %= h;
    if (x < 0) x += w;
    if (y < 0) y += h;
    return at(x, y);
}

void Image::blend(int x, int y, const Rgba &c, float k) {
    if (!inside(x, y)) return;
    Rgba &d = at(x, y);
    float a = clamp01(c.a * k);
    float outA = a + d.a * (1 - a);
    if (outA <= 0) {
        d = {};
        return;
    }
    d.r = (c.r * a + d.r * d.a * (1 - a)) / outA;
    d.g = (c.g * a + d.g * d.a * (1 - a)) / outA;
    d.b = (c.b * a + d.b * d.a * (1 - a)) / outA;
    d.a = outA;
}

void Image::fillRect(int x0, int y0, int x1, int y1, const Rgba &c) {
    for (int y = std::max(0, y0); y < std::min(h, y1); ++y)
        for (int x = std::max(0, x0); x < std::min(w, x1); ++x)
            blend(x, y, c);
}

void Image::fillCircle(float cx, float cy, float r, const Rgba &c, bool wrapEdges) {
    fillEllipse(cx, cy, r, r, c, wrapEdges);
}

void Image::fillEllipse(float cx, float cy, float rx, float ry, const Rgba &c, bool wrapEdges) {
    int x0 = int(std::floor(cx - rx - 1)), x1 = int(std::ceil(cx + rx + 1));
    int y0 = int(std::floor(cy - ry - 1)), y1 = int(std::ceil(cy + ry + 1));
    float rr = std::max(0.5f, std::min(rx, ry));
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x) {
            float dx = (x + 0.5f - cx) / rx, dy = (y + 0.5f - cy) / ry;
            float d = (std::sqrt(dx * dx + dy * dy) - 1) * rr; // approx. pixels outside
            float k = clamp01(0.5f - d);
            if (k <= 0) continue;
            if (wrapEdges) {
                int wx = ((x % w) + w) % w, wy = ((y % h) + h) % h;
                blend(wx, wy, c, k);
            } else {
                blend(x, y, c, k);
            }
        }
}

void Image::fillPolygon(const std::vector<float> &xy, const Rgba &c) {
    // 4x4 supersampled even-odd fill: soft edges without a coverage rasteriser.
    size_t n = xy.size() / 2;
    if (n < 3) return;
    float minY = xy[1], maxY = xy[1], minX = xy[0], maxX = xy[0];
    for (size_t i = 0; i < n; ++i) {
        minX = std::min(minX, xy[2 * i]);
        maxX = std::max(maxX, xy[2 * i]);
        minY = std::min(minY, xy[2 * i + 1]);
        maxY = std::max(maxY, xy[2 * i + 1]);
    }
    int x0 = std::max(0, int(minX)), x1 = std::min(w - 1, int(maxX) + 1);
    int y0 = std::max(0, int(minY)), y1 = std::min(h - 1, int(maxY) + 1);
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x) {
            int hits = 0;
            for (int sy = 0; sy < 4; ++sy)
                for (int sx = 0; sx < 4; ++sx) {
                    float px_ = x + (sx + 0.5f) / 4, py = y + (sy + 0.5f) / 4;
                    bool in = false;
                    for (size_t i = 0, j = n - 1; i < n; j = i++) {
                        float xi = xy[2 * i], yi = xy[2 * i + 1];
                        float xj = xy[2 * j], yj = xy[2 * j + 1];
                        if ((yi > py) != (yj > py) && px_ < (xj - xi) * (py - yi) / (yj - yi) + xi)
                            in = !in;
                    }
                    hits += in;
                }
            if (hits) blend(x, y, c, hits / 16.0f);
        }
}

void Image::line(float x0, float y0, float x1, float y1, float width, const Rgba &c,
                 bool wrapEdges) {
    float half = width / 2;
    int bx0 = int(std::floor(std::min(x0, x1) - half - 1));
    int bx1 = int(std::ceil(std::max(x0, x1) + half + 1));
    int by0 = int(std::floor(std::min(y0, y1) - half - 1));
    int by1 = int(std::ceil(std::max(y0, y1) + half + 1));
    float dx = x1 - x0, dy = y1 - y0, len2 = dx * dx + dy * dy;
    for (int y = by0; y <= by1; ++y)
        for (int x = bx0; x <= bx1; ++x) {
            float px_ = x + 0.5f, py = y + 0.5f;
            float t = len2 > 0 ? ((px_ - x0) * dx + (py - y0) * dy) / len2 : 0;
            t = std::max(0.0f, std::min(1.0f, t));
            float ex = x0 + t * dx - px_, ey = y0 + t * dy - py;
            float k = clamp01(half + 0.5f - std::sqrt(ex * ex + ey * ey));
            if (k <= 0) continue;
            if (wrapEdges)
                blend(((x % w) + w) % w, ((y % h) + h) % h, c, k);
            else
                blend(x, y, c, k);
        }
}

void Image::draw(const Image &src, int x, int y, int dw, int dh) {
    for (int j = 0; j < dh; ++j)
        for (int i = 0; i < dw; ++i) {
            const Rgba &s = src.at(i * src.w / dw, j * src.h / dh);
            blend(x + i, y + j, s);
        }
}

Image Image::flippedRows() const {
    Image out(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            out.at(x, y) = at(x, h - 1 - y);
    return out;
}

} // namespace art
