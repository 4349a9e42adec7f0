// Pictures made from the map itself: the top-down overview and the contact sheet.
#include "Pictures.h"

#include "Text.h"

#include <algorithm>
#include <cmath>

namespace art {
namespace {

bool isCanopy(const Cell &c) {
    return c.wallTile == Hedge && c.wallBase > 3.0f;
}

} // namespace

// Draws a label with a dark rim so it reads on any ground.
void label(Image &img, const Fonts &fonts, const std::string &text, float cx, float cy, float px,
           float xScale, Rgba fill, bool bold) {
    Mask m = renderText(bold ? fonts.sans : fonts.serif, text, px, xScale);
    if (m.w == 0) return;
    Mask rim = dilate(m, std::max(1.5f, px / 9));
    int x = int(std::lround(cx - rim.w / 2.0f)), y = int(std::lround(cy - rim.h / 2.0f));
    x = std::max(2, std::min(img.w - rim.w - 2, x));
    y = std::max(2, std::min(img.h - rim.h - 2, y));
    stamp(img, rim, x, y, Rgba{0.05f, 0.04f, 0.06f, 0.9f});
    int off = (rim.w - m.w) / 2;
    stamp(img, m, x + off, y + off, fill);
}

Image mapPicture(const World &world, const std::vector<Picture> &floors, const Fonts &fonts, int cp,
                 bool names) {
    const int N = mapSize;
    Image img(N * cp, N * cp, rgb(0, 0, 0));
    // Floors, each cell a small copy of its tile (the tile's first row lies toward +z,
    // as the game draws it), lit by its height.
    for (int i = 0; i < N; ++i)
        for (int j = 0; j < N; ++j) {
            const Cell &c = world.at(i, j);
            const Image &t = floors[size_t(std::max(0, std::min(FloorCount - 1, c.floor)))].image;
            float light = 1.0f + 0.07f * c.height;
            for (int b = 0; b < cp; ++b)
                for (int a = 0; a < cp; ++a) {
                    int tx = (a * t.w + t.w / 2) / cp, ty = ((cp - 1 - b) * t.h + t.h / 2) / cp;
                    img.at(i * cp + a, j * cp + b) = scale(t.at(tx, ty), light);
                }
        }
    // Walls as lines on the edge that carries them, with a short shadow; walls hung above
    // head height (arches, signs) are drawn light, since they stop nobody.
    for (int pass = 0; pass < 2; ++pass)
        for (int i = 0; i < N; ++i)
            for (int j = 0; j < N; ++j) {
                const Cell &c = world.at(i, j);
                if (c.wallHeight <= 0 || isCanopy(c)) continue;
                bool raised = c.wallBase > 3.0f && c.wallBase < 9.0f;
                bool riser = c.wallHeight <= 0.5f;
                float x0 = i * cp, y0 = j * cp, x1 = x0 + cp, y1 = y0 + cp;
                float ax, ay, bx, by;
                switch (c.side) {
                case 1:
                    ax = x0, ay = y0, bx = x0, by = y1;
                    break;
                case 2:
                    ax = x0, ay = y1, bx = x1, by = y1;
                    break;
                case 3:
                    ax = x1, ay = y0, bx = x1, by = y1;
                    break;
                case 4:
                    ax = x0, ay = y0, bx = x1, by = y0;
                    break;
                default:
                    continue;
                }
                float wdt = riser ? 1.0f : std::min(cp * 0.8f, 1.0f + c.wallHeight * cp / 6.0f);
                if (pass == 0) {
                    if (riser || raised) continue;
                    float sh = std::min(3.0f, c.wallHeight * 0.6f) * cp / 4.0f;
                    img.line(ax + sh, ay + sh, bx + sh, by + sh, wdt, Rgba{0, 0, 0, 0.45f});
                } else {
                    Rgba col = raised ? hex(0xe8d8a0) : hex(0x1c1a1e);
                    if (riser) col = Rgba{0.1f, 0.08f, 0.06f, 0.5f};
                    img.line(ax, ay, bx, by, wdt, col);
                }
            }
    // Tree crowns over their trunks.
    for (int i = 0; i < N; ++i)
        for (int j = 0; j < N; ++j) {
            const Cell &c = world.at(i, j);
            if (c.wallTile != Logs || c.wallHeight <= 0 || c.wallBase != 0.0f) continue;
            if (!(i > 0 && isCanopy(world.at(i - 2 < 0 ? 0 : i - 2, j)))) continue;
            float cx = (i + 0.5f) * cp, cy = (j + 0.5f) * cp;
            img.fillCircle(cx + cp * 0.5f, cy + cp * 0.6f, cp * 2.3f, Rgba{0, 0, 0, 0.4f});
            img.fillCircle(cx, cy, cp * 2.3f, hex(0x1f4a1c));
            img.fillCircle(cx - cp * 0.5f, cy - cp * 0.5f, cp * 1.4f, hex(0x2f6a28));
            img.fillCircle(cx - cp * 0.8f, cy - cp * 0.8f, cp * 0.6f, hex(0x4a8a3a));
        }
    // Start and respawn points.
    float sx = (startX + 0.5f) * cp, sz = (startZ + 0.5f) * cp;
    img.fillCircle(sx + cp, sz, cp * 2.2f, hex(0x101010));
    img.fillCircle(sx + cp, sz, cp * 1.6f, hex(0x5ad04a));
    float rx = (respawnX + 0.5f) * cp, rz = (respawnZ + 0.5f) * cp;
    img.fillRect(int(rx - cp * 2.5f), int(rz - cp * 0.8f), int(rx + cp * 2.5f), int(rz + cp * 0.8f),
                 hex(0xd02a2a));
    img.fillRect(int(rx - cp * 0.8f), int(rz - cp * 2.5f), int(rx + cp * 0.8f), int(rz + cp * 2.5f),
                 hex(0xd02a2a));
    if (!names) return img;
    // Names.
    float px = cp * 4.2f;
    for (int k = 0; k < placeCount; ++k) {
        const Place &p = places[k];
        float cx = (p.labelX + 0.5f) * cp, cy = (p.labelZ + 0.5f) * cp;
        label(img, fonts, p.name, cx, cy, p.musicRoom ? px : px * 0.9f, 1.0f,
              p.musicRoom ? hex(0xfff2c0) : hex(0xc8e0ff), true);
    }
    label(img, fonts, "Start", sx + cp * 8.5f, sz - cp * 4.5f, px * 0.7f, 1.0f, hex(0xb0ff9a),
          true);
    return img;
}

Image contactSheet(const std::vector<const Picture *> &pics, const Fonts &fonts) {
    const int cols = 10, cell = 150, capH = 30, pad = 8;
    int rows = int((pics.size() + cols - 1) / cols);
    Image sheet(cols * (cell + pad) + pad, rows * (cell + capH + pad) + pad, hex(0x24222a));
    for (size_t k = 0; k < pics.size(); ++k) {
        const Picture &p = *pics[k];
        int c = int(k % cols), r = int(k / cols);
        int x = pad + c * (cell + pad), y = pad + r * (cell + capH + pad);
        // A checkerboard behind transparent pictures shows their cut-out edge.
        for (int j = 0; j < cell; ++j)
            for (int i = 0; i < cell; ++i)
                sheet.at(x + i, y + j) = ((i / 8 + j / 8) % 2) ? hex(0x8a8a90) : hex(0xb0b0b6);
        int dw = cell, dh = cell;
        if (p.image.w > p.image.h) dh = cell * p.image.h / p.image.w;
        if (p.image.h > p.image.w) dw = cell * p.image.w / p.image.h;
        sheet.draw(p.image, x + (cell - dw) / 2, y + (cell - dh) / 2, dw, dh);
        std::string name = p.path.substr(p.path.find('/') + 1);
        label(sheet, fonts, name, x + cell / 2.0f, y + cell + 9.0f, 10.0f, 1.0f, hex(0xf0f0f0),
              true);
        label(sheet, fonts, p.caption, x + cell / 2.0f, y + cell + 22.0f, 10.0f, 1.0f,
              hex(0xc0c8d0), true);
    }
    return sheet;
}

} // namespace art
