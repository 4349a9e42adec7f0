// Title-menu pictures. The two backgrounds are stretched over the whole window (133 x 100
// HUD units), so they are painted in HUD units on 1024 x 1024 pixels that are wider than
// tall on screen; lettering is squeezed to match.
#include "Pictures.h"

#include "Noise.h"
#include "Text.h"

#include <algorithm>
#include <cmath>

namespace art {

void label(Image &img, const Fonts &fonts, const std::string &text, float cx, float cy, float px,
           float xScale, Rgba fill, bool bold);

namespace {

constexpr int S = 1024;
constexpr float SX = S / 133.0f, SY = S / 100.0f; // pixels per HUD unit
constexpr float squeeze = SY / SX;                // glyph width factor for round letters

// Painting in HUD units.
struct Hud {
    Image &img;
    void ellipse(float x, float y, float rx, float ry, Rgba c) {
        img.fillEllipse(x * SX, y * SY, rx * SX, ry * SY, c);
    }
    void circle(float x, float y, float r, Rgba c) { ellipse(x, y, r, r, c); }
    void poly(std::vector<float> xy, Rgba c) {
        for (size_t i = 0; i < xy.size(); i += 2)
            xy[i] *= SX, xy[i + 1] *= SY;
        img.fillPolygon(xy, c);
    }
    void line(float x0, float y0, float x1, float y1, float w, Rgba c) {
        img.line(x0 * SX, y0 * SY, x1 * SX, y1 * SY, w * SY, c);
    }
    void rect(float x0, float y0, float x1, float y1, Rgba c) {
        img.fillRect(int(x0 * SX), int(y0 * SY), int(x1 * SX), int(y1 * SY), c);
    }
};

// A bare tree: a trunk that forks into thinning branches.
void branch(Hud &h, Rng &rng, float x, float y, float angle, float len, float w, int depth,
            Rgba c) {
    float x1 = x + std::sin(angle) * len, y1 = y - std::cos(angle) * len;
    h.line(x, y, x1, y1, w, c);
    if (depth == 0) return;
    int n = 2 + (rng.below(3) == 0);
    for (int k = 0; k < n; ++k)
        branch(h, rng, x1, y1, angle + rng.range(-0.7f, 0.7f), len * rng.range(0.6f, 0.78f),
               w * 0.62f, depth - 1, c);
}

void gravestone(Hud &h, float x, float base, float w, float ht, Rgba c, int style) {
    if (style == 0) {
        h.rect(x - w / 2, base - ht + w / 2, x + w / 2, base, c);
        h.ellipse(x, base - ht + w / 2, w / 2, w / 2 * 0.9f, c);
    } else if (style == 1) {
        h.rect(x - w * 0.12f, base - ht, x + w * 0.12f, base, c);
        h.rect(x - w / 2, base - ht * 0.72f, x + w / 2, base - ht * 0.56f, c);
    } else {
        h.poly({x - w / 2, base, x + w / 2, base, x + w * 0.4f, base - ht, x - w * 0.3f,
                base - ht * 0.92f},
               c);
    }
}

void zombieSilhouette(Hud &h, float x, float base, float s, Rgba c, bool reach) {
    h.ellipse(x, base - 5.6f * s, 0.75f * s, 0.9f * s, c);
    h.poly({x - 1.0f * s, base - 4.8f * s, x + 1.0f * s, base - 4.8f * s, x + 0.8f * s,
            base - 2.3f * s, x - 0.8f * s, base - 2.3f * s},
           c);
    h.line(x - 0.45f * s, base - 2.4f * s, x - 0.7f * s, base, 0.6f * s, c);
    h.line(x + 0.45f * s, base - 2.4f * s, x + 0.5f * s, base, 0.6f * s, c);
    if (reach) {
        h.line(x + 0.8f * s, base - 4.5f * s, x + 2.6f * s, base - 4.3f * s, 0.45f * s, c);
        h.line(x + 0.6f * s, base - 4.3f * s, x + 2.3f * s, base - 3.9f * s, 0.45f * s, c);
    } else {
        h.line(x - 0.9f * s, base - 4.5f * s, x - 1.3f * s, base - 2.8f * s, 0.45f * s, c);
        h.line(x + 0.9f * s, base - 4.5f * s, x + 1.8f * s, base - 3.6f * s, 0.45f * s, c);
    }
}

// Lettering with a glow, a dark rim and a bone-to-blood gradient.
void title(Image &img, const Fonts &fonts, const std::string &text, float cx, float top,
           float pxHeight) {
    Mask m = renderText(fonts.title, text, pxHeight, squeeze);
    if (m.w == 0) return;
    Mask glow = dilate(m, pxHeight * 0.12f);
    Mask rim = dilate(m, pxHeight * 0.045f);
    int gx = int(cx - glow.w / 2.0f), gy = int(top);
    int ro = (glow.w - rim.w) / 2, mo = (glow.w - m.w) / 2;
    stamp(img, glow, gx, gy, Rgba{0.55f, 0.05f, 0.08f, 0.45f});
    stamp(img, rim, gx + ro, gy + ro, hex(0x0c0608));
    for (int y = 0; y < m.h; ++y)
        for (int x = 0; x < m.w; ++x) {
            float k = m.v[size_t(y) * m.w + x];
            if (k <= 0) continue;
            float t = float(y) / m.h;
            Rgba c = t < 0.55f ? mix(hex(0xf6eedc), hex(0xd8ccb0), t / 0.55f)
                               : mix(hex(0xd8ccb0), hex(0x9a1e1e), (t - 0.55f) / 0.45f);
            img.blend(gx + mo + x, gy + mo + y, c, k);
        }
}

Image screen1(const Fonts &fonts) {
    Image img(S, S);
    Hud h{img};
    // Night sky: indigo overhead, a sickly green glow at the horizon.
    for (int y = 0; y < S; ++y)
        for (int x = 0; x < S; ++x) {
            float t = float(y) / S;
            Rgba c = t < 0.62f ? mix(hex(0x07081a), hex(0x1e2a44), t / 0.62f)
                               : mix(hex(0x1e2a44), hex(0x3a5a4a), (t - 0.62f) / 0.1f);
            float n = fbm(float(x) / S, float(y) / S, 4, 4, 71);
            c = scale(c, 0.9f + 0.2f * n);
            img.at(x, y) = c;
        }
    Rng rng(5);
    for (int k = 0; k < 160; ++k) { // stars, kept out of the menu area
        float x = rng.range(0, 133), y = rng.range(0, 60);
        if (x > 43 && x < 112 && y > 36) continue;
        float b = rng.range(0.4f, 1.0f);
        h.circle(x, y, rng.range(0.08f, 0.2f), Rgba{b, b, b * 0.9f + 0.1f, 1});
    }
    // The moon, large and low on the left, with a halo.
    for (int r = 18; r > 0; --r)
        h.circle(22, 40, 7.5f + r * 0.8f, Rgba{0.75f, 0.8f, 0.7f, 0.018f});
    h.circle(22, 40, 7.5f, hex(0xe8e6cc));
    h.circle(19.5f, 38, 1.6f, hex(0xcfcdb2));
    h.circle(24.5f, 43.5f, 2.2f, hex(0xd4d2b8));
    h.circle(25, 37, 0.9f, hex(0xcfcdb2));
    // Far hills, then the mere with the moon's reflection.
    for (int x = 0; x < S; ++x) {
        float hx = x / SX;
        float top = 64 - 4 * std::sin(hx * 0.07f) - 2.5f * std::sin(hx * 0.19f + 1) -
                    1.2f * std::sin(hx * 0.5f);
        for (int y = int(top * SY); y < S; ++y)
            img.at(x, y) = hex(0x141c24);
    }
    h.rect(0, 68, 133, 74, hex(0x1a2a38));
    // The moon's path on the water: broken, shimmering strokes.
    Rng shimmer(3);
    for (int k = 0; k < 22; ++k) {
        float y = 68.3f + k * 0.26f, w = 4.5f - k * 0.12f;
        float x = 22 + shimmer.range(-1.2f, 1.2f);
        h.rect(x - w * shimmer.range(0.3f, 1.0f), y, x + w * shimmer.range(0.3f, 1.0f), y + 0.12f,
               Rgba{0.9f, 0.9f, 0.75f, 0.55f - k * 0.02f});
    }
    // Fog drifting over the water.
    for (int k = 0; k < 40; ++k) {
        float x = rng.range(-10, 143), y = rng.range(63, 74);
        h.ellipse(x, y, rng.range(8, 18), rng.range(0.8f, 1.6f), Rgba{0.6f, 0.7f, 0.7f, 0.06f});
    }
    // Ground, graves, a fence, bare trees and the dead walking in.
    const Rgba black = hex(0x06070a), near = hex(0x0b0d12);
    for (int x = 0; x < S; ++x) {
        float hx = x / SX;
        float top = 76 - 2 * std::sin(hx * 0.09f + 2) - 1.2f * std::sin(hx * 0.31f);
        for (int y = int(top * SY); y < S; ++y)
            img.at(x, y) = near;
    }
    Rng g(9);
    for (int k = 0; k < 26; ++k) {
        float x = 2 + k * 5.1f + g.range(-1, 1);
        float base = 77.5f + g.range(-0.5f, 1.5f);
        gravestone(h, x, base + 0.6f, g.range(2.0f, 3.0f), g.range(2.8f, 4.6f), hex(0x10131a),
                   g.below(3));
    }
    for (float x = 60; x < 133; x += 1.6f) { // iron fence on the right
        h.line(x, 79, x, 71.5f, 0.22f, black);
        h.poly({x - 0.35f, 71.8f, x + 0.35f, 71.8f, x, 70.6f}, black);
    }
    h.line(60, 73, 133, 73, 0.3f, black);
    h.line(60, 77.5f, 133, 77.5f, 0.3f, black);
    Rng t(13);
    branch(h, t, 6, 88, 0.08f, 16, 2.4f, 6, black);
    branch(h, t, 128, 88, -0.05f, 15, 2.6f, 5, black);
    // The dead walking in, eyes catching the moonlight.
    const float walkers[][3] = {{36, 82.5f, 1.7f},
                                {47, 80.2f, 1.1f},
                                {88, 80.6f, 1.3f},
                                {113, 83.5f, 1.9f},
                                {99, 79.6f, 0.8f}};
    for (int k = 0; k < 5; ++k) {
        float x = walkers[k][0], base = walkers[k][1], sc = walkers[k][2];
        zombieSilhouette(h, x, base, sc, black, k % 2 == 0);
        h.circle(x - 0.25f * sc, base - 5.7f * sc, 0.13f * sc, hex(0xd8ff6a));
        h.circle(x + 0.25f * sc, base - 5.7f * sc, 0.13f * sc, hex(0xd8ff6a));
    }
    // Big headstones in the foreground, their tops caught by the moon.
    const float stones[][4] = {{14, 90, 6.5f, 9}, {27, 88.5f, 4.5f, 6.5f}, {104, 89, 5, 7.5f}};
    for (int k = 0; k < 3; ++k) {
        float x = stones[k][0], base = stones[k][1], w = stones[k][2], ht = stones[k][3];
        gravestone(h, x - 0.25f, base, w + 0.5f, ht + 0.4f, hex(0x2a3040), 0);
        gravestone(h, x, base, w, ht, hex(0x0c0e14), 0);
    }
    // The bottom strip stays plain and dark for the hint and credit lines.
    for (int y = int(84 * SY); y < S; ++y)
        for (int x = 0; x < S; ++x) {
            float k = clamp01((y / SY - 84) / 3.0f);
            img.at(x, y) = mix(img.at(x, y), hex(0x06070a), k);
        }
    // The game's name.
    title(img, fonts, "Hollowmere's", 66.5f * SX, 3.0f * SY, 14.5f * SY);
    title(img, fonts, "Gravewake", 66.5f * SX, 17.5f * SY, 17.0f * SY);
    return img;
}

Image mapMenu(const World &world, const std::vector<Picture> &floors, const Fonts &fonts) {
    Image img(S, S);
    // Dark board behind the map.
    for (int y = 0; y < S; ++y)
        for (int x = 0; x < S; ++x) {
            float n = fbm(float(x) / S, float(y) / S, 8, 4, 88);
            img.at(x, y) = scale(hex(0x1c1a22), 0.85f + 0.3f * n);
        }
    // The map, square on screen: 84 HUD units on a side, above the bottom strip.
    const float mx0 = 24.5f, my0 = 1.0f, side = 84.0f;
    Image top = mapPicture(world, floors, fonts, 4, false);
    int px0 = int(mx0 * SX), py0 = int(my0 * SY), pw = int(side * SX), ph = int(side * SY);
    Hud h{img};
    h.rect(mx0 - 0.8f, my0 - 0.6f, mx0 + side + 0.8f, my0 + side + 0.6f, hex(0x8a7048));
    h.rect(mx0 - 0.4f, my0 - 0.3f, mx0 + side + 0.4f, my0 + side + 0.3f, hex(0x2a2018));
    for (int y = 0; y < ph; ++y)
        for (int x = 0; x < pw; ++x) {
            // box filter: average the source pixels that fall in this one
            float sx0 = float(x) * top.w / pw, sx1 = float(x + 1) * top.w / pw;
            float sy0 = float(y) * top.h / ph, sy1 = float(y + 1) * top.h / ph;
            Rgba acc{};
            int n = 0;
            for (int sy = int(sy0); sy < int(std::ceil(sy1)); ++sy)
                for (int sx = int(sx0); sx < int(std::ceil(sx1)); ++sx) {
                    const Rgba &p = top.at(std::min(sx, top.w - 1), std::min(sy, top.h - 1));
                    acc.r += p.r, acc.g += p.g, acc.b += p.b, ++n;
                }
            // a little darker than the overview, so white menu text stands out
            img.at(px0 + x, py0 + y) =
                Rgba{acc.r / n * 0.8f, acc.g / n * 0.8f, acc.b / n * 0.8f, 1};
        }
    // Names of the places, lettered at this picture's own scale.
    for (int k = 0; k < placeCount; ++k) {
        const Place &p = places[k];
        float cx = mx0 + (p.labelX + 0.5f) / mapSize * side;
        float cy = my0 + (p.labelZ + 0.5f) / mapSize * side;
        label(img, fonts, p.name, cx * SX, cy * SY, 1.7f * SY, squeeze,
              p.musicRoom ? hex(0xfff2c0) : hex(0xc8e0ff), true);
    }
    // Calm the menu area: a soft dark panel behind the three items.
    for (int y = 0; y < S; ++y)
        for (int x = 0; x < S; ++x) {
            float hx = x / SX, hy = y / SY;
            float dx = std::max({0.0f, 47.0f - hx, hx - 108.0f});
            float dy = std::max({0.0f, 39.0f - hy, hy - 61.0f});
            float d = std::sqrt(dx * dx + dy * dy);
            float k = clamp01(1.0f - d / 2.5f) * 0.62f;
            if (k > 0) img.at(x, y) = mix(img.at(x, y), hex(0x08080c), k);
        }
    // The world's name on the left margin, a compass on the right.
    label(img, fonts, "HOLLOWMERE", 12.2f * SX, 8 * SY, 2.1f * SY, squeeze, hex(0xe8d8a8), true);
    label(img, fonts, "the world", 12.2f * SX, 12 * SY, 2.4f * SY, squeeze, hex(0xb0a890), false);
    float cx = 120.8f, cy = 12;
    h.circle(cx, cy, 6.2f, hex(0x2a2018));
    h.circle(cx, cy, 5.6f, hex(0x3a3026));
    h.poly({cx, cy - 5.2f, cx + 1.2f, cy, cx, cy + 5.2f, cx - 1.2f, cy}, hex(0xd8c898));
    h.poly({cx, cy - 5.2f, cx + 1.2f, cy, cx - 1.2f, cy}, hex(0xc02a2a));
    h.poly({cx - 5.2f, cy, cx, cy - 1.0f, cx + 5.2f, cy, cx, cy + 1.0f}, hex(0x8a7a5a));
    label(img, fonts, "N", cx * SX, (cy - 7.4f) * SY, 2.6f * SY, squeeze, hex(0xe8d8a8), true);
    // Legend.
    struct Key {
        Rgba c;
        const char *text;
    } keys[] = {{hex(0x5ad04a), "Start"},
                {hex(0xd02a2a), "Hospital"},
                {hex(0x1c1a1e), "Walls"},
                {hex(0xe8d8a0), "Arches"}};
    for (int k = 0; k < 4; ++k) {
        float y = 64 + k * 4.4f;
        h.rect(4, y - 1.2f, 7, y + 1.2f, hex(0xd8c898));
        h.rect(4.3f, y - 0.9f, 6.7f, y + 0.9f, keys[k].c);
        Mask m = renderText(fonts.sans, keys[k].text, 2.0f * SY, squeeze);
        stamp(img, m, int(8.5f * SX), int(y * SY - m.h / 2.0f), hex(0xe8e0c8));
    }
    // The bottom strip stays quiet for the hint and credit lines.
    for (int y = int(86.0f * SY); y < S; ++y)
        for (int x = 0; x < S; ++x)
            img.at(x, y) = mix(img.at(x, y), hex(0x121016), 0.6f);
    return img;
}

// The menu cursor: a bone-white arrowhead pointing right, cut out crisply.
Image arrow() {
    const int N = 64;
    Image img(N, N);
    auto inside = [](float x, float y, float grow) {
        // arrowhead: tip at (58, 32), barbs at (8, 6) and (8, 58), notch at (22, 32)
        auto side = [](float ax, float ay, float bx, float by, float x, float y) {
            return (bx - ax) * (y - ay) - (by - ay) * (x - ax);
        };
        float g = grow * 1.0f;
        bool a = side(8 - g, 6 - g * 1.5f, 60 + g, 32, x, y) >= 0;
        bool b = side(60 + g, 32, 8 - g, 58 + g * 1.5f, x, y) >= 0;
        bool c = side(8 - g, 58 + g * 1.5f, 22 - g, 32, x, y) >= 0;
        bool d = side(22 - g, 32, 8 - g, 6 - g * 1.5f, x, y) >= 0;
        return a && b && c && d;
    };
    for (int y = 0; y < N; ++y)
        for (int x = 0; x < N; ++x) {
            float px = x + 0.5f, py = y + 0.5f;
            if (inside(px, py, 0)) {
                float t = (py - 6) / 52.0f;
                Rgba c = mix(hex(0xfff4d8), hex(0xc8a860), t);
                if (inside(px, py, 0) && !inside(px, py, -4)) c = scale(c, 0.78f);
                img.at(x, y) = c;
            } else if (inside(px, py, 3)) {
                img.at(x, y) = hex(0x2a0a0a);
            }
        }
    return img;
}

// The emblem at the end of the credit line "Corvane  &": the name Tarrow on an arrow.
Image tarrow(const Fonts &fonts) {
    Image img(128, 64);
    // the quad is 20 x 10.2 HUD units, so pixels are a little wider than tall
    float xs = (64.0f / 10.2f) / (128.0f / 20.0f);
    Mask m = renderText(fonts.serif, "Tarrow", 40, xs);
    // the arrow under the word
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 128; ++x) {
            bool shaft = y >= 50 && y <= 53 && x >= 8 && x <= 112;
            bool head = x >= 104 && x <= 124 && std::abs(y - 51.5f) <= (124 - x) * 0.45f;
            bool fletch = x >= 4 && x <= 20 && std::abs(y - 51.5f) <= 8 - (x - 4) * 0.2f &&
                          std::abs(y - 51.5f) >= 2 && ((x - 4) % 5) < 3;
            if (shaft || head || fletch) img.at(x, y) = hex(0xd8b04a);
        }
    int ox = (128 - m.w) / 2, oy = 46 - m.baseline;
    Mask rim = dilate(m, 2.0f);
    for (int y = 0; y < rim.h; ++y)
        for (int x = 0; x < rim.w; ++x)
            if (rim.v[size_t(y) * rim.w + x] >= 0.5f) {
                int px = ox - 2 + x, py = oy - 2 + y;
                if (img.inside(px, py)) img.at(px, py) = hex(0x120808);
            }
    for (int y = 0; y < m.h; ++y)
        for (int x = 0; x < m.w; ++x)
            if (m.v[size_t(y) * m.w + x] >= 0.5f && img.inside(ox + x, oy + y))
                img.at(ox + x, oy + y) = mix(hex(0xffffff), hex(0xe0d8c8), float(y) / m.h);
    return img;
}

} // namespace

std::vector<Picture> menuPictures(const World &world, const std::vector<Picture> &floors,
                                  const Fonts &fonts) {
    std::vector<Picture> out;
    // The menu draws the cursor with its first row at the bottom of its quad.
    out.push_back({"Menus/Arrow.png", arrow(), true, true, "menu cursor"});
    out.push_back({"Menus/Screen1.png", screen1(fonts), true, false, "title picture"});
    out.push_back({"Menus/Map.png", mapMenu(world, floors, fonts), true, false, "map overview"});
    out.push_back({"Menus/Tarrow.png", tarrow(fonts), true, false, "credit emblem"});
    return out;
}

} // namespace art
