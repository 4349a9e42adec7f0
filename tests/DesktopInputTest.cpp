// Keys and mouse as the desktop delivers them: real SDL events in SDL's own queue, picked
// up by the message pump of the main loop and read back through the game's input
// system. Every key the game reads must arrive as its DirectInput scan code and as
// nothing else; the buttons, the wheel and the motion as DirectInput reports them.
#include "GameTest.h"

#include <SDL2/SDL.h>

#include <string>
#include <vector>

namespace {

class DesktopInputTest : public GameTest {
  protected:
    void SetUp() override {
        GameTest::SetUp();
        OpenWindow();
        ASSERT_NE(Keyboard, nullptr);
        ASSERT_NE(Mouse, nullptr);
        Deliver();
        ASSERT_TRUE(KeysDown().empty()) << "a key is down before any was pressed";
    }

    // One pass of the main loop as far as input goes: the queued messages handed to the
    // window, then the devices polled.
    static void Deliver() {
        DrainMessages();
        ASSERT_TRUE(Input->Update());
    }

    // Every scan code the keyboard reports down at the last poll.
    static std::vector<int> KeysDown() {
        std::vector<int> down;
        for (int dik = 0; dik < 256; dik++)
            if (Keyboard->keyState[dik] & 0x80)
                down.push_back(dik);
        return down;
    }
    static std::vector<int> ButtonsDown() {
        std::vector<int> down;
        for (int b = 0; b < 4; b++)
            if (Mouse->state.rgbButtons[b] & 0x80)
                down.push_back(b);
        return down;
    }
};

TEST_F(DesktopInputTest, EveryKeyTheGameReadsArrivesAsItsOwnScanCode) {
    // The scan codes of a standard PC keyboard as DirectInput numbers them, next to the
    // names the game reads them by.
    const struct {
        SDL_Scancode sdl;
        int dik;      // DirectInput's number for the key
        int gameName; // the DIK_ constant the game compares with
        const char *key;
    } keys[] = {
        {SDL_SCANCODE_W, 0x11, DIK_W, "W"},
        {SDL_SCANCODE_A, 0x1E, DIK_A, "A"},
        {SDL_SCANCODE_S, 0x1F, DIK_S, "S"},
        {SDL_SCANCODE_D, 0x20, DIK_D, "D"},
        {SDL_SCANCODE_COMMA, 0x33, DIK_COMMA, "comma"},
        {SDL_SCANCODE_PERIOD, 0x34, DIK_PERIOD, "full stop"},
        {SDL_SCANCODE_GRAVE, 0x29, DIK_GRAVE, "grave"},
        {SDL_SCANCODE_1, 0x02, DIK_1, "1"},
        {SDL_SCANCODE_2, 0x03, DIK_2, "2"},
        {SDL_SCANCODE_3, 0x04, DIK_3, "3"},
        {SDL_SCANCODE_4, 0x05, DIK_4, "4"},
        {SDL_SCANCODE_I, 0x17, DIK_I, "I"},
        {SDL_SCANCODE_O, 0x18, DIK_O, "O"},
        {SDL_SCANCODE_P, 0x19, DIK_P, "P"},
        {SDL_SCANCODE_ESCAPE, 0x01, DIK_ESCAPE, "Escape"},
        {SDL_SCANCODE_RETURN, 0x1C, DIK_RETURN, "Return"},
        {SDL_SCANCODE_UP, 0xC8, DIK_UP, "up arrow"},
        {SDL_SCANCODE_DOWN, 0xD0, DIK_DOWN, "down arrow"},
        {SDL_SCANCODE_LEFT, 0xCB, DIK_LEFT, "left arrow"},
        {SDL_SCANCODE_RIGHT, 0xCD, DIK_RIGHT, "right arrow"},
        {SDL_SCANCODE_LEFTBRACKET, 0x1A, DIK_LBRACKET, "left bracket"},
        {SDL_SCANCODE_RIGHTBRACKET, 0x1B, DIK_RBRACKET, "right bracket"},
        {SDL_SCANCODE_F2, 0x3C, DIK_F2, "F2"},
        {SDL_SCANCODE_F3, 0x3D, DIK_F3, "F3"},
        {SDL_SCANCODE_F5, 0x3F, DIK_F5, "F5"},
        {SDL_SCANCODE_F9, 0x43, DIK_F9, "F9"},
        {SDL_SCANCODE_G, 0x22, DIK_G, "G"},
        {SDL_SCANCODE_C, 0x2E, DIK_C, "C"},
        {SDL_SCANCODE_BACKSPACE, 0x0E, DIK_BACK, "Backspace"},
        {SDL_SCANCODE_KP_MULTIPLY, 0x37, DIK_MULTIPLY, "keypad multiply"},
        {SDL_SCANCODE_KP_DIVIDE, 0xB5, DIK_DIVIDE, "keypad divide"},
        {SDL_SCANCODE_KP_PLUS, 0x4E, DIK_ADD, "keypad plus"},
        {SDL_SCANCODE_KP_MINUS, 0x4A, DIK_SUBTRACT, "keypad minus"},
    };
    for (const auto &k : keys) {
        SCOPED_TRACE(k.key);
        ASSERT_EQ(k.gameName, k.dik) << "the game's name for the key has the wrong number";
        ASSERT_TRUE(seams::SdlKey(k.sdl, true));
        Deliver();
        EXPECT_EQ(KeysDown(), std::vector<int>{k.dik});
        EXPECT_TRUE(Input->KeyDown(k.gameName));
        // Still down at the next pass, for as long as it is held.
        Deliver();
        EXPECT_EQ(KeysDown(), std::vector<int>{k.dik});

        ASSERT_TRUE(seams::SdlKey(k.sdl, false));
        Deliver();
        EXPECT_EQ(KeysDown(), std::vector<int>{});
        EXPECT_TRUE(Input->KeyUp(k.gameName));
    }

    // Held together, each key stays itself: walking forward while drawing farther.
    ASSERT_TRUE(seams::SdlKey(SDL_SCANCODE_PERIOD, true));
    ASSERT_TRUE(seams::SdlKey(SDL_SCANCODE_W, true));
    ASSERT_TRUE(seams::SdlKey(SDL_SCANCODE_COMMA, true));
    Deliver();
    EXPECT_EQ(KeysDown(), (std::vector<int>{0x11, 0x33, 0x34}));
    ASSERT_TRUE(seams::SdlKey(SDL_SCANCODE_COMMA, false));
    Deliver();
    EXPECT_EQ(KeysDown(), (std::vector<int>{0x11, 0x34}));
}

TEST_F(DesktopInputTest, MouseButtonsArriveAsLeftRightMiddle) {
    const struct {
        int sdl;
        int index; // DirectInput: 0 left, 1 right, 2 middle
        const char *name;
    } buttons[] = {
        {SDL_BUTTON_LEFT, 0, "left"},
        {SDL_BUTTON_RIGHT, 1, "right"},
        {SDL_BUTTON_MIDDLE, 2, "middle"},
    };
    for (const auto &b : buttons) {
        SCOPED_TRACE(b.name);
        ASSERT_TRUE(seams::SdlMouseButton(b.sdl, true));
        Deliver();
        EXPECT_EQ(ButtonsDown(), std::vector<int>{b.index});
        EXPECT_TRUE(Input->ButtonDown(b.index));
        ASSERT_TRUE(seams::SdlMouseButton(b.sdl, false));
        Deliver();
        EXPECT_EQ(ButtonsDown(), std::vector<int>{});
    }
}

TEST_F(DesktopInputTest, WheelAwayFromTheUserIsPositiveEvenWhenTheDesktopFlipsIt) {
    const struct {
        int y;
        bool flipped;
        int lZ; // 120 per notch, positive when rolled away from the user
        const char *name;
    } rolls[] = {
        {1, false, 120, "one notch away"},
        {-1, false, -120, "one notch toward"},
        {3, false, 360, "three notches away"},
        {1, true, -120, "flipped: one notch toward"},
        {-2, true, 240, "flipped: two notches away"},
    };
    for (const auto &r : rolls) {
        SCOPED_TRACE(r.name);
        ASSERT_TRUE(seams::SdlMouseWheel(r.y, r.flipped));
        Deliver();
        EXPECT_EQ(Mouse->state.lZ, r.lZ);
        EXPECT_EQ(Input->GetMouseWheelMovement(), r.lZ);
        Deliver(); // reported once only
        EXPECT_EQ(Input->GetMouseWheelMovement(), 0);
    }
}

TEST_F(DesktopInputTest, MotionArrivesAsTheMovementSinceThePreviousPoll) {
    ASSERT_TRUE(seams::SdlMouseMotion(7, -4));
    ASSERT_TRUE(seams::SdlMouseMotion(-2, 1));
    Deliver();
    EXPECT_EQ(Mouse->state.lX, 5);
    EXPECT_EQ(Mouse->state.lY, -3);
    float dx = 0.0f, dy = 0.0f;
    Input->GetMouseMovement(dx, dy);
    EXPECT_EQ(dx, 5.0f);
    EXPECT_EQ(dy, -3.0f);

    ASSERT_TRUE(seams::SdlMouseMotion(0, -11));
    Deliver();
    EXPECT_EQ(Mouse->state.lX, 0);
    EXPECT_EQ(Mouse->state.lY, -11);
    Deliver();
    EXPECT_EQ(Mouse->state.lX, 0);
    EXPECT_EQ(Mouse->state.lY, 0);
}

} // namespace
