// The title menu and the options screen: keys, one action per press, the resolution
// change that rebuilds the window, and what the menu draws.
#include "GameTest.h"
#include "TestPictures.h"

#include "hud/Hud.h"
#include "world/TextureMgr.h"

#include <GL/gl.h>

namespace {

const Rgba kArrow = {230, 20, 20, 255};
const Rgba kBackgrounds[3] = {{0, 0, 0, 0}, {0, 0, 128, 255}, {0, 96, 0, 255}};
const Rgba kEmblem = {250, 220, 0, 255};

class HudTest : public GameTest {
  protected:
    void SetUp() override {
        GameTest::SetUp();
        ASSERT_FALSE(scratch.path().empty());
        scratch.MakeGameDataFolders();
        WriteSolidPng("Game Data/Menus/Arrow.png", 16, 16, kArrow);
        WriteSolidPng("Game Data/Menus/Screen1.png", 8, 8, kBackgrounds[1]);
        WriteSolidPng("Game Data/Menus/Map.png", 8, 8, kBackgrounds[2]);
        WriteSolidPng("Game Data/Menus/Tarrow.png", 8, 8, kEmblem);
        seams::UseVirtualClock(1000);
        OpenWindow();
    }

    // One pass of the menu state: poll, then the menu keys.
    static void Pass() {
        Input->Update();
        Hud->ProcessInputs();
    }
    static void Tap(uint8_t key) {
        seams::KeyEvent(key, true);
        Pass();
        seams::KeyEvent(key, false);
        Pass();
    }

    // The colour at a point given in HUD units (x 0..133, y 0..100 from the top).
    static Rgba At(float x, float y) {
        const int px = static_cast<int>(x / 133.0f * Main.width);
        const int py = Main.height - 1 - static_cast<int>(y / 100.0f * Main.height);
        uint8_t p[4];
        glReadPixels(px, py, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
        return {p[0], p[1], p[2], p[3]};
    }
    static bool Near(Rgba a, Rgba b) {
        return std::abs(a.r - b.r) < 8 && std::abs(a.g - b.g) < 8 && std::abs(a.b - b.b) < 8;
    }
    // White text pixels in a HUD rectangle.
    static int WhiteIn(float x0, float y0, float x1, float y1) {
        const int px0 = static_cast<int>(x0 / 133.0f * Main.width);
        const int px1 = static_cast<int>(x1 / 133.0f * Main.width);
        const int top = static_cast<int>(y0 / 100.0f * Main.height);
        const int bottom = static_cast<int>(y1 / 100.0f * Main.height);
        const int w = px1 - px0, h = bottom - top;
        std::vector<uint8_t> p(size_t(w) * h * 4);
        glReadPixels(px0, Main.height - bottom, w, h, GL_RGBA, GL_UNSIGNED_BYTE, p.data());
        int white = 0;
        for (size_t i = 0; i < p.size(); i += 4)
            white += p[i] > 200 && p[i + 1] > 200 && p[i + 2] > 200;
        return white;
    }
    // Text of menu row r sits on the baseline y = 43 + 6r.
    static int RowText(int row) { return WhiteIn(55, 39.5f + 6 * row, 110, 43 + 6 * row); }
    static int HintText() { return WhiteIn(45, 87, 133, 90); }

    ScratchDir scratch;
};

TEST_F(HudTest, EachPressActsOnceAndOnlyTheFirstKeyInOrderCounts) {
    EXPECT_EQ(Hud->menuCursor, 0);
    seams::KeyEvent(DIK_DOWN, true);
    for (int pass = 0; pass < 4; pass++)
        Pass();
    EXPECT_EQ(Hud->menuCursor, 1); // held for four passes, moved once
    seams::KeyEvent(DIK_UP, true); // a second key while the first is held: nothing
    Pass();
    EXPECT_EQ(Hud->menuCursor, 1);
    seams::KeyEvent(DIK_DOWN, false);
    seams::KeyEvent(DIK_UP, false);
    Pass();

    // Two keys in the same pass: only Down, the first in the order, acts.
    seams::KeyEvent(DIK_UP, true);
    seams::KeyEvent(DIK_DOWN, true);
    Pass();
    EXPECT_EQ(Hud->menuCursor, 2);
    seams::KeyEvent(DIK_UP, false);
    seams::KeyEvent(DIK_DOWN, false);
    Pass();
    EXPECT_FALSE(Hud->keyHeld);

    Tap(DIK_DOWN); // from "Quit" to "Start Game"
    EXPECT_EQ(Hud->menuCursor, 0);
    Tap(DIK_UP); // and back up to "Quit"
    EXPECT_EQ(Hud->menuCursor, 2);
    Tap(DIK_RIGHT); // no resolution on the main menu
    Tap(DIK_LEFT);
    EXPECT_EQ(Hud->chosenResolution, 1);
    EXPECT_FALSE(Hud->optionsShown);
}

TEST_F(HudTest, OptionsScreenWrapsResolutionsAndOnlyAcceptActs) {
    Tap(DIK_DOWN);
    Tap(DIK_RETURN);
    ASSERT_TRUE(Hud->optionsShown);
    EXPECT_EQ(Hud->menuCursor, 0);

    const int rights[] = {2, 3, 0};
    for (int expected : rights) {
        Tap(DIK_RIGHT);
        EXPECT_EQ(Hud->chosenResolution, expected);
    }
    Tap(DIK_LEFT);
    EXPECT_EQ(Hud->chosenResolution, 3); // from 640x480 back round to 1280x1024
    Tap(DIK_LEFT);
    Tap(DIK_LEFT);
    EXPECT_EQ(Hud->chosenResolution, 1);

    Tap(DIK_RETURN); // row 0: nothing
    EXPECT_TRUE(Hud->optionsShown);
    Tap(DIK_DOWN);
    Tap(DIK_DOWN);
    EXPECT_EQ(Hud->menuCursor, 2);
    Tap(DIK_RETURN); // the empty row: nothing
    EXPECT_TRUE(Hud->optionsShown);

    // "Accept" with the resolution in force: back to the menu, same window.
    HWND window = Main.hWnd;
    HGLRC context = Main.hRC;
    Tap(DIK_UP);
    Tap(DIK_RETURN);
    EXPECT_FALSE(Hud->optionsShown);
    EXPECT_EQ(Hud->menuCursor, 1);
    EXPECT_EQ(Main.hWnd, window);
    EXPECT_EQ(Main.hRC, context);
    EXPECT_EQ(seams::LiveWindows(), 1);
    EXPECT_TRUE(seams::BoxesShown().empty());
}

TEST_F(HudTest, QuitPostsTheQuitMessageAndStartGameEntersTheGame) {
    Tap(DIK_UP);
    Tap(DIK_RETURN);
    MSG msg;
    bool quit = false;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        quit = quit || msg.message == WM_QUIT;
    EXPECT_TRUE(quit);
    EXPECT_EQ(Main.screen, 0);

    Tap(DIK_DOWN); // "Start Game"
    Tap(DIK_RETURN);
    EXPECT_EQ(Main.screen, 1);
    EXPECT_EQ(stCharacter.posX, 1.0f);
    EXPECT_EQ(stCharacter.posZ, 59.0f);
}

TEST_F(HudTest, MenuDrawsBackgroundArrowTextAndCreditLine) {
    ASSERT_TRUE(Hud->menuBackground == 1 || Hud->menuBackground == 2);
    const Rgba background = kBackgrounds[Hud->menuBackground];
    Main.Render();
    EXPECT_TRUE(Near(At(10, 10), background));
    EXPECT_TRUE(Near(At(52, 42), kArrow)); // the arrow on row 0
    EXPECT_TRUE(Near(At(52, 48), background));
    EXPECT_TRUE(Near(At(115, 93), kEmblem));
    for (int row = 0; row < 3; row++)
        EXPECT_GT(RowText(row), 30) << "row " << row;
    EXPECT_GT(WhiteIn(78, 91, 104, 97), 30); // "Corvane  &"
    EXPECT_EQ(HintText(), 0);

    Tap(DIK_DOWN);
    Main.Render();
    EXPECT_TRUE(Near(At(52, 48), kArrow));
    EXPECT_TRUE(Near(At(52, 42), background));

    // The perspective is back after the menu: the next frame's scene needs it.
    GLfloat projection[16];
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    EXPECT_FLOAT_EQ(projection[11], -1.0f);
}

TEST_F(HudTest, ResolutionChangeRebuildsTheWindowAndTheMenuStillWorks) {
    const int background = Hud->menuBackground;
    Tap(DIK_DOWN);
    Tap(DIK_RETURN); // options
    Main.Render();
    EXPECT_GT(HintText(), 30); // the hint line on row 0 only
    EXPECT_GT(RowText(0), 30);
    EXPECT_GT(RowText(1), 30);
    EXPECT_EQ(RowText(2), 0);
    Tap(DIK_DOWN);
    Main.Render();
    EXPECT_EQ(HintText(), 0);
    Tap(DIK_UP);

    Tap(DIK_RIGHT); // 1024x768
    Tap(DIK_DOWN);
    HWND before = Main.hWnd;
    seams::KeyEvent(DIK_RETURN, true);
    Pass(); // "Accept"
    EXPECT_NE(Main.hWnd, before);
    EXPECT_EQ(Main.width, 1024);
    EXPECT_EQ(Main.height, 768);
    int width = 0, height = 0;
    seams::ClientSize(width, height);
    EXPECT_EQ(width, 1024);
    EXPECT_EQ(height, 768);
    EXPECT_EQ(seams::LiveWindows(), 1);
    EXPECT_EQ(seams::LiveContexts(), 1);
    EXPECT_EQ(seams::LiveKeyboards(), 1);
    EXPECT_FALSE(Hud->optionsShown);
    EXPECT_EQ(Hud->menuCursor, 1);
    EXPECT_EQ(Hud->currentResolution, 2);
    EXPECT_EQ(Hud->menuBackground, background);
    // The new keyboard starts empty, so the pass that applied the change ends free.
    EXPECT_FALSE(Hud->keyHeld);

    // Textures and fonts were loaded again into the new context.
    Main.Render();
    EXPECT_TRUE(Near(At(52, 48), kArrow));
    EXPECT_TRUE(Near(At(115, 93), kEmblem));
    EXPECT_TRUE(Near(At(10, 10), kBackgrounds[background]));
    for (int row = 0; row < 3; row++)
        EXPECT_GT(RowText(row), 30) << "row " << row;

    // An Enter still held at the next poll is a new press on "Options".
    Pass();
    EXPECT_TRUE(Hud->optionsShown);
    seams::KeyEvent(DIK_RETURN, false);
}

TEST_F(HudTest, FailedRecreationEndsTheProgram) {
    Tap(DIK_DOWN);
    Tap(DIK_RETURN);
    Tap(DIK_LEFT); // 640x480
    Tap(DIK_DOWN);
    seams::ScriptAnswers({});
    seams::SetFault(seams::Fault::CreateWindow);
    Tap(DIK_RETURN);
    ASSERT_EQ(seams::BoxesShown().size(), 1u);
    EXPECT_EQ(seams::BoxesShown()[0].text, "Window Creation Error.");
    MSG msg;
    bool quit = false;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        quit = quit || msg.message == WM_QUIT;
    EXPECT_TRUE(quit);
    EXPECT_EQ(seams::LiveWindows(), 0);
}

} // namespace
