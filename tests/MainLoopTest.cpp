// The main loop as a whole: WinMain driven by scripted answers, injected input and the
// virtual clock, observed through what was presented and what was left behind.
#include "GameTest.h"
#include "audio/Music.h"

#include <GL/gl.h>
#include <vector>

namespace {

class MainLoopTest : public GameTest {
  protected:
    void SetUp() override {
        GameTest::SetUp();
        seams::ScriptAnswers({IDNO}); // windowed
        seams::UseVirtualClock(5000);
    }

    static void ExpectEverythingReleased() {
        EXPECT_EQ(seams::LiveWindows(), 0);
        EXPECT_EQ(seams::LiveContexts(), 0);
        EXPECT_EQ(seams::HeldDCs(), 0);
        EXPECT_FALSE(seams::ClassRegistered("OpenGL"));
        EXPECT_FALSE(seams::DisplayModeChanged());
        EXPECT_EQ(seams::LiveKeyboards(), 0);
        EXPECT_EQ(seams::LiveMice(), 0);
        EXPECT_EQ(seams::LiveDirectInputs(), 0);
    }
};

TEST_F(MainLoopTest, EscapeEndsTheProgramAfterTheNextPollWithoutPresentingThatFrame) {
    bool pressed = false;
    int presentsWhenPressed = -1;
    seams::SetPumpHook(BoundedPumpHook(200, "no third frame to press Escape after", [&] {
        if (!pressed && seams::Presents() == 3) {
            seams::KeyEvent(DIK_ESCAPE, true);
            pressed = true;
            presentsWhenPressed = seams::Presents();
        }
    }));
    // The Escape key also sends WM_KEYDOWN with VK_ESCAPE (27) as the last message;
    // the exit code is still 0.
    EXPECT_EQ(WinMain(GetModuleHandleA(nullptr), nullptr, nullptr, SW_SHOW), 0);
    ASSERT_TRUE(pressed);
    // The pass in which the key arrived still presents (its quit test sees the previous
    // poll); the next pass sees the key and presents nothing.
    EXPECT_EQ(seams::Presents(), presentsWhenPressed + 1);
    EXPECT_EQ(Main.keys[VK_ESCAPE], 1);
    ExpectEverythingReleased();
}

TEST_F(MainLoopTest, ClosingTheWindowEndsTheLoopBeforeAnotherFrame) {
    uint32_t closedAt = 0;
    seams::SetPumpHook(BoundedPumpHook(200, "the close button did not end the loop", [&] {
        if (closedAt == 0 && seams::Presents() == 2) {
            seams::CloseButton();
            closedAt = seams::VirtualNow();
        }
    }));
    EXPECT_EQ(WinMain(GetModuleHandleA(nullptr), nullptr, nullptr, SW_SHOW), 0);
    EXPECT_EQ(seams::Presents(), 2);
    // No frame (and no frame wait) after the close.
    EXPECT_LT(seams::VirtualNow() - closedAt, kFrameMilliseconds);
    ExpectEverythingReleased();
}

TEST_F(MainLoopTest, QuitMessageEndsTheLoopWithItsExitCode) {
    seams::SetPumpHook(BoundedPumpHook(200, "the quit message did not end the loop", [] {
        if (seams::Presents() == 4)
            PostQuitMessage(7);
    }));
    EXPECT_EQ(WinMain(GetModuleHandleA(nullptr), nullptr, nullptr, SW_SHOW), 7);
    EXPECT_EQ(seams::Presents(), 4);
    ExpectEverythingReleased();
}

TEST_F(MainLoopTest, TerminationSignalLeavesFullScreenAndEndsCleanly) {
    seams::AddDisplayMode(800, 600);
    seams::ScriptAnswers({IDYES});
    bool sent = false;
    seams::SetPumpHook(BoundedPumpHook(200, "the termination signal did not end the loop", [&] {
        if (!sent && seams::Presents() == 2) {
            EXPECT_TRUE(seams::WindowFullscreen());
            EXPECT_TRUE(seams::DisplayModeChanged());
            EXPECT_EQ(seams::CursorCount(), -1);
            seams::Terminate();
            sent = true;
        }
    }));
    EXPECT_EQ(WinMain(GetModuleHandleA(nullptr), nullptr, nullptr, SW_SHOW), 0);
    EXPECT_TRUE(sent);
    EXPECT_EQ(seams::CursorCount(), 0);
    ExpectEverythingReleased();
}

TEST_F(MainLoopTest, MinimisedGameDrawsNoFrameDoesNotWaitAndDoesNotAdvance) {
    enum { Running, Minimised, Restored } phase = Running;
    int mark = 0;
    float timerAtMinimise = 0.0f;
    uint32_t sleptAtMinimise = 0, clockAtMinimise = 0;
    seams::SetPumpHook(BoundedPumpHook(500, "minimise, ten idle passes, restore: not done", [&] {
        const int presents = seams::Presents();
        if (presents == 0) {
            // Dead in the game state, so every drawn frame moves the death timer. (The
            // window's set-up has just given the player full health.)
            stCharacter.health = 0.0f;
            Main.SetScreen(1);
        } else if (phase == Running && presents == 3) {
            seams::Minimize();
            phase = Minimised;
            mark = presents;
        } else if (phase == Minimised && presents == mark + 1) {
            timerAtMinimise = Main.deathTimer;
            sleptAtMinimise = seams::SleptMilliseconds();
            clockAtMinimise = seams::VirtualNow();
        } else if (phase == Minimised && presents == mark + 11) {
            EXPECT_EQ(Main.GetActive(), 0);
            EXPECT_EQ(Main.deathTimer, timerAtMinimise);
            EXPECT_EQ(seams::SleptMilliseconds(), sleptAtMinimise);
            // Ten passes in far less than one frame's time.
            EXPECT_LT(seams::VirtualNow() - clockAtMinimise, kFrameMilliseconds);
            seams::Restore();
            phase = Restored;
            mark = presents;
        } else if (phase == Restored && presents == mark + 3) {
            PostQuitMessage(0);
        }
    }));
    EXPECT_EQ(WinMain(GetModuleHandleA(nullptr), nullptr, nullptr, SW_SHOW), 0);
    ASSERT_EQ(phase, Restored);
    EXPECT_EQ(Main.GetActive(), 1);
    EXPECT_LT(Main.deathTimer, timerAtMinimise); // frames resumed after the restore
}

TEST_F(MainLoopTest, FrameWaitEndsOnTheTwentyFifthTickAcrossTheTickWrap) {
    for (uint32_t start :
         {1000u, 0xFFFFFFF0u, 0xFFFFFFFFu - 24u, 0xFFFFFFFFu - 25u, 0xFFFFFFFFu, 0u}) {
        seams::UseVirtualClock(start, 1);
        const uint32_t sleptBefore = seams::SleptMilliseconds();
        Main.Render();
        EXPECT_EQ(Main.frameStart, start);
        // Every read moves the clock on by one tick, so the read that ended the wait saw
        // one tick less than the clock shows now: it must have seen exactly 25 ticks, not
        // a tick more.
        const uint32_t endedAt = seams::VirtualNow() - 1u - Main.frameStart;
        EXPECT_EQ(endedAt, kFrameMilliseconds) << "start " << start;
        // Most of the wait is slept, not spun.
        EXPECT_GE(seams::SleptMilliseconds() - sleptBefore, kFrameMilliseconds - 3)
            << "start " << start;
    }
}

TEST_F(MainLoopTest, DeathTimerCrossesItsThresholdsAtTheDesignedFramesAndStops) {
    // Game frames choose the room's tune: the music is set up first, as the GL set-up
    // does before any frame (its constructor leaves the track table unset).
    MusicMgr->InitSound();
    Main.SetScreen(1);
    stCharacter.health = 30.0f;
    for (int i = 0; i < 20; i++)
        Main.RenderGame();
    EXPECT_EQ(Main.deathTimer, 1.0f); // alive: no fade

    stCharacter.health = 0.0f;
    const float thresholds[] = {0.0f, -0.5f, -1.0f, -2.0f, -3.0f};
    const int expectedFrames[] = {101, 151, 201, 301, 401};
    int crossedAt[5] = {0, 0, 0, 0, 0};
    int steps = 0;
    for (int frame = 1; frame <= 600; frame++) {
        const float before = Main.deathTimer;
        Main.RenderGame();
        if (Main.deathTimer != before)
            steps++;
        for (int t = 0; t < 5; t++)
            if (crossedAt[t] == 0 && Main.deathTimer < thresholds[t])
                crossedAt[t] = frame;
    }
    for (int t = 0; t < 5; t++)
        EXPECT_EQ(crossedAt[t], expectedFrames[t]) << "threshold " << thresholds[t];
    EXPECT_EQ(steps, 410);
    EXPECT_NEAR(Main.deathTimer, -3.0999968f, 1e-6f);
    EXPECT_GT(Main.deathTimer, -3.1f);
}

TEST_F(MainLoopTest, EnteringTheGamePlacesPlayerCameraAndMouse) {
    OpenWindow();
    ASSERT_NE(Mouse, nullptr);
    stCharacter.posX = 50.0f;
    stCharacter.posZ = 40.0f;
    TheCamera.pitch = 0.0f;

    Main.SetScreen(0);
    EXPECT_EQ(Main.screen, 0);
    EXPECT_EQ(stCharacter.posX, 50.0f);
    EXPECT_EQ(Mouse->posX, 0.0f);

    Main.SetScreen(1);
    EXPECT_EQ(Main.screen, 1);
    EXPECT_EQ(stCharacter.posX, 1.0f);
    EXPECT_EQ(stCharacter.posZ, 59.0f);
    EXPECT_EQ(TheCamera.trackX, -48.0f);
    EXPECT_EQ(TheCamera.trackZ, -19.0f);
    EXPECT_EQ(TheCamera.pitch, 13.0f);
    EXPECT_EQ(Mouse->posX, 91.0f);
    Main.KillGLWindow();
}

TEST_F(MainLoopTest, EveryFrameClearsToBlack) {
    OpenWindow();
    Main.SetScreen(1); // the game state: nothing of the HUD covers the top rows
    // Something red over the whole view, then one frame.
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glDisable(GL_DEPTH_TEST);
    glColor3f(1.0f, 0.0f, 0.0f);
    glBegin(GL_QUADS);
    glVertex2f(-1, -1);
    glVertex2f(1, -1);
    glVertex2f(1, 1);
    glVertex2f(-1, 1);
    glEnd();
    glEnable(GL_DEPTH_TEST);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    unsigned char pixel[4] = {};
    glReadPixels(400, 300, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
    ASSERT_EQ(pixel[0], 255);

    Main.Render();
    // The top row looks above the horizon, where no floor is drawn.
    glReadPixels(400, 595, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
    EXPECT_EQ(pixel[0], 0);
    EXPECT_EQ(pixel[1], 0);
    EXPECT_EQ(pixel[2], 0);
    Main.KillGLWindow();
}

} // namespace
