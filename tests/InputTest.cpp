// Keyboard and mouse as the desktop delivers them: real SDL events in SDL's own queue,
// picked up by the message pump and read back through the game's input system; what one
// poll sees; and the devices as the window is minimised, loses the focus or is made anew.
#include "Harness.h"

#include <SDL2/SDL.h>

namespace {

class InputTest : public GameTest {
  protected:
    void SetUp() override {
        GameTest::SetUp();
        OpenWindow();
        ASSERT_TRUE(Keyboard && Mouse);
    }
    // The message pump and the poll of one pass of the main loop.
    static void Deliver() {
        DrainMessages();
        ASSERT_TRUE(Input->Update());
    }
    static std::vector<int> KeysDown() {
        std::vector<int> down;
        for (int dik = 0; dik < 256; dik++)
            if (Keyboard->keyState[dik] & 0x80)
                down.push_back(dik);
        return down;
    }
    static std::pair<float, float> Motion() {
        float dx = 0.5f, dy = 0.5f;
        Input->GetMouseMovement(dx, dy);
        return {dx, dy};
    }
};

TEST_F(InputTest, EveryKeyArrivesFromTheDesktopAsItsOwnScanCode) {
    // Every key of a 105-key PC keyboard with its keypad: one scan code each, held while
    // the key is, and no two keys alike.
    std::map<int, int> dikOf;
    for (int sc = SDL_SCANCODE_A; sc <= SDL_SCANCODE_RGUI; sc++) {
        if (sc == SDL_SCANCODE_NONUSHASH ||
            (sc > SDL_SCANCODE_KP_PERIOD && sc < SDL_SCANCODE_LCTRL &&
             sc != SDL_SCANCODE_NONUSBACKSLASH && sc != SDL_SCANCODE_APPLICATION))
            continue;
        SCOPED_TRACE(SDL_GetScancodeName(SDL_Scancode(sc)));
        ASSERT_TRUE(seams::SdlKey(sc, true));
        Deliver();
        const std::vector<int> down = KeysDown();
        ASSERT_EQ(down.size(), 1u);
        Deliver();
        EXPECT_EQ(KeysDown(), down) << "held";
        ASSERT_TRUE(seams::SdlKey(sc, false));
        Deliver();
        EXPECT_TRUE(KeysDown().empty());
        dikOf[sc] = down[0];
    }
    std::set<int> distinct;
    for (const auto &k : dikOf)
        distinct.insert(k.second);
    EXPECT_EQ(dikOf.size(), 105u);
    EXPECT_EQ(distinct.size(), dikOf.size());

    // The keys the game reads, by the numbers of DirectInput's layout and by the game's names.
    const struct {
        int sdl, number, name;
    } keys[] = {
        // clang-format off
        {SDL_SCANCODE_W, 0x11, DIK_W}, {SDL_SCANCODE_A, 0x1E, DIK_A}, {SDL_SCANCODE_S, 0x1F, DIK_S},
        {SDL_SCANCODE_D, 0x20, DIK_D}, {SDL_SCANCODE_COMMA, 0x33, DIK_COMMA},
        {SDL_SCANCODE_PERIOD, 0x34, DIK_PERIOD}, {SDL_SCANCODE_GRAVE, 0x29, DIK_GRAVE},
        {SDL_SCANCODE_1, 0x02, DIK_1}, {SDL_SCANCODE_2, 0x03, DIK_2}, {SDL_SCANCODE_3, 0x04, DIK_3},
        {SDL_SCANCODE_I, 0x17, DIK_I}, {SDL_SCANCODE_O, 0x18, DIK_O}, {SDL_SCANCODE_P, 0x19, DIK_P},
        {SDL_SCANCODE_ESCAPE, 0x01, DIK_ESCAPE}, {SDL_SCANCODE_RETURN, 0x1C, DIK_RETURN},
        {SDL_SCANCODE_UP, 0xC8, DIK_UP}, {SDL_SCANCODE_DOWN, 0xD0, DIK_DOWN},
        {SDL_SCANCODE_LEFT, 0xCB, DIK_LEFT}, {SDL_SCANCODE_RIGHT, 0xCD, DIK_RIGHT},
        {SDL_SCANCODE_LEFTBRACKET, 0x1A, DIK_LBRACKET}, {SDL_SCANCODE_F9, 0x43, DIK_F9},
        {SDL_SCANCODE_KP_MINUS, 0x4A, DIK_SUBTRACT}, {SDL_SCANCODE_KP_DIVIDE, 0xB5, DIK_DIVIDE},
        {SDL_SCANCODE_RCTRL, 0x9D, DIK_RCONTROL}, {SDL_SCANCODE_KP_ENTER, 0x9C, DIK_NUMPADENTER},
        // clang-format on
    };
    for (const auto &k : keys) {
        EXPECT_EQ(dikOf[k.sdl], k.number) << SDL_GetScancodeName(SDL_Scancode(k.sdl));
        EXPECT_EQ(k.name, k.number)
            << "the game's name for " << SDL_GetScancodeName(SDL_Scancode(k.sdl));
    }
    // Held together, each key stays itself: walking forward while drawing farther.
    for (int sc : {SDL_SCANCODE_PERIOD, SDL_SCANCODE_W, SDL_SCANCODE_COMMA})
        seams::SdlKey(sc, true);
    Deliver();
    EXPECT_EQ(KeysDown(), (std::vector<int>{DIK_W, DIK_COMMA, DIK_PERIOD}));
    seams::SdlKey(SDL_SCANCODE_COMMA, false);
    Deliver();
    EXPECT_TRUE(Input->KeyDown(DIK_W) && Input->KeyDown(DIK_PERIOD) && Input->KeyUp(DIK_COMMA));
}

TEST_F(InputTest, ButtonsWheelAndMotionArriveAsDirectInputReportsThem) {
    // DirectInput's buttons: 0 left, 1 right, 2 middle.
    for (const auto &[sdl, index] : {std::pair{SDL_BUTTON_LEFT, 0}, std::pair{SDL_BUTTON_RIGHT, 1},
                                     std::pair{SDL_BUTTON_MIDDLE, 2}}) {
        ASSERT_TRUE(seams::SdlMouseButton(sdl, true));
        Deliver();
        for (int b = 0; b < 4; b++)
            EXPECT_EQ(Input->ButtonDown(b), b == index) << "SDL button " << sdl << ", index " << b;
        ASSERT_TRUE(seams::SdlMouseButton(sdl, false));
        Deliver();
        EXPECT_TRUE(Input->ButtonUp(index));
    }
    // 120 a notch, positive when rolled away from the user, whichever way the desktop
    // reports it; once only.
    const struct {
        int y;
        bool flipped;
        int lZ;
    } rolls[] = {
        {1, false, 120}, {-1, false, -120}, {3, false, 360}, {1, true, -120}, {-2, true, 240}};
    for (const auto &r : rolls) {
        ASSERT_TRUE(seams::SdlMouseWheel(r.y, r.flipped));
        Deliver();
        EXPECT_EQ(Input->GetMouseWheelMovement(), r.lZ) << r.y << (r.flipped ? " flipped" : "");
        Deliver();
        EXPECT_EQ(Input->GetMouseWheelMovement(), 0);
    }
    // The motion since the previous poll, and none at the next.
    ASSERT_TRUE(seams::SdlMouseMotion(7, -4) && seams::SdlMouseMotion(-2, 1));
    Deliver();
    EXPECT_EQ(Motion(), std::make_pair(5.0f, -3.0f));
    ASSERT_TRUE(seams::SdlMouseMotion(0, -11));
    Deliver();
    EXPECT_EQ(Motion(), std::make_pair(0.0f, -11.0f));
    Deliver();
    EXPECT_EQ(Motion(), std::make_pair(0.0f, 0.0f));
    EXPECT_TRUE(seams::RelativeMouse());
}

TEST_F(InputTest, APollSeesWhatHappenedSinceTheLastOne) {
    seams::KeyEvent(DIK_DOWN, true);
    EXPECT_FALSE(Input->KeyDown(DIK_DOWN)) << "not before the poll";
    Input->Update();
    EXPECT_TRUE(Input->KeyDown(-48) && Input->KeyDown(DIK_DOWN)); // 0xD0 as a signed byte
    EXPECT_FALSE(Input->KeyUp(-48) || Input->KeyDown(DIK_ESCAPE) || Input->ButtonDown(7));
    seams::KeyEvent(DIK_DOWN, false);

    // A tap shorter than a poll is seen by one poll; a press a poll has seen ends at once.
    seams::KeyEvent(DIK_RETURN, true);
    seams::KeyEvent(DIK_RETURN, false);
    seams::MouseButton(1, true);
    seams::MouseButton(1, false);
    Input->Update();
    EXPECT_TRUE(Input->KeyDown(DIK_RETURN) && Input->ButtonDown(1));
    Input->Update();
    EXPECT_FALSE(Input->KeyDown(DIK_RETURN) || Input->ButtonDown(1));
    seams::KeyEvent(DIK_RETURN, true);
    Input->Update();
    seams::KeyEvent(DIK_RETURN, false);
    Input->Update();
    EXPECT_FALSE(Input->KeyDown(DIK_RETURN));
}

TEST_F(InputTest, TheDevicesFollowTheWindowThroughMinimiseFocusAndANewStart) {
    seams::KeyEvent(DIK_A, true);
    Input->Update();
    // Minimised: the devices are let go, the keys read up, and nothing can be acquired.
    seams::Minimize();
    DrainMessages();
    EXPECT_EQ(Main.GetActive(), 0);
    EXPECT_FALSE(Input->KeyDown(DIK_A) || seams::RelativeMouse() || Keyboard->Update());
    seams::Restore();
    DrainMessages();
    EXPECT_FALSE(Input->KeyDown(DIK_A)) << "up until the next poll";
    Input->Update();
    EXPECT_TRUE(Input->KeyDown(DIK_A) && seams::RelativeMouse() && Main.GetActive());
    seams::MouseMotion(40, 0);
    Input->Update();
    EXPECT_EQ(Motion(), std::make_pair(40.0f, 0.0f));

    // In the background the game goes on but reads no input, and the last motion does
    // not repeat.
    seams::FocusLost();
    DrainMessages();
    EXPECT_EQ(Main.GetActive(), 1);
    for (int pass = 0; pass < 3; pass++) {
        seams::MouseMotion(40, 0); // the pointer moving over other windows
        Input->Update();
        EXPECT_FALSE(Input->KeyDown(DIK_A) || seams::RelativeMouse());
        EXPECT_EQ(Motion(), std::make_pair(0.0f, 0.0f));
    }
    seams::FocusGained();
    DrainMessages();
    Input->Update();
    EXPECT_TRUE(Input->KeyDown(DIK_A));

    // Without DirectInput nothing is made. (Shut down and started again: every change of
    // resolution, WindowTest.)
    seams::KeyEvent(DIK_A, false);
    Input->Shutdown();
    seams::SetFault(seams::Fault::DirectInputCreate);
    EXPECT_FALSE(Input->Initialize(Main.hWnd, Main.hInstance, true, 3));
    EXPECT_FALSE(Keyboard || Mouse || Input->directInput);
}

} // namespace
