// The game's window on Windows' own GDI and WGL (under Wine, Mesa): its context does not
// wait for the display's retrace, which WGL does by default there and which would stretch
// every 25 ms frame to the next retrace; and every glyph of its fonts moves the raster
// position on, the space too (Mesa compiles an empty bitmap into a display list as
// nothing, so a space drawn by wglUseFontBitmapsA alone would stand still).
#include "Harness.h"

TEST_F(GameTest, TheContextWaitsForNoRetraceAndEveryGlyphAdvancesTheSpaceToo) {
    OpenWindow();
    using GetInterval = int(WINAPI *)();
    const auto interval = reinterpret_cast<GetInterval>(
        reinterpret_cast<void (*)()>(wglGetProcAddress("wglGetSwapIntervalEXT")));
    ASSERT_NE(interval, nullptr);
    EXPECT_EQ(interval(), 0);

    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, 800, 0, 600, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    for (int font = 0; font < 4; font++) {
        const unsigned base = FontsMgr->GetlistBase(font);
        ASSERT_NE(base, 0u) << "font " << font;
        for (unsigned char c = 32; c < 127; c++) {
            glRasterPos2i(10, 300);
            glCallList(base + c - 32);
            GLfloat at[4];
            glGetFloatv(GL_CURRENT_RASTER_POSITION, at);
            EXPECT_GT(at[0], 10.5f) << "font " << font << ", character '" << c << "'";
        }
    }
}
