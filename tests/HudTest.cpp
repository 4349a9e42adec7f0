// What is flat on the screen and what it is made of: the title menu and the options
// screen, the bitmap fonts, the health bar and the death message pixel for pixel, and the
// pictures: which file lands in which texture, and what pngBind makes of every kind of file.
#include "Harness.h"

namespace {

// Pixels in HUD units: x 0..133 from the left, y 0..100 from the top.
int Column(float x) {
    return int(x / 133.0f * Main.width);
}
int Row(float y) {
    return Main.height - 1 - int(y / 100.0f * Main.height);
}
Rgba HudPixel(const Pixels &p, float x, float y) {
    return PixelAt(p, Column(x), Row(y));
}
bool Red(Rgba c) {
    return c.r > 200 && c.g < 60 && c.b < 60;
}
bool White(Rgba c) {
    return c.r > 200 && c.g > 200 && c.b > 200;
}
// Pixels of a HUD rectangle that pass a test.
int Count(const Pixels &p, float x0, float y0, float x1, float y1, bool (*test)(Rgba)) {
    int n = 0;
    for (int y = Row(y1) + 1; y <= Row(y0); y++)
        for (int x = Column(x0); x < Column(x1); x++)
            n += test(PixelAt(p, x, y));
    return n;
}
bool Lit(Rgba c) {
    return c.r > 30 || c.g > 30 || c.b > 30;
}

using HudTest = GameTest;

// --- The title menu ------------------------------------------------------------------

TEST_F(HudTest, MenuKeysActOncePerPressAndOnlyAcceptChangesTheWindow) {
    seams::UseVirtualClock(1000);
    OpenWindow();
    // Down held four passes, Up pressed meanwhile: one move. Then both in one pass: Down,
    // the first in the order, acts alone. Round the menu both ways; no resolution on it.
    seams::KeyEvent(DIK_DOWN, true);
    Passes(4);
    seams::KeyEvent(DIK_UP, true);
    Passes(1);
    EXPECT_EQ(Hud->menuCursor, 1);
    seams::KeyEvent(DIK_DOWN, false), seams::KeyEvent(DIK_UP, false);
    Pass();
    seams::KeyEvent(DIK_UP, true), seams::KeyEvent(DIK_DOWN, true);
    Pass();
    seams::KeyEvent(DIK_UP, false), seams::KeyEvent(DIK_DOWN, false);
    Pass();
    EXPECT_EQ(Hud->menuCursor, 2);
    for (const auto &[key, cursor] : {std::pair{DIK_DOWN, 0}, {DIK_UP, 2}, {DIK_RIGHT, 2}}) {
        Tap({uint8_t(key)});
        EXPECT_EQ(Hud->menuCursor * 10 + Hud->chosenResolution + Hud->optionsShown,
                  cursor * 10 + 1);
    }
    // Options: the resolutions wrap both ways; Enter acts only on "Accept", which with the
    // resolution in force keeps the window.
    Tap({DIK_DOWN, DIK_DOWN, DIK_RETURN});
    ASSERT_TRUE(Hud->optionsShown);
    const int chosen[] = {2, 3, 0, 3, 2, 1}; // after Right three times, then Left three times
    for (int k = 0; k < 6; k++) {
        Tap({uint8_t(k < 3 ? DIK_RIGHT : DIK_LEFT)});
        EXPECT_EQ(Hud->chosenResolution, chosen[k]);
    }
    Tap({DIK_RETURN, DIK_DOWN, DIK_DOWN, DIK_RETURN}); // on row 0 and on the empty row
    EXPECT_TRUE(Hud->optionsShown);
    const HWND window = Main.hWnd;
    Tap({DIK_UP, DIK_RETURN});
    EXPECT_EQ(Hud->optionsShown * 10 + Hud->menuCursor, 1);
    EXPECT_TRUE(Main.hWnd == window && seams::LiveWindows() == 1 && seams::BoxesShown().empty());
    // "Quit" ends the loop; "Start Game" enters the game.
    Tap({DIK_DOWN});
    seams::KeyEvent(DIK_RETURN, true);
    Pass();
    seams::KeyEvent(DIK_RETURN, false);
    EXPECT_FALSE(Pass()) << "Quit";
    Pass(); // which polled nothing more: the key is seen let go now
    Tap({DIK_DOWN, DIK_RETURN});
    EXPECT_EQ(Main.screen, 1);
}

TEST_F(HudTest, TheMenuIsDrawnAndDrawnAgainInEveryNewWindow) {
    const Rgba arrow = {230, 20, 20, 255}, emblem = {250, 220, 0, 255};
    const Rgba backgrounds[3] = {{}, {0, 0, 128, 255}, {0, 96, 0, 255}};
    ScratchDir scratch;
    scratch.MakeGameDataFolders();
    WriteSolidPng("Game Data/Menus/Arrow.png", 16, 16, arrow);
    WriteSolidPng("Game Data/Menus/Screen1.png", 8, 8, backgrounds[1]);
    WriteSolidPng("Game Data/Menus/Map.png", 8, 8, backgrounds[2]);
    WriteSolidPng("Game Data/Menus/Tarrow.png", 8, 8, emblem);
    seams::UseVirtualClock(1000);
    OpenWindow();
    const int background = Hud->menuBackground;
    ASSERT_TRUE(background == 1 || background == 2);
    // The menu: its background, the emblem, three rows of text with the arrow at the
    // cursor, the credit line; the options screen: two rows and the hint of row 0 only.
    auto expectMenu = [&](int cursor, bool options, const char *when) {
        Main.Render();
        const Pixels p = Grab();
        SCOPED_TRACE(when);
        EXPECT_TRUE(Near(HudPixel(p, 10, 10), backgrounds[background], 8));
        EXPECT_TRUE(Near(HudPixel(p, 115, 93), emblem, 8));
        for (int row = 0; row < 3; row++) {
            EXPECT_TRUE(Near(HudPixel(p, 52, 42 + 6 * row),
                             row == cursor ? arrow : backgrounds[background], 8));
            EXPECT_EQ(Count(p, 55, 39.5f + 6 * row, 110, 43 + 6 * row, White) > 30,
                      !options || row < 2)
                << row;
        }
        EXPECT_EQ(Count(p, 45, 87, 133, 90, White) > 30, options && cursor == 0) << "the hint";
        EXPECT_TRUE(options || Count(p, 78, 91, 104, 97, White) > 30) << "the credit line";
        GLfloat projection[16];
        glGetFloatv(GL_PROJECTION_MATRIX, projection);
        EXPECT_EQ(projection[11], -1.0f) << "the perspective is back for the next frame";
    };
    expectMenu(0, false, "the title menu");
    Tap({DIK_DOWN});
    expectMenu(1, false, "cursor on Options");
    Tap({DIK_RETURN});
    expectMenu(0, true, "the options screen");
    Tap({DIK_DOWN});
    expectMenu(1, true, "cursor on Accept");

    // 1024 x 768 and Accept: a new window, the pictures and fonts loaded into its context.
    Tap({DIK_UP, DIK_RIGHT, DIK_DOWN});
    const HWND before = Main.hWnd;
    seams::KeyEvent(DIK_RETURN, true);
    Pass();
    int width = 0, height = 0;
    seams::ClientSize(width, height);
    EXPECT_NE(Main.hWnd, before);
    EXPECT_EQ(width * 10000 + height, 10240768);
    EXPECT_EQ(Main.width * 10000 + Main.height, 10240768);
    EXPECT_EQ(Hud->currentResolution * 10 + Hud->menuCursor, 21);
    EXPECT_EQ(Hud->menuBackground, background);
    EXPECT_FALSE(Hud->optionsShown || Hud->keyHeld) << "the new keyboard starts empty";
    expectMenu(1, false, "in the new window");
    Pass(); // an Enter still held at the next poll is a new press, on "Options"
    EXPECT_TRUE(Hud->optionsShown);

    // A window that cannot be made again ends the game with its box.
    seams::KeyEvent(DIK_RETURN, false);
    Pass();
    Tap({DIK_LEFT, DIK_DOWN});
    seams::SetFault(seams::Fault::CreateWindow);
    seams::KeyEvent(DIK_RETURN, true);
    EXPECT_FALSE(Pass() && Pass());
    ASSERT_EQ(seams::BoxesShown().size(), 1u);
    EXPECT_EQ(seams::BoxesShown()[0].text, "Window Creation Error.");
    EXPECT_EQ(seams::LiveWindows(), 0);
}

// --- Fonts ----------------------------------------------------------------------------

TEST_F(HudTest, FontsDrawTheirGlyphsOnTheBaselineAndAMissingFaceFallsBack) {
    OpenWindow();
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, 800, 0, 600, -1, 1); // window pixels as coordinates
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glDisable(GL_DEPTH_TEST);
    glColor3f(1, 1, 1);
    EXPECT_EQ(FontsMgr->GetlistBase(4) + FontsMgr->GetlistBase(-1), 0u);
    const int heights[] = {12, 31, 20, 34};
    for (int i = 0; i < 4; i++) {
        const unsigned font = FontsMgr->GetlistBase(i);
        ASSERT_NE(font, 0u);
        EXPECT_NE(font, FontsMgr->GetlistBase((i + 1) % 4));
        // Capitals on the baseline, descenders below it, within the cell's height.
        glClear(GL_COLOR_BUFFER_BIT);
        glRasterPos2f(50, 300);
        FontsMgr->PrintString(font, "Hgjy|");
        const Pixels p = Grab();
        int top = -1, bottom = 600;
        for (int y = 0; y < 600; y++)
            for (int x = 0; x < 800; x++)
                if (PixelAt(p, x, y).r > 128)
                    top = std::max(top, y), bottom = std::min(bottom, y);
        EXPECT_TRUE(top > 300 && bottom < 300) << "font " << i;
        EXPECT_LE(top - bottom + 1, heights[i] + 2) << "font " << i;
        EXPECT_GE(top - bottom + 1, heights[i] / 2) << "font " << i;
    }
    // Each character shows its own glyph: a space nothing, "!" its ink.
    for (const char *text : {" ", "!"}) {
        glClear(GL_COLOR_BUFFER_BIT);
        glRasterPos2f(50, 300);
        FontsMgr->PrintString(FontsMgr->GetlistBase(0), text);
        EXPECT_EQ(Count(Grab(), 0, 40, 133, 60, Lit) > 3, *text == '!') << "\"" << text << "\"";
    }
    // A face nobody has falls back to an installed one.
    glClear(GL_COLOR_BUFFER_BIT);
    const unsigned fallback = FontsMgr->CreateBitmapFont("No Such Face Anywhere", 24);
    ASSERT_NE(fallback, 0u);
    glRasterPos2f(50, 300);
    FontsMgr->PrintString(fallback, "Fallback");
    EXPECT_GT(Count(Grab(), 0, 40, 133, 60, Lit), 20);
}

// --- The overlay of the game ------------------------------------------------------------

class OverlayTest : public GameTest {
  protected:
    void SetUp() override {
        GameTest::SetUp();
        OpenWindow();
        Main.SetScreen(1);
    }
    // The HUD pass of a game frame over an empty scene, which leaves a colour of its own.
    static Pixels Overlay() {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glColor3f(0.3f, 0.6f, 0.9f);
        Hud->RenderHud();
        return Grab();
    }
    // The death message as it must read: these lines, whole, in white, in the message font
    // at x 30 on the baselines 10, 16, 22, 28 and 34.
    static Pixels Message(const std::vector<std::string> &lines) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        Hud->SetOrtho();
        glColor3f(1.0f, 1.0f, 1.0f);
        for (size_t i = 0; i < lines.size(); i++) {
            glRasterPos2f(30.0f, 10.0f + 6.0f * i);
            FontsMgr->PrintString(FontsMgr->GetlistBase(1), lines[i].c_str());
        }
        Main.ReSizeGLScene(Main.width, Main.height);
        return Grab();
    }
    static void ExpectColourLeft(float r, float g, float b) {
        GLfloat c[4];
        glGetFloatv(GL_CURRENT_COLOR, c);
        EXPECT_EQ(c[0] * 100 + c[1] * 10 + c[2], r * 100 + g * 10 + b);
    }
};

const char kDied[] = "You died...";
const char kCrawled[] = "Like a fighter, you crawled to the hospital...";
const char kPrompt[] = "Press 'Enter' key to respawn...";

TEST_F(OverlayTest, TheHealthBarIsAsLongAsTheHealthInAFrameOfFullHealth) {
    const float pixel = 133.0f / Main.width;
    for (float health : {30.0f, 15.0f, 15.5f, 29.5f, 7.25f, 0.25f}) {
        SCOPED_TRACE(health);
        stCharacter.health = health;
        const Pixels p = Overlay();
        // Red from x 100, as long as the health, between y 1 and 3.
        int last = -1;
        for (int x = 0; x < Main.width; x++)
            if (Red(PixelAt(p, x, Row(2))))
                last = x;
        EXPECT_NEAR((last + 1) * pixel, 100.0f + health, pixel);
        for (const auto &[y, red] :
             {std::pair{1.5f, true}, {2.5f, true}, {0.5f, false}, {3.5f, false}})
            EXPECT_TRUE(red ? Red(HudPixel(p, 100 + health / 2, y))
                            : !Lit(HudPixel(p, 100 + health / 2, y)))
                << "y " << y;
        // The white frame keeps the width of full health; what the bar leaves of it is dark.
        for (const auto &[x, y] : {std::pair{100.0f, 2.0f}, {130, 2}, {129, 1}, {129, 3}})
            EXPECT_GT(Count(p, x - 0.2f, y - 0.2f, x + 0.2f, y + 0.2f, White), 0)
                << "the frame at " << x << ", " << y;
        EXPECT_NEAR(Count(p, 100, 1.9f, 130.1f, 2.1f, [](Rgba c) { return !Lit(c); }),
                    (30.0f - health) / pixel, 2.0f);
        EXPECT_FALSE(Lit(HudPixel(p, 131, 2)));
        EXPECT_EQ(Count(p, 0, 5, 133, 100, Lit), 0) << "nothing else: no death message";
        ExpectColourLeft(1, 1, 1);
    }
}

TEST_F(OverlayTest, DeadTheMessageUnrollsLineByLineWithTheCountsWrittenOut) {
    stCharacter.killCount = 12;
    stCharacter.deathCount = 3;
    const std::string lines[5] = {kDied, "Along with 12 zombies...", "You have died 3 times...",
                                  kCrawled, kPrompt};
    // At no health the message replaces the bar; each threshold still shows one line less
    // than anything just below it; the fade comes to rest just above -3.1.
    const struct {
        float health, timer;
        int lines;
    } steps[] = {{0, 1, 1},          {-0.0f, 0, 1},
                 {-4, -0.5f, 1},     {0, std::nextafter(-0.5f, -1.0f), 2},
                 {0, -1, 2},         {0, std::nextafter(-1.0f, -2.0f), 3},
                 {0, -2, 3},         {0, std::nextafter(-2.0f, -3.0f), 4},
                 {0, -3, 4},         {0, std::nextafter(-3.0f, -4.0f), 5},
                 {0, -3.0999968f, 5}};
    for (const auto &s : steps) {
        SCOPED_TRACE(testing::Message() << "health " << s.health << " timer " << s.timer);
        stCharacter.health = s.health;
        Main.deathTimer = s.timer;
        const Pixels shown = Overlay();
        ExpectColourLeft(1, 0, 0);
        std::string first;
        EXPECT_EQ(Differing(shown, Message({lines, lines + s.lines}), &first), 0u) << first;
    }
    // The counts in full, with the right words.
    const struct {
        int kills, deaths;
        const char *withKills, *withDeaths;
    } counts[] = {
        {0, 1, "Along with no zombies at all...", "You have died 1 time..."},
        {1, 0, "Along with 1 zombies...", "You have died 0 times..."},
        {2147483647, 2, "Along with 2147483647 zombies...", "You have died 2 times..."},
        {INT_MIN, INT_MIN, "Along with no zombies at all...", "You have died -2147483648 times..."},
        {1000000000, -1, "Along with 1000000000 zombies...", "You have died -1 times..."},
    };
    for (const auto &c : counts) {
        SCOPED_TRACE(c.withKills + std::string(" ") + c.withDeaths);
        stCharacter.killCount = c.kills;
        stCharacter.deathCount = c.deaths;
        std::string first;
        EXPECT_EQ(Differing(Overlay(),
                            Message({kDied, c.withKills, c.withDeaths, kCrawled, kPrompt}), &first),
                  0u)
            << first;
    }
    // Risen again: the bar, full; and the next death starts its message from the first line.
    stCharacter.killCount = 3;
    stCharacter.deathCount = 1;
    CharacterMgr->Respawn();
    EXPECT_EQ(Count(Overlay(), 0, 5, 133, 100, Lit), 0);
    stCharacter.health = 0.0f;
    std::string first;
    EXPECT_EQ(Differing(Overlay(), Message({kDied}), &first), 0u) << first;
}

// --- Pictures ---------------------------------------------------------------------------

TEST_F(HudTest, EveryPictureLandsInItsSlotWithItsWrapAndAMissingOneLeavesZero) {
    ScratchDir scratch;
    scratch.MakeGameDataFolders();
    WriteCatalogue();
    std::filesystem::remove(CataloguePath(24 + 5));
    OpenWindow(); // the GL set-up loads the catalogue
    int loaded = 0;
    for (int k = 0; k < 100; k++) {
        const unsigned name = k < 20   ? TextureMgr->GetTexture(k)
                              : k < 24 ? TextureMgr->GetMenuTex(k - 20)
                              : k < 82 ? TextureMgr->GetFloorTexture(k - 24)
                                       : TextureMgr->GetWallTexture(k - 82);
        loaded += name != 0;
        if (!name)
            continue;
        glBindTexture(GL_TEXTURE_2D, name);
        uint8_t texel[4 * 4 * 4];
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texel);
        EXPECT_TRUE(Near({texel[0], texel[1], texel[2], 255}, CatalogueColour(k), 0))
            << CataloguePath(k);
        GLint wrapS = 0, wrapT = 0, minFilter = 0, magFilter = 0;
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &wrapS);
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, &wrapT);
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &magFilter);
        const GLint wrap = k < 24 ? GL_CLAMP : GL_REPEAT; // tiles repeat, the rest do not
        EXPECT_TRUE(wrapS == wrap && wrapT == wrap && minFilter == GL_NEAREST &&
                    magFilter == GL_NEAREST)
            << CataloguePath(k);
    }
    EXPECT_EQ(loaded, 99);
    EXPECT_EQ(TextureMgr->GetFloorTexture(5), 0u);
    // Tile numbers come from the map file unchecked: outside a table, no texture.
    for (int index : {-1, -100, 1 << 30})
        EXPECT_EQ(TextureMgr->GetTexture(index) + TextureMgr->GetFloorTexture(index) +
                      TextureMgr->GetWallTexture(index) + TextureMgr->GetMenuTex(index),
                  0u);
    EXPECT_EQ(TextureMgr->GetTexture(20) + TextureMgr->GetFloorTexture(58) +
                  TextureMgr->GetWallTexture(18) + TextureMgr->GetMenuTex(4),
              0u);
}

// (Broken pictures: the fuzz regression files, FuzzReplayTest.)
TEST_F(HudTest, PngBindKeepsThePicturesRowsAndTakesAWindowsPath) {
    OpenWindow();
    ScratchDir scratch;
    std::filesystem::create_directories("sub/dir");
    PngSpec rows;
    rows.width = 1;
    rows.height = 2;
    rows.rows = {255, 0, 0, 0, 255, 0}; // red on top, green below
    ASSERT_TRUE(WritePng("sub/dir/rows.png", rows));
    pngInfo info = {};
    const unsigned name = pngBind("sub\\dir\\rows.png", PNG_NOMIPMAPS, PNG_ALPHA, &info, GL_CLAMP,
                                  GL_NEAREST, GL_NEAREST);
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_TRUE(name != 0 && GLuint(bound) == name && info.Width == 1 && info.Alpha == 0);
    uint8_t p[8];
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, p);
    EXPECT_EQ(p[0] + p[5], 510) << "t = 0 holds the picture's top row";
    EXPECT_EQ(pngBind(nullptr, 0, PNG_ALPHA, nullptr, GL_CLAMP, GL_NEAREST, GL_NEAREST), 0u);
}

} // namespace
