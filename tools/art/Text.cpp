#include "Text.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cmath>

namespace art {

Mask renderText(const std::string &fontPath, const std::string &text, float pixelHeight,
                float xScale) {
    Mask out;
    FT_Library lib;
    if (FT_Init_FreeType(&lib)) return out;
    FT_Face face;
    if (FT_New_Face(lib, fontPath.c_str(), 0, &face)) {
        FT_Done_FreeType(lib);
        return out;
    }
    FT_Set_Char_Size(face, FT_F26Dot6(pixelHeight * xScale * 64), FT_F26Dot6(pixelHeight * 64), 72,
                     72);
    struct Glyph {
        int x, top, w, h;
        std::vector<float> cov;
    };
    std::vector<Glyph> glyphs;
    long penX = 0; // 26.6
    FT_UInt prev = 0;
    int minX = 1 << 30, maxX = -(1 << 30), minTop = 1 << 30, maxBottom = -(1 << 30);
    for (unsigned char ch : text) {
        FT_UInt gi = FT_Get_Char_Index(face, ch);
        if (prev && gi && FT_HAS_KERNING(face)) {
            FT_Vector k;
            FT_Get_Kerning(face, prev, gi, FT_KERNING_DEFAULT, &k);
            penX += k.x;
        }
        if (FT_Load_Glyph(face, gi, FT_LOAD_DEFAULT) ||
            FT_Render_Glyph(face->glyph, FT_RENDER_MODE_NORMAL))
            continue;
        FT_GlyphSlot g = face->glyph;
        Glyph gl;
        gl.x = int(penX >> 6) + g->bitmap_left;
        gl.top = -g->bitmap_top; // relative to the baseline, y down
        gl.w = int(g->bitmap.width);
        gl.h = int(g->bitmap.rows);
        gl.cov.resize(size_t(gl.w) * gl.h);
        for (int y = 0; y < gl.h; ++y)
            for (int x = 0; x < gl.w; ++x)
                gl.cov[size_t(y) * gl.w + x] = g->bitmap.buffer[y * g->bitmap.pitch + x] / 255.0f;
        if (gl.w > 0 && gl.h > 0) {
            minX = std::min(minX, gl.x);
            maxX = std::max(maxX, gl.x + gl.w);
            minTop = std::min(minTop, gl.top);
            maxBottom = std::max(maxBottom, gl.top + gl.h);
        }
        penX += g->advance.x;
        prev = gi;
        glyphs.push_back(std::move(gl));
    }
    FT_Done_Face(face);
    FT_Done_FreeType(lib);
    if (maxX <= minX) return out;
    out.w = maxX - minX;
    out.h = maxBottom - minTop;
    out.baseline = -minTop;
    out.v.assign(size_t(out.w) * out.h, 0.0f);
    for (const Glyph &g : glyphs)
        for (int y = 0; y < g.h; ++y)
            for (int x = 0; x < g.w; ++x) {
                float &d = out.v[size_t(g.top - minTop + y) * out.w + (g.x - minX + x)];
                d = std::max(d, g.cov[size_t(y) * g.w + x]);
            }
    return out;
}

Mask dilate(const Mask &m, float r) {
    int ri = int(std::ceil(r));
    Mask out;
    out.w = m.w + 2 * ri;
    out.h = m.h + 2 * ri;
    out.baseline = m.baseline + ri;
    out.v.assign(size_t(out.w) * out.h, 0.0f);
    for (int y = 0; y < out.h; ++y)
        for (int x = 0; x < out.w; ++x) {
            float best = 0;
            for (int dy = -ri; dy <= ri && best < 1; ++dy)
                for (int dx = -ri; dx <= ri; ++dx) {
                    float d = std::sqrt(float(dx * dx + dy * dy));
                    if (d > r + 0.5f) continue;
                    float c = m.at(x - ri + dx, y - ri + dy) * clamp01(r + 0.5f - d);
                    best = std::max(best, c);
                }
            out.v[size_t(y) * out.w + x] = best;
        }
    return out;
}

void stamp(Image &img, const Mask &m, int x, int y, const Rgba &c) {
    for (int j = 0; j < m.h; ++j)
        for (int i = 0; i < m.w; ++i) {
            float k = m.v[size_t(j) * m.w + i];
            if (k > 0) img.blend(x + i, y + j, c, k);
        }
}

} // namespace art
