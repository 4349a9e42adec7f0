// Keyboard and mouse: the snapshot per poll, scan codes, acquisition as the window
// gains and loses the foreground, and the device lifecycle across a re-created window.
#include "GameTest.h"

#include <SDL2/SDL_scancode.h>
#include <set>

namespace {

class InputTest : public GameTest {
  protected:
    void SetUp() override {
        GameTest::SetUp();
        OpenWindow();
        ASSERT_NE(Keyboard, nullptr);
        ASSERT_NE(Mouse, nullptr);
    }
};

TEST_F(InputTest, ScanCodesAreReadAsUnsignedBytes) {
    seams::KeyEvent(DIK_DOWN, true);
    Input->Update();
    EXPECT_TRUE(Input->KeyDown(-48)); // 0xD0 written as a signed byte
    EXPECT_TRUE(Input->KeyDown(DIK_DOWN));
    EXPECT_FALSE(Input->KeyUp(-48));
    EXPECT_FALSE(Input->KeyDown(DIK_ESCAPE));
    EXPECT_TRUE(Input->KeyUp(DIK_ESCAPE));

    seams::KeyEvent(DIK_ESCAPE, true);
    EXPECT_FALSE(Input->KeyDown(DIK_ESCAPE)); // not before the next poll
    Input->Update();
    EXPECT_TRUE(Input->KeyDown(1));
}

TEST_F(InputTest, HeldKeyReadsDownOnEveryPollUntilReleased) {
    seams::KeyEvent(DIK_W, true);
    for (int pass = 0; pass < 5; pass++) {
        Input->Update();
        EXPECT_TRUE(Input->KeyDown(DIK_W)) << "pass " << pass;
    }
    seams::KeyEvent(DIK_W, false);
    Input->Update();
    EXPECT_FALSE(Input->KeyDown(DIK_W));
}

TEST_F(InputTest, TapsShorterThanAPollAreSeenByOnePoll) {
    seams::KeyEvent(DIK_RETURN, true);
    seams::KeyEvent(DIK_RETURN, false);
    seams::MouseButton(1, true);
    seams::MouseButton(1, false);
    Input->Update();
    EXPECT_TRUE(Input->KeyDown(DIK_RETURN));
    EXPECT_TRUE(Input->ButtonDown(1));
    Input->Update();
    EXPECT_FALSE(Input->KeyDown(DIK_RETURN));
    EXPECT_FALSE(Input->ButtonDown(1));

    // A press that a poll has seen is released at once.
    seams::KeyEvent(DIK_RETURN, true);
    Input->Update();
    seams::KeyEvent(DIK_RETURN, false);
    Input->Update();
    EXPECT_FALSE(Input->KeyDown(DIK_RETURN));
}

TEST_F(InputTest, EveryKeyOfAStandardKeyboardHasItsOwnScanCode) {
    std::set<int> seen;
    int keys = 0;
    for (int sc = SDL_SCANCODE_A; sc <= SDL_SCANCODE_RGUI; sc++) {
        // The block of a 105-key PC keyboard plus the keypad and the Windows keys.
        const bool standard = sc <= SDL_SCANCODE_KP_PERIOD || sc == SDL_SCANCODE_NONUSBACKSLASH ||
                              sc == SDL_SCANCODE_APPLICATION || sc >= SDL_SCANCODE_LCTRL;
        if (!standard || sc == SDL_SCANCODE_NONUSHASH)
            continue;
        keys++;
        seams::ScancodeEvent(sc, true);
        Input->Update();
        int down = -1, count = 0;
        for (int dik = 0; dik < 256; dik++)
            if (Keyboard->keyState[dik] & 0x80) {
                down = dik;
                count++;
            }
        EXPECT_EQ(count, 1) << "SDL scancode " << sc;
        EXPECT_TRUE(seen.insert(down).second) << "SDL scancode " << sc << " reuses " << down;
        seams::ScancodeEvent(sc, false);
    }
    EXPECT_EQ(keys, 105); // an ISO PC keyboard (its hash key sits where backslash is)
    // A few fixed points of the DirectInput layout.
    const struct {
        int sdl;
        int dik;
    } fixed[] = {{SDL_SCANCODE_A, 0x1E},        {SDL_SCANCODE_ESCAPE, 0x01},
                 {SDL_SCANCODE_GRAVE, 0x29},    {SDL_SCANCODE_KP_DIVIDE, 0xB5},
                 {SDL_SCANCODE_RCTRL, 0x9D},    {SDL_SCANCODE_UP, 0xC8},
                 {SDL_SCANCODE_KP_ENTER, 0x9C}, {SDL_SCANCODE_F11, 0x57}};
    for (const auto &f : fixed) {
        seams::ScancodeEvent(f.sdl, true);
        Input->Update();
        EXPECT_TRUE(Keyboard->keyState[f.dik] & 0x80) << "SDL scancode " << f.sdl;
        seams::ScancodeEvent(f.sdl, false);
    }
}

TEST_F(InputTest, MouseReportsMotionAndWheelSinceThePreviousPoll) {
    seams::MouseMotion(5, -3);
    seams::MouseMotion(2, 1);
    seams::MouseWheel(-1);
    seams::MouseButton(0, true);
    Input->Update();
    float dx = 99.0f, dy = 99.0f;
    Input->GetMouseMovement(dx, dy);
    EXPECT_EQ(dx, 7.0f);
    EXPECT_EQ(dy, -2.0f);
    EXPECT_EQ(Input->GetMouseWheelMovement(), -120);
    EXPECT_TRUE(Input->ButtonDown(0));
    EXPECT_TRUE(Input->ButtonUp(1));
    EXPECT_FALSE(Input->ButtonDown(7)); // no such button
    EXPECT_TRUE(seams::RelativeMouse());

    Input->Update();
    Input->GetMouseMovement(dx, dy);
    EXPECT_EQ(dx, 0.0f);
    EXPECT_EQ(dy, 0.0f);
    EXPECT_EQ(Input->GetMouseWheelMovement(), 0);
    EXPECT_TRUE(Input->ButtonDown(0)); // still held
}

TEST_F(InputTest, MinimisingReleasesTheDevicesAndClearsTheKeys) {
    seams::KeyEvent(DIK_A, true);
    Input->Update();
    ASSERT_TRUE(Input->KeyDown(DIK_A));

    seams::Minimize();
    DrainMessages();
    EXPECT_EQ(Main.GetActive(), 0);
    EXPECT_FALSE(Input->KeyDown(DIK_A)); // from the deactivation on
    EXPECT_FALSE(seams::RelativeMouse());
    // While minimised nothing can be acquired: the table stays clear.
    EXPECT_TRUE(Input->Update());
    EXPECT_FALSE(Keyboard->Update());
    EXPECT_FALSE(Input->KeyDown(DIK_A));

    seams::Restore();
    DrainMessages();
    EXPECT_EQ(Main.GetActive(), 1);
    EXPECT_FALSE(Input->KeyDown(DIK_A)); // still up until the next poll
    Input->Update();
    EXPECT_TRUE(Input->KeyDown(DIK_A));
    EXPECT_TRUE(seams::RelativeMouse());
}

TEST_F(InputTest, BackgroundWindowStaysActiveButReadsNoInput) {
    seams::KeyEvent(DIK_S, true);
    seams::MouseMotion(40, 0);
    Input->Update();
    ASSERT_TRUE(Input->KeyDown(DIK_S));

    seams::FocusLost();
    DrainMessages();
    EXPECT_EQ(Main.GetActive(), 1); // only minimising stops the frames
    EXPECT_FALSE(seams::RelativeMouse());
    for (int pass = 0; pass < 3; pass++) {
        seams::MouseMotion(40, 0); // the pointer moving over other windows
        Input->Update();
        EXPECT_FALSE(Input->KeyDown(DIK_S));
        float dx = 1.0f, dy = 1.0f;
        Input->GetMouseMovement(dx, dy);
        EXPECT_EQ(dx, 0.0f) << "the last motion must not repeat";
    }

    seams::FocusGained();
    DrainMessages();
    Input->Update();
    EXPECT_TRUE(Input->KeyDown(DIK_S));
}

TEST_F(InputTest, KeyboardOnlyInitializeCreatesNoMouse) {
    Input->Shutdown();
    ASSERT_TRUE(Input->Initialize(Main.hWnd, Main.hInstance, true, 1));
    EXPECT_NE(Keyboard, nullptr);
    EXPECT_EQ(Mouse, nullptr);
    seams::MouseButton(0, true);
    Input->Update();
    EXPECT_FALSE(Input->ButtonDown(0));
    EXPECT_FALSE(Input->ButtonUp(0));
    EXPECT_EQ(Input->GetMouseWheelMovement(), 0);
    float dx = 3.0f, dy = 4.0f;
    Input->GetMouseMovement(dx, dy);
    EXPECT_EQ(dx, 3.0f); // untouched without a mouse
    EXPECT_EQ(dy, 4.0f);
}

TEST_F(InputTest, ShutdownThenInitializeGivesOneWorkingKeyboardAndMouse) {
    seams::KeyEvent(DIK_D, true);
    Input->Shutdown();
    EXPECT_EQ(Keyboard, nullptr);
    EXPECT_EQ(Mouse, nullptr);
    EXPECT_EQ(seams::LiveKeyboards(), 0);
    EXPECT_EQ(seams::LiveMice(), 0);
    EXPECT_EQ(seams::LiveDirectInputs(), 0);
    EXPECT_FALSE(seams::RelativeMouse());
    EXPECT_FALSE(Input->KeyDown(DIK_D));
    EXPECT_FALSE(Input->KeyUp(DIK_D));
    Input->AcquireAll(); // as a new window's activation would, before Initialize
    Input->UnacquireAll();

    ASSERT_TRUE(Input->Initialize(Main.hWnd, Main.hInstance, true, 3));
    EXPECT_EQ(seams::LiveKeyboards(), 1);
    EXPECT_EQ(seams::LiveMice(), 1);
    EXPECT_EQ(seams::LiveDirectInputs(), 1);
    EXPECT_TRUE(seams::RelativeMouse());
    seams::MouseMotion(-6, 9);
    Input->Update();
    EXPECT_TRUE(Input->KeyDown(DIK_D));
    float dx = 0.0f, dy = 0.0f;
    Input->GetMouseMovement(dx, dy);
    EXPECT_EQ(dx, -6.0f);
    EXPECT_EQ(dy, 9.0f);
}

TEST_F(InputTest, OnlyOneExclusiveMouseAtATime) {
    LPDIRECTINPUT8 di = nullptr;
    ASSERT_EQ(DirectInput8Create(Main.hInstance, DIRECTINPUT_VERSION, IID_IDirectInput8,
                                 reinterpret_cast<LPVOID *>(&di), nullptr),
              DI_OK);
    LPDIRECTINPUTDEVICE8 second = nullptr;
    ASSERT_EQ(di->CreateDevice(GUID_SysMouse, &second, nullptr), DI_OK);
    ASSERT_EQ(second->SetDataFormat(&c_dfDIMouse), DI_OK);
    ASSERT_EQ(second->SetCooperativeLevel(Main.hWnd, DISCL_EXCLUSIVE | DISCL_FOREGROUND), DI_OK);
    EXPECT_EQ(second->Acquire(), DIERR_OTHERAPPHASPRIO);
    Mouse->Unacquire();
    EXPECT_EQ(second->Acquire(), DI_OK);
    second->Release();
    di->Release();
}

TEST(InputWithoutDevices, QueriesBeforeInitializeAnswerNothingAndDoNoHarm) {
    seams::Reset();
    RebuildMain();
    ASSERT_NE(Input, nullptr);
    EXPECT_EQ(Keyboard, nullptr);
    EXPECT_EQ(Mouse, nullptr);
    EXPECT_FALSE(Input->KeyDown(DIK_ESCAPE));
    EXPECT_FALSE(Input->KeyUp(DIK_ESCAPE));
    EXPECT_FALSE(Input->ButtonDown(0));
    EXPECT_FALSE(Input->ButtonUp(0));
    EXPECT_EQ(Input->GetMouseWheelMovement(), 0);
    Input->AcquireAll();
    Input->UnacquireAll();
    EXPECT_TRUE(Input->Update());
    EXPECT_TRUE(Input->Shutdown());

    // DirectInput itself unavailable: Initialize fails and nothing exists.
    seams::SetFault(seams::Fault::DirectInputCreate);
    EXPECT_FALSE(Input->Initialize(nullptr, GetModuleHandleA(nullptr), true, 3));
    EXPECT_EQ(Keyboard, nullptr);
    EXPECT_EQ(Mouse, nullptr);
    EXPECT_EQ(Input->directInput, nullptr);
}

} // namespace
