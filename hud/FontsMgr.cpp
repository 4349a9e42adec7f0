#include "hud/FontsMgr.h"

#include "app/Main.h"

#include <GL/gl.h>

CFontsMgr::CFontsMgr() : listBase() {}

CFontsMgr::~CFontsMgr() {
    // At exit the context is gone and this does nothing; it matters only for a font
    // manager destroyed while its context lives.
    for (unsigned base : listBase)
        if (base)
            glDeleteLists(base, 96);
}

void CFontsMgr::InitFonts() {
    listBase[0] = CreateBitmapFont("Arial", 12);
    listBase[1] = CreateBitmapFont("Orange Kid", 31);       // menu items, death message
    listBase[2] = CreateBitmapFont("Arial", 20);            // hint line of the options screen
    listBase[3] = CreateBitmapFont("Monotype Corsiva", 34); // credit line
}

unsigned CFontsMgr::CreateBitmapFont(const char *name, int height) {
    const unsigned base = glGenLists(96);
    HFONT font =
        CreateFontA(height, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_TT_PRECIS,
                    CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, DEFAULT_PITCH | FF_DONTCARE, name);
    if (!font)
        return 0; // the 96 lists stay reserved and empty
    SelectObject(Main.GetHDC(), font);
    wglUseFontBitmapsA(Main.GetHDC(), 32, 96, base);
    return base;
}

void CFontsMgr::PrintString(unsigned base, const char *text) {
    if (base == 0 || text == nullptr)
        return;
    glPushAttrib(GL_LIST_BIT);
    glListBase(base - 32); // a character code indexes its own list
    // Runs of the font's own characters; a byte outside 32..127 would call a list of
    // another font, so it draws nothing.
    const unsigned char *p = reinterpret_cast<const unsigned char *>(text);
    while (*p) {
        const unsigned char *run = p;
        while (*p >= 32 && *p <= 127)
            p++;
        if (p > run)
            glCallLists(static_cast<GLsizei>(p - run), GL_UNSIGNED_BYTE, run);
        while (*p && (*p < 32 || *p > 127))
            p++;
    }
    glPopAttrib();
}
