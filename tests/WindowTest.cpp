// Creating and destroying the window and GL context: the questions asked, every error
// box, and that a failure leaves nothing behind.
#include "GameTest.h"

#include <GL/gl.h>
#include <SDL2/SDL.h>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using Boxes = std::vector<seams::Box>;

const unsigned kErrorType = MB_OK | MB_ICONEXCLAMATION;
const unsigned kShutdownType = MB_OK | MB_ICONINFORMATION;

void ExpectBoxes(const std::vector<seams::Box> &expected) {
    const Boxes &shown = seams::BoxesShown();
    ASSERT_EQ(shown.size(), expected.size());
    for (size_t i = 0; i < expected.size(); i++) {
        EXPECT_EQ(shown[i].text, expected[i].text) << "box " << i;
        EXPECT_EQ(shown[i].caption, expected[i].caption) << "box " << i;
        EXPECT_EQ(shown[i].type, expected[i].type) << "box " << i;
    }
}

void ExpectNothingLeft() {
    EXPECT_EQ(seams::LiveWindows(), 0);
    EXPECT_EQ(seams::HeldDCs(), 0);
    EXPECT_EQ(seams::LiveContexts(), 0);
    EXPECT_FALSE(seams::ContextCurrent());
    EXPECT_FALSE(seams::ClassRegistered("OpenGL"));
    EXPECT_FALSE(seams::DisplayModeChanged());
    EXPECT_EQ(seams::LiveDirectInputs(), 0);
    EXPECT_EQ(Main.hWnd, nullptr);
    EXPECT_EQ(Main.hDC, nullptr);
    EXPECT_EQ(Main.hRC, nullptr);
}

using WindowTest = GameTest;

TEST_F(WindowTest, WindowedStartOpensTheTitledWindowWithTheFixedGLState) {
    seams::ScriptAnswers({IDNO});
    seams::UseVirtualClock(0);
    bool checked = false;
    seams::SetPumpHook(BoundedPumpHook(50, "the quit message did not end the loop", [&] {
        if (checked)
            return;
        checked = true;
        EXPECT_EQ(seams::WindowTitle(), "Hollowmere's Gravewake");
        int width = 0, height = 0;
        seams::ClientSize(width, height);
        EXPECT_EQ(width, 800);
        EXPECT_EQ(height, 600);
        EXPECT_FALSE(seams::WindowFullscreen());
        EXPECT_TRUE(seams::ContextCurrent());
        EXPECT_TRUE(seams::ScreenSaverInhibited());
        EXPECT_EQ(Main.GetFullscreen(), 0);
        EXPECT_EQ(Main.GetActive(), 1);

        GLint viewport[4];
        glGetIntegerv(GL_VIEWPORT, viewport);
        EXPECT_EQ(viewport[2], 800);
        EXPECT_EQ(viewport[3], 600);
        GLfloat clear[4];
        glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
        EXPECT_FLOAT_EQ(clear[3], 0.5f);
        EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
        GLint depthFunc = 0, depthBits = 0;
        glGetIntegerv(GL_DEPTH_FUNC, &depthFunc);
        glGetIntegerv(GL_DEPTH_BITS, &depthBits);
        EXPECT_EQ(depthFunc, GL_LEQUAL);
        EXPECT_GE(depthBits, 16);
        PostQuitMessage(0);
    }));
    EXPECT_EQ(WinMain(GetModuleHandleA(nullptr), nullptr, nullptr, SW_SHOW), 0);
    EXPECT_TRUE(checked);
    ExpectBoxes({{"Would You Like To Run In Fullscreen Mode?", "Start FullScreen?",
                  MB_YESNO | MB_ICONQUESTION}});
    ExpectNothingLeft();
    EXPECT_FALSE(seams::ScreenSaverInhibited());
}

TEST_F(WindowTest, FullScreenModeIsTakenAndGivenBack) {
    seams::AddDisplayMode(800, 600);
    ASSERT_TRUE(Main.CreateGLWindow("Hollowmere's Gravewake", 800, 600, 16, 1));
    EXPECT_TRUE(seams::WindowFullscreen());
    EXPECT_TRUE(seams::DisplayModeChanged());
    EXPECT_EQ(seams::CursorCount(), -1);
    Main.KillGLWindow();
    EXPECT_TRUE(seams::BoxesShown().empty());
    EXPECT_EQ(seams::CursorCount(), 0);
    ExpectNothingLeft();
}

TEST_F(WindowTest, RefusedFullScreenModeOffersWindowedMode) {
    // The offscreen display has no 800 x 600 mode.
    seams::ScriptAnswers({IDYES});
    ASSERT_TRUE(Main.CreateGLWindow("Hollowmere's Gravewake", 800, 600, 16, 1));
    ExpectBoxes({{"The Requested Fullscreen Mode Is Not Supported By\nYour Video Card. Use "
                  "Windowed Mode Instead?",
                  "OpenGL", MB_YESNO | MB_ICONEXCLAMATION}});
    EXPECT_EQ(Main.GetFullscreen(), 0);
    EXPECT_FALSE(seams::WindowFullscreen());
    EXPECT_EQ(seams::CursorCount(), 0);
    Main.KillGLWindow();
    ExpectNothingLeft();
}

TEST_F(WindowTest, DecliningWindowedModeEndsWithCodeOneAndNoWindow) {
    seams::ScriptAnswers({IDYES, IDNO});
    EXPECT_EQ(WinMain(GetModuleHandleA(nullptr), nullptr, nullptr, SW_SHOW), 1);
    const Boxes &shown = seams::BoxesShown();
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_EQ(shown[2].text, "Program Will Now Close.");
    EXPECT_EQ(shown[2].caption, "ERROR");
    EXPECT_EQ(shown[2].type, static_cast<unsigned>(MB_OK | MB_ICONSTOP));
    EXPECT_EQ(seams::LiveWindows(), 0);
    EXPECT_EQ(seams::LiveContexts(), 0);
    EXPECT_EQ(seams::CursorCount(), 0);
    EXPECT_FALSE(seams::DisplayModeChanged());
}

TEST_F(WindowTest, EachFailingCreationStepShowsItsBoxAndReleasesWhatWasMade) {
    const struct {
        seams::Fault fault;
        const char *text;
    } steps[] = {
        {seams::Fault::RegisterClass, "Failed To Register The Window Class."},
        {seams::Fault::CreateWindow, "Window Creation Error."},
        {seams::Fault::GetDC, "Can't Create A GL Device Context."},
        {seams::Fault::ChoosePixelFormat, "Can't Find A Suitable PixelFormat."},
        {seams::Fault::SetPixelFormat, "Can't Set The PixelFormat."},
        {seams::Fault::CreateContext, "Can't Create A GL Rendering Context."},
        {seams::Fault::MakeCurrent, "Can't Activate The GL Rendering Context."},
    };
    for (const auto &step : steps) {
        SCOPED_TRACE(step.text);
        seams::Reset();
        RebuildMain();
        seams::ScriptAnswers({IDNO});
        seams::SetFault(step.fault);
        EXPECT_EQ(WinMain(GetModuleHandleA(nullptr), nullptr, nullptr, SW_SHOW), 1);
        ExpectBoxes({{"Would You Like To Run In Fullscreen Mode?", "Start FullScreen?",
                      MB_YESNO | MB_ICONQUESTION},
                     {step.text, "ERROR", kErrorType}});
        ExpectNothingLeft();
        EXPECT_EQ(seams::Presents(), 0);
    }
}

TEST_F(WindowTest, KillingWithNothingCreatedOnlyReportsTheClass) {
    ASSERT_EQ(Main.GetFullscreen(), 1);
    Main.KillGLWindow();
    ExpectBoxes({{"Could Not Unregister Class.", "SHUTDOWN ERROR", kShutdownType}});
    // A second time: the same, nothing else.
    Main.KillGLWindow();
    EXPECT_EQ(seams::BoxesShown().size(), 2u);
}

TEST_F(WindowTest, FailedReleasesAreReportedAndTheRestStillRuns) {
    const struct {
        seams::Fault fault;
        std::vector<std::string> texts;
    } cases[] = {
        {seams::Fault::ReleaseCurrent, {"Release Of DC And RC Failed."}},
        {seams::Fault::DeleteContext, {"Release Rendering Context Failed."}},
        {seams::Fault::ReleaseDC, {"Release Device Context Failed."}},
        // A window that stays keeps its class registered.
        {seams::Fault::DestroyWindow, {"Could Not Release hWnd.", "Could Not Unregister Class."}},
        {seams::Fault::UnregisterClass, {"Could Not Unregister Class."}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.texts.front());
        seams::Reset();
        RebuildMain();
        seams::ScriptAnswers({});
        OpenWindow();
        seams::SetFault(c.fault);
        Main.KillGLWindow();
        std::vector<seams::Box> expected;
        for (const std::string &text : c.texts)
            expected.push_back({text, "SHUTDOWN ERROR", kShutdownType});
        ExpectBoxes(expected);
        // Every handle is forgotten and input is shut down whatever failed.
        EXPECT_EQ(Main.hWnd, nullptr);
        EXPECT_EQ(Main.hDC, nullptr);
        EXPECT_EQ(Main.hRC, nullptr);
        EXPECT_EQ(Keyboard, nullptr);
        EXPECT_EQ(Mouse, nullptr);
        EXPECT_EQ(seams::LiveDirectInputs(), 0);
    }
}

TEST_F(WindowTest, RecreatingTheWindowGivesTheNewSizeAndOneSetOfDevices) {
    OpenWindow();
    Main.KillGLWindow();
    OpenWindow(1024, 768);
    int width = 0, height = 0;
    seams::ClientSize(width, height);
    EXPECT_EQ(width, 1024);
    EXPECT_EQ(height, 768);
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 1024);
    EXPECT_EQ(viewport[3], 768);
    EXPECT_EQ(seams::LiveWindows(), 1);
    EXPECT_EQ(seams::LiveContexts(), 1);
    EXPECT_EQ(seams::LiveDirectInputs(), 1);
    EXPECT_EQ(seams::LiveKeyboards(), 1);
    EXPECT_EQ(seams::LiveMice(), 1);
    EXPECT_TRUE(seams::BoxesShown().empty());
    Main.KillGLWindow();
    ExpectNothingLeft();
}

// The game paces itself; a swap that waited for the display's retrace would slow it down.
// The X11 smoke run runs this one on a real X server too, whose GLX may not offer the
// control at all (and then has no retrace to wait for): what counts is the interval the
// context reports afterwards.
TEST_F(WindowTest, EveryContextAsksNotToWaitForTheRetrace) {
    OpenWindow();
    Main.KillGLWindow();
    OpenWindow(1024, 768); // as the options screen makes it anew
    const std::vector<seams::SwapInterval> intervals = seams::SwapIntervals();
    ASSERT_EQ(intervals.size(), 2u);
    for (const seams::SwapInterval &i : intervals) {
        EXPECT_EQ(i.asked, 0);
        EXPECT_EQ(i.inForce, 0);
    }
    std::printf("swap interval: asked 0, %s, in force %d\n",
                intervals.back().taken ? "taken" : "refused", intervals.back().inForce);
}

TEST_F(WindowTest, ADisplayThatKeepsWaitingForTheRetraceIsToldOnceAndTheGameRuns) {
    seams::SetFault(seams::Fault::SwapInterval);
    seams::UseVirtualClock(1000);
    testing::internal::CaptureStderr();
    OpenWindow();
    Main.KillGLWindow();
    OpenWindow(640, 480);
    int code = 0;
    for (int pass = 0; pass < 3; pass++)
        ASSERT_TRUE(MainLoopPass(code));
    const std::string told = testing::internal::GetCapturedStderr();
    size_t lines = 0;
    for (size_t at = told.find("retrace"); at != std::string::npos;
         at = told.find("retrace", at + 1))
        lines++;
    EXPECT_EQ(lines, 1u) << told;
    EXPECT_EQ(seams::SwapIntervals().size(), 2u);
    EXPECT_EQ(seams::Presents(), 3);
    EXPECT_TRUE(seams::BoxesShown().empty());
}

TEST_F(WindowTest, WindowProcedureKeepsKeysSizeAndRefusesTheScreenSaver) {
    OpenWindow();
    seams::KeyEvent(DIK_A, true);
    seams::KeyEvent(DIK_UP, true);
    DrainMessages();
    EXPECT_EQ(Main.GetKeys('A'), 1);
    EXPECT_EQ(Main.GetKeys(VK_UP), 1);
    seams::KeyEvent(DIK_A, false);
    DrainMessages();
    EXPECT_EQ(Main.GetKeys('A'), 0);
    EXPECT_EQ(Main.GetKeys(VK_UP), 1);
    // Out-of-range key codes are ignored rather than written past the table.
    EXPECT_EQ(WndProc(Main.hWnd, WM_KEYDOWN, 4096, 0), 0);
    EXPECT_EQ(Main.GetKeys(4096), 0);

    EXPECT_EQ(WndProc(Main.hWnd, WM_SIZE, SIZE_RESTORED, MAKELPARAM(640, 0)), 0);
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 640);
    EXPECT_EQ(viewport[3], 1); // a zero height is taken as 1

    EXPECT_TRUE(seams::ScreenSaverInhibited());
    EXPECT_EQ(WndProc(Main.hWnd, WM_SYSCOMMAND, SC_SCREENSAVE, 0), 0);
    EXPECT_EQ(WndProc(Main.hWnd, WM_SYSCOMMAND, SC_MONITORPOWER, 2), 0);
    EXPECT_TRUE(seams::ScreenSaverInhibited());
    // What the window does not swallow reaches the default handling, which allows it.
    DefWindowProcA(Main.hWnd, WM_SYSCOMMAND, SC_SCREENSAVE, 0);
    EXPECT_FALSE(seams::ScreenSaverInhibited());
    Main.KillGLWindow();
}

} // namespace

namespace {

// Without a display the swap shows nothing; it must still finish the frame, or a
// software renderer queues frame after frame while the game runs ahead of it (over a
// gigabyte in a long game on a busy machine). A fence set after a heavy frame has
// passed by the time the swap returns.
TEST_F(WindowTest, WithoutADisplayASwapFinishesTheFrame) {
    OpenWindow(640, 480);
    using FenceSync = GLsync(APIENTRY *)(GLenum, GLbitfield);
    using ClientWaitSync = GLenum(APIENTRY *)(GLsync, GLbitfield, GLuint64);
    using DeleteSync = void(APIENTRY *)(GLsync);
    auto fenceSync = reinterpret_cast<FenceSync>(SDL_GL_GetProcAddress("glFenceSync"));
    auto clientWaitSync =
        reinterpret_cast<ClientWaitSync>(SDL_GL_GetProcAddress("glClientWaitSync"));
    auto deleteSync = reinterpret_cast<DeleteSync>(SDL_GL_GetProcAddress("glDeleteSync"));
    ASSERT_TRUE(fenceSync && clientWaitSync && deleteSync) << "no fences in this GL";
    ASSERT_STREQ(SDL_GetCurrentVideoDriver(), "offscreen");
    for (int round = 0; round < 5; round++) {
        // Enough blended full-window quads to keep the renderer busy for a while.
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        for (int k = 0; k < 300; k++) {
            glColor4f(0.5f, 0.2f, 0.1f, 0.1f);
            glBegin(GL_QUADS);
            glVertex3f(-100.0f, -100.0f, -1.0f);
            glVertex3f(100.0f, -100.0f, -1.0f);
            glVertex3f(100.0f, 100.0f, -1.0f);
            glVertex3f(-100.0f, 100.0f, -1.0f);
            glEnd();
        }
        glDisable(GL_BLEND);
        GLsync fence = fenceSync(GL_SYNC_GPU_COMMANDS_COMPLETE, 0);
        ASSERT_TRUE(SwapBuffers(Main.GetHDC()));
        EXPECT_EQ(clientWaitSync(fence, 0, 0), static_cast<GLenum>(GL_ALREADY_SIGNALED))
            << "round " << round << ": the frame was still being drawn after the swap";
        deleteSync(fence);
    }
}

} // namespace
