// GDI fonts on FreeType and fontconfig, turned into GL bitmap fonts the way
// wglUseFontBitmaps does: one display list per character, drawing a 1-bit glyph with
// glBitmap at the baseline and moving the raster position on by the glyph's advance.
#include "platform/sdl/Internal.h"

#include <GL/gl.h>
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H

#include <cstring>
#include <memory>
#include <strings.h>
#include <vector>

struct HGDIOBJ__ {
    std::string requested;
    int height = 0;
    int weight = 0;
    bool italic = false;
    FT_Face face = nullptr;
    bool embolden = false; // bold asked of a face that has none: thicken the outlines
    bool slant = false;    // italic asked of an upright face
};

namespace {

// The faces the game asks for, as a font mapper would substitute them on this system.
const struct {
    const char *requested;
    const char *installed;
} kSubstitutes[] = {
    {"Arial", "Liberation Sans"},
    {"Monotype Corsiva", "TeX Gyre Chorus"}, // a chancery script
    {"Orange Kid", "Bebas Neue"},            // a bold display face for the menu
};

FT_Library Library() {
    static FT_Library library = nullptr;
    static bool tried = false;
    if (!tried) {
        tried = true;
        if (FT_Init_FreeType(&library) != 0)
            library = nullptr;
    }
    return library;
}

std::vector<std::unique_ptr<HGDIOBJ__>> &Fonts() {
    static std::vector<std::unique_ptr<HGDIOBJ__>> fonts;
    return fonts;
}

// The installed font file fontconfig likes best for this family, weight and slant.
bool Match(const char *family, bool bold, bool italic, std::string &file, int &index, int &weight,
           int &slant) {
    if (!FcInit())
        return false;
    FcPattern *pattern = FcPatternCreate();
    if (!pattern)
        return false;
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8 *>(family));
    FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern *match = FcFontMatch(nullptr, pattern, &result);
    FcPatternDestroy(pattern);
    if (!match)
        return false;
    FcChar8 *path = nullptr;
    bool found = FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch && path;
    if (found) {
        file = reinterpret_cast<const char *>(path);
        if (FcPatternGetInteger(match, FC_INDEX, 0, &index) != FcResultMatch)
            index = 0;
        if (FcPatternGetInteger(match, FC_WEIGHT, 0, &weight) != FcResultMatch)
            weight = FC_WEIGHT_REGULAR;
        if (FcPatternGetInteger(match, FC_SLANT, 0, &slant) != FcResultMatch)
            slant = FC_SLANT_ROMAN;
    }
    FcPatternDestroy(match);
    return found;
}

// GDI's cell height is the face's Windows ascent plus descent; a negative height asks
// for the em size instead.
void SetHeight(FT_Face face, int height) {
    long cell = 0;
    if (const TT_OS2 *os2 = static_cast<TT_OS2 *>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2)))
        cell = long(os2->usWinAscent) + long(os2->usWinDescent);
    if (cell <= 0)
        cell = long(face->ascender) - long(face->descender);
    FT_F26Dot6 em;
    if (height < 0)
        em = FT_F26Dot6(-height) * 64;
    else if (cell > 0 && face->units_per_EM > 0)
        em = FT_F26Dot6(height) * 64 * face->units_per_EM / cell;
    else
        em = FT_F26Dot6(height) * 64;
    FT_Set_Char_Size(face, 0, em > 64 ? em : 64, 72, 72);
}

} // namespace

HFONT CreateFontA(int height, int, int, int, int weight, DWORD italic, DWORD, DWORD, DWORD, DWORD,
                  DWORD, DWORD, DWORD, LPCSTR faceName) {
    const std::string requested = faceName ? faceName : "";
    const bool bold = weight >= 600;
    for (const auto &f : Fonts())
        if (strcasecmp(f->requested.c_str(), requested.c_str()) == 0 && f->height == height &&
            f->weight == weight && f->italic == (italic != 0))
            return f.get();

    FT_Library library = Library();
    if (!library)
        return nullptr;
    const char *family = requested.empty() ? "sans-serif" : requested.c_str();
    for (const auto &s : kSubstitutes)
        if (strcasecmp(s.requested, family) == 0)
            family = s.installed;
    std::string file;
    int index = 0, matchedWeight = 0, matchedSlant = 0;
    if (!Match(family, bold, italic != 0, file, index, matchedWeight, matchedSlant))
        return nullptr;
    FT_Face face = nullptr;
    if (FT_New_Face(library, file.c_str(), index, &face) != 0)
        return nullptr;
    SetHeight(face, height == 0 ? 16 : height);

    auto font = std::make_unique<HGDIOBJ__>();
    font->requested = requested;
    font->height = height;
    font->weight = weight;
    font->italic = italic != 0;
    font->face = face;
    font->embolden = bold && matchedWeight < FC_WEIGHT_DEMIBOLD;
    font->slant = italic && matchedSlant == FC_SLANT_ROMAN;
    Fonts().push_back(std::move(font));
    return Fonts().back().get();
}

HGDIOBJ SelectObject(HDC dc, HGDIOBJ object) {
    if (!dc || !plat::FindWindow(dc->window) || &dc->window->dc != dc)
        return nullptr;
    HGDIOBJ previous = dc->font;
    dc->font = object;
    return previous;
}

BOOL wglUseFontBitmapsA(HDC dc, DWORD first, DWORD count, DWORD listBase) {
    if (!dc || !plat::FindWindow(dc->window) || &dc->window->dc != dc || !dc->font ||
        !dc->font->face)
        return FALSE;
    HGDIOBJ font = dc->font;
    FT_Face face = font->face;

    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
    glPixelStorei(GL_UNPACK_LSB_FIRST, GL_FALSE);
    std::vector<GLubyte> bits;
    for (DWORD i = 0; i < count; i++) {
        const FT_ULong code = first + i; // ANSI codes below 128 are ASCII
        const FT_UInt glyph = FT_Get_Char_Index(face, code);
        int width = 0, rows = 0, left = 0, top = 0;
        float advance = 0.0f;
        bits.clear();
        if (FT_Load_Glyph(face, glyph, FT_LOAD_NO_BITMAP) == 0) {
            FT_GlyphSlot slot = face->glyph;
            if (font->embolden)
                FT_GlyphSlot_Embolden(slot);
            if (font->slant)
                FT_GlyphSlot_Oblique(slot);
            if (FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) == 0) {
                const FT_Bitmap &bitmap = slot->bitmap;
                width = static_cast<int>(bitmap.width);
                rows = static_cast<int>(bitmap.rows);
                left = slot->bitmap_left;
                top = slot->bitmap_top;
                // 1-bit rows, bottom row first as glBitmap wants them; a pixel is set
                // where the glyph covers at least half of it.
                const int stride = (width + 7) / 8;
                bits.assign(size_t(stride) * rows, 0);
                for (int y = 0; y < rows; y++) {
                    const unsigned char *src = bitmap.buffer + y * bitmap.pitch;
                    GLubyte *dst = &bits[size_t(rows - 1 - y) * stride];
                    for (int x = 0; x < width; x++)
                        if (src[x] >= 128)
                            dst[x / 8] |= GLubyte(0x80 >> (x % 8));
                }
            }
            advance = float((slot->advance.x + 32) >> 6);
        }
        if (bits.empty()) {
            // A blank glyph (the space): one unset pixel, since an empty bitmap in a
            // display list makes Mesa report running out of memory.
            width = rows = 1;
            left = top = 0;
            bits.assign(1, 0);
        }
        glNewList(listBase + i, GL_COMPILE);
        glBitmap(width, rows, float(-left), float(rows - top), advance, 0.0f, bits.data());
        glEndList();
    }
    glPopClientAttrib();
    return TRUE;
}
