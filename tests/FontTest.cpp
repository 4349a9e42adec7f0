// Bitmap fonts: display lists that draw glyphs at the raster position and move it on.
#include "GameTest.h"

#include "hud/FontsMgr.h"

#include <GL/gl.h>

namespace {

class FontTest : public GameTest {
  protected:
    void SetUp() override {
        GameTest::SetUp();
        OpenWindow(); // InitGL builds the four fonts
        // Window pixels as coordinates, so raster positions read back as given.
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(0, 800, 0, 600, -1, 1);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glDisable(GL_DEPTH_TEST);
        glClear(GL_COLOR_BUFFER_BIT);
        glColor3f(1, 1, 1);
    }

    static float RasterX() {
        GLfloat position[4];
        glGetFloatv(GL_CURRENT_RASTER_POSITION, position);
        return position[0];
    }

    // Lit pixels in a window rectangle, and the rows they span.
    static int Lit(int x, int y, int w, int h, int *lowest = nullptr, int *highest = nullptr) {
        std::vector<uint8_t> pixels(size_t(w) * h * 4);
        glReadPixels(x, y, w, h, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
        int count = 0, low = h, high = -1;
        for (int row = 0; row < h; row++)
            for (int col = 0; col < w; col++)
                if (pixels[(size_t(row) * w + col) * 4] > 128) {
                    count++;
                    low = std::min(low, row);
                    high = std::max(high, row);
                }
        if (lowest)
            *lowest = low;
        if (highest)
            *highest = high;
        return count;
    }
};

TEST_F(FontTest, AllFourFontsAreBuilt) {
    for (int i = 0; i < 4; i++)
        EXPECT_NE(FontsMgr->GetlistBase(i), 0u) << "font " << i;
    EXPECT_EQ(FontsMgr->GetlistBase(4), 0u);
    EXPECT_EQ(FontsMgr->GetlistBase(-1), 0u);
    // Distinct lists per font.
    EXPECT_NE(FontsMgr->GetlistBase(0), FontsMgr->GetlistBase(2));
}

TEST_F(FontTest, PrintsJoinIntoOneLineAndEmptyTextStaysPut) {
    const unsigned font = FontsMgr->GetlistBase(1);
    glRasterPos2f(100, 300);
    FontsMgr->PrintString(font, "");
    EXPECT_FLOAT_EQ(RasterX(), 100.0f);
    FontsMgr->PrintString(font, "\x01\x80\xff"); // bytes outside 32..127 draw nothing
    EXPECT_FLOAT_EQ(RasterX(), 100.0f);
    FontsMgr->PrintString(0, "no font");
    FontsMgr->PrintString(font, nullptr);
    EXPECT_FLOAT_EQ(RasterX(), 100.0f);

    FontsMgr->PrintString(font, "Along with ");
    const float afterLabel = RasterX();
    EXPECT_GT(afterLabel, 100.0f);
    FontsMgr->PrintString(font, "12");
    const float joined = RasterX();
    EXPECT_GT(joined, afterLabel);
    glRasterPos2f(100, 200);
    FontsMgr->PrintString(font, "Along with 12");
    EXPECT_FLOAT_EQ(RasterX(), joined);
}

TEST_F(FontTest, GlyphsAreDrawnOnTheBaselineWithinTheCellHeight) {
    const int heights[] = {12, 31, 20, 34};
    for (int i = 0; i < 4; i++) {
        SCOPED_TRACE(i);
        glClear(GL_COLOR_BUFFER_BIT);
        glRasterPos2f(50, 300); // baseline at window row 300
        FontsMgr->PrintString(FontsMgr->GetlistBase(i), "Hgjy|");
        int low = 0, high = 0;
        const int lit = Lit(0, 200, 800, 200, &low, &high);
        ASSERT_GT(lit, 20);
        const int top = 200 + high, bottom = 200 + low;
        EXPECT_GT(top, 300);    // capitals stand on the baseline
        EXPECT_LT(bottom, 300); // descenders hang below it
        EXPECT_LE(top - bottom + 1, heights[i] + 2);
        EXPECT_GE(top - bottom + 1, heights[i] / 2);
    }
}

TEST_F(FontTest, AMissingFaceFallsBackToAnInstalledOne) {
    const unsigned base = FontsMgr->CreateBitmapFont("No Such Face Anywhere", 24);
    ASSERT_NE(base, 0u);
    glRasterPos2f(50, 300);
    FontsMgr->PrintString(base, "Fallback");
    EXPECT_GT(RasterX(), 50.0f);
    EXPECT_GT(Lit(0, 280, 800, 60), 20);
}

TEST_F(FontTest, TextOutsideTheViewportIsNotDrawn) {
    glRasterPos2f(-50, 300); // off the left edge: the raster position is invalid
    FontsMgr->PrintString(FontsMgr->GetlistBase(1), "Hidden text");
    EXPECT_EQ(Lit(0, 0, 800, 600), 0);
}

} // namespace
