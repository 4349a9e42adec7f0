// The texture catalogue and pngBind: which file lands in which slot with which
// parameters, and what happens to files that are missing, broken or unusual.
#include "GameTest.h"
#include "TestPictures.h"

#include "world/TextureMgr.h"

#include <GL/gl.h>
#include <png.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

namespace {

class TextureTest : public GameTest {
  protected:
    void SetUp() override {
        GameTest::SetUp();
        ASSERT_FALSE(scratch.path().empty());
        scratch.MakeGameDataFolders();
    }

    // The texel at (0, 0) of a texture, as RGBA.
    static Rgba Texel(unsigned name) {
        glBindTexture(GL_TEXTURE_2D, name);
        GLint width = 0, height = 0;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
        std::vector<uint8_t> pixels(size_t(width) * height * 4 + 4);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
        return {pixels[0], pixels[1], pixels[2], pixels[3]};
    }

    static GLint Parameter(unsigned name, GLenum parameter) {
        glBindTexture(GL_TEXTURE_2D, name);
        GLint value = 0;
        glGetTexParameteriv(GL_TEXTURE_2D, parameter, &value);
        return value;
    }

    ScratchDir scratch;
};

TEST_F(TextureTest, EveryFileLandsInItsSlotWithItsWrapAndFilters) {
    WriteCatalogue();
    OpenWindow(); // InitGL loads the catalogue
    for (int k = 0; k < 100; k++) {
        SCOPED_TRACE(CataloguePath(k));
        unsigned name;
        GLint wrap;
        if (k < 20) {
            name = TextureMgr->GetTexture(k);
            wrap = GL_CLAMP;
        } else if (k < 24) {
            name = TextureMgr->GetMenuTex(k - 20);
            wrap = GL_CLAMP;
        } else if (k < 82) {
            name = TextureMgr->GetFloorTexture(k - 24);
            wrap = GL_REPEAT;
        } else {
            name = TextureMgr->GetWallTexture(k - 82);
            wrap = GL_REPEAT;
        }
        ASSERT_NE(name, 0u);
        const Rgba texel = Texel(name);
        const Rgba expected = CatalogueColour(k);
        EXPECT_EQ(texel.r, expected.r);
        EXPECT_EQ(texel.g, expected.g);
        EXPECT_EQ(texel.b, expected.b);
        EXPECT_EQ(Parameter(name, GL_TEXTURE_WRAP_S), wrap);
        EXPECT_EQ(Parameter(name, GL_TEXTURE_WRAP_T), wrap);
        EXPECT_EQ(Parameter(name, GL_TEXTURE_MIN_FILTER), GL_NEAREST);
        EXPECT_EQ(Parameter(name, GL_TEXTURE_MAG_FILTER), GL_NEAREST);
    }
    // Tile numbers come from the map file unchecked: outside a table, no texture.
    for (int index : {-1, -100, 1 << 30}) {
        EXPECT_EQ(TextureMgr->GetTexture(index), 0u);
        EXPECT_EQ(TextureMgr->GetFloorTexture(index), 0u);
        EXPECT_EQ(TextureMgr->GetWallTexture(index), 0u);
        EXPECT_EQ(TextureMgr->GetMenuTex(index), 0u);
    }
    EXPECT_EQ(TextureMgr->GetTexture(20), 0u);
    EXPECT_EQ(TextureMgr->GetFloorTexture(58), 0u);
    EXPECT_EQ(TextureMgr->GetWallTexture(18), 0u);
    EXPECT_EQ(TextureMgr->GetMenuTex(4), 0u);
}

TEST_F(TextureTest, MissingTileLeavesZeroAndEverythingElseLoads) {
    WriteCatalogue();
    std::filesystem::remove("Game Data/Floor/Floor5.png");
    OpenWindow();
    EXPECT_EQ(TextureMgr->GetFloorTexture(5), 0u);
    int loaded = 0;
    for (int i = 0; i < 20; i++)
        loaded += TextureMgr->GetTexture(i) != 0;
    for (int i = 0; i < 4; i++)
        loaded += TextureMgr->GetMenuTex(i) != 0;
    for (int i = 0; i < 58; i++)
        loaded += TextureMgr->GetFloorTexture(i) != 0;
    for (int i = 0; i < 18; i++)
        loaded += TextureMgr->GetWallTexture(i) != 0;
    EXPECT_EQ(loaded, 99);
    EXPECT_EQ(Texel(TextureMgr->GetFloorTexture(6)).g, CatalogueColour(24 + 6).g);
}

TEST_F(TextureTest, BrokenFilesGiveZeroAndLeaveTheBindingAlone) {
    OpenWindow();
    ASSERT_TRUE(WriteSolidPng("good.png", 8, 8, {10, 20, 30, 255}));
    std::ifstream in("good.png", std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_GT(bytes.size(), 40u);
    const struct {
        const char *name;
        std::string content;
    } broken[] = {
        {"truncated.png", bytes.substr(0, bytes.size() / 2)},
        {"header-only.png", bytes.substr(0, 8)},
        {"empty.png", ""},
        {"text.png", "this is not a picture at all, just words"},
        {"damaged.png", bytes.substr(0, 33) + std::string(bytes.size() - 33, '\x5a')},
    };
    ASSERT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    GLuint kept = 0;
    glGenTextures(1, &kept);
    glBindTexture(GL_TEXTURE_2D, kept);
    for (const auto &b : broken) {
        SCOPED_TRACE(b.name);
        std::ofstream(b.name, std::ios::binary) << b.content;
        pngInfo info = {};
        EXPECT_EQ(
            pngBind(b.name, PNG_NOMIPMAPS, PNG_ALPHA, &info, GL_CLAMP, GL_NEAREST, GL_NEAREST), 0u);
        GLint bound = 0;
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
        EXPECT_EQ(static_cast<GLuint>(bound), kept);
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    }
    EXPECT_EQ(pngBind("no such file.png", 0, PNG_ALPHA, nullptr, GL_CLAMP, GL_NEAREST, GL_NEAREST),
              0u);
    EXPECT_EQ(pngBind(nullptr, 0, PNG_ALPHA, nullptr, GL_CLAMP, GL_NEAREST, GL_NEAREST), 0u);
    // The good file still loads, by a Windows path with backslashes.
    std::filesystem::create_directories("sub/dir");
    std::filesystem::copy_file("good.png", "sub/dir/good.png");
    pngInfo info = {};
    const unsigned name = pngBind("sub\\dir\\good.png", PNG_NOMIPMAPS, PNG_ALPHA, &info, GL_CLAMP,
                                  GL_NEAREST, GL_NEAREST);
    ASSERT_NE(name, 0u);
    EXPECT_EQ(info.Width, 8u);
    EXPECT_EQ(info.Height, 8u);
    EXPECT_EQ(info.Alpha, 0u);
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(static_cast<unsigned>(bound), name); // the new texture stays bound
}

TEST_F(TextureTest, EveryColourTypeLoadsWithItsSizeFormatAndColours) {
    OpenWindow();
    // Two pixels per file, left then right, on one row of a 2 x 2 picture (the second row
    // repeats the first). Each case names the RGBA it must come out as.
    struct Case {
        const char *name;
        PngSpec picture;
        Rgba left, right;
        bool alpha;
    };
    auto twoByTwo = [](int type, int depth, std::vector<uint8_t> row, bool interlaced = false) {
        PngSpec s;
        s.width = 2;
        s.height = 2;
        s.colourType = type;
        s.bitDepth = depth;
        s.interlaced = interlaced;
        s.rows = row;
        s.rows.insert(s.rows.end(), row.begin(), row.end());
        return s;
    };
    std::vector<Case> cases = {
        {"rgb8",
         twoByTwo(PNG_COLOR_TYPE_RGB, 8, {255, 0, 0, 0, 0, 255}),
         {255, 0, 0, 255},
         {0, 0, 255, 255},
         false},
        {"rgba8",
         twoByTwo(PNG_COLOR_TYPE_RGB_ALPHA, 8, {10, 20, 30, 0, 40, 50, 60, 255}),
         {10, 20, 30, 0},
         {40, 50, 60, 255},
         true},
        {"rgb16",
         twoByTwo(PNG_COLOR_TYPE_RGB, 16, {255, 255, 0, 0, 128, 0, 0, 0, 0, 0, 255, 255}),
         {255, 0, 128, 255},
         {0, 0, 255, 255},
         false},
        {"rgba16",
         twoByTwo(PNG_COLOR_TYPE_RGB_ALPHA, 16,
                  {0, 0, 255, 255, 0, 0, 0, 0, 255, 255, 0, 0, 0, 0, 255, 255}),
         {0, 255, 0, 0},
         {255, 0, 0, 255},
         true},
        {"grey8",
         twoByTwo(PNG_COLOR_TYPE_GRAY, 8, {0, 200}),
         {0, 0, 0, 255},
         {200, 200, 200, 255},
         false},
        {"grey1",
         twoByTwo(PNG_COLOR_TYPE_GRAY, 1, {0x40}),
         {0, 0, 0, 255},
         {255, 255, 255, 255},
         false},
        {"grey4",
         twoByTwo(PNG_COLOR_TYPE_GRAY, 4, {0xF3}),
         {255, 255, 255, 255},
         {51, 51, 51, 255},
         false},
        {"grey16",
         twoByTwo(PNG_COLOR_TYPE_GRAY, 16, {0x80, 0x00, 0xFF, 0xFF}),
         {128, 128, 128, 255},
         {255, 255, 255, 255},
         false},
        {"greyalpha8",
         twoByTwo(PNG_COLOR_TYPE_GRAY_ALPHA, 8, {100, 0, 50, 255}),
         {100, 100, 100, 0},
         {50, 50, 50, 255},
         true},
        {"rgb8-interlaced",
         twoByTwo(PNG_COLOR_TYPE_RGB, 8, {1, 2, 3, 4, 5, 6}, true),
         {1, 2, 3, 255},
         {4, 5, 6, 255},
         false},
    };
    Case palette{"palette2",
                 twoByTwo(PNG_COLOR_TYPE_PALETTE, 2, {0x1B}),
                 {9, 8, 7, 255},
                 {250, 0, 5, 255},
                 false};
    palette.picture.palette = {0, 0, 0, 9,   8, 7,
                               1, 1, 1, 250, 0, 5}; // entries 0..3; pixels 1 and 3
    palette.picture.rows = {0x70, 0x70};            // 01 11 0000
    cases.push_back(palette);
    Case paletteAlpha{"palette8-trns",
                      twoByTwo(PNG_COLOR_TYPE_PALETTE, 8, {0, 1}),
                      {20, 30, 40, 0},
                      {60, 70, 80, 255},
                      true};
    paletteAlpha.picture.palette = {20, 30, 40, 60, 70, 80};
    paletteAlpha.picture.trnsAlpha = {0};
    cases.push_back(paletteAlpha);
    Case keyed{"rgb8-trns",
               twoByTwo(PNG_COLOR_TYPE_RGB, 8, {7, 7, 7, 9, 9, 9}),
               {7, 7, 7, 0},
               {9, 9, 9, 255},
               true};
    keyed.picture.trnsColour = {7, 7, 7};
    cases.push_back(keyed);

    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const std::string file = std::string(c.name) + ".png";
        ASSERT_TRUE(WritePng(file, c.picture));
        pngInfo info = {};
        const unsigned name = pngBind(file.c_str(), PNG_NOMIPMAPS, PNG_ALPHA, &info, GL_CLAMP,
                                      GL_NEAREST, GL_NEAREST);
        ASSERT_NE(name, 0u);
        EXPECT_EQ(info.Width, 2u);
        EXPECT_EQ(info.Height, 2u);
        EXPECT_EQ(info.Alpha, c.alpha ? 1u : 0u);
        GLint alphaBits = 0;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_ALPHA_SIZE, &alphaBits);
        EXPECT_EQ(alphaBits > 0, c.alpha);
        uint8_t pixels[2 * 2 * 4];
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels);
        const Rgba got[2] = {{pixels[0], pixels[1], pixels[2], pixels[3]},
                             {pixels[4], pixels[5], pixels[6], pixels[7]}};
        const Rgba want[2] = {c.left, c.right};
        for (int i = 0; i < 2; i++) {
            EXPECT_EQ(got[i].r, want[i].r) << "pixel " << i;
            EXPECT_EQ(got[i].g, want[i].g) << "pixel " << i;
            EXPECT_EQ(got[i].b, want[i].b) << "pixel " << i;
            EXPECT_EQ(got[i].a, want[i].a) << "pixel " << i;
        }
    }
}

TEST_F(TextureTest, FirstFileRowIsTheFirstTextureRow) {
    OpenWindow();
    PngSpec s;
    s.width = 1;
    s.height = 2;
    s.colourType = PNG_COLOR_TYPE_RGB;
    s.rows = {255, 0, 0, 0, 255, 0}; // red on top, green below
    ASSERT_TRUE(WritePng("rows.png", s));
    ASSERT_NE(pngBind("rows.png", 0, PNG_ALPHA, nullptr, GL_CLAMP, GL_NEAREST, GL_NEAREST), 0u);
    uint8_t pixels[8];
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels);
    EXPECT_EQ(pixels[0], 255); // t = 0 holds the top row of the picture
    EXPECT_EQ(pixels[5], 255);
}

} // namespace
