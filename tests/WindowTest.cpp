// The window and the main loop: the questions asked and the box of every failure, each
// way out of the game leaving nothing behind, the pacing of frames, and a hundred changes
// of resolution that start the world afresh each time and leak nothing.
#include "Harness.h"
#include "Literal.h"

#include <SDL2/SDL.h>

namespace {

using Boxes = std::vector<seams::Box>;
const seams::Box kQuestion = {"Would You Like To Run In Fullscreen Mode?", "Start FullScreen?",
                              MB_YESNO | MB_ICONQUESTION};

void ExpectBoxes(const Boxes &want) {
    const Boxes &shown = seams::BoxesShown();
    ASSERT_EQ(shown.size(), want.size());
    for (size_t i = 0; i < want.size(); i++) {
        EXPECT_EQ(shown[i].text, want[i].text) << "box " << i;
        EXPECT_EQ(shown[i].caption, want[i].caption) << "box " << i;
        EXPECT_EQ(shown[i].type, want[i].type) << "box " << i;
    }
}

// What the platform still holds, as text: empty when the game gave everything back.
std::string Held() {
    // clang-format off
    const std::pair<const char *, int> counts[] = {
        {"windows", seams::LiveWindows()}, {"device contexts", seams::HeldDCs()},
        {"GL contexts", seams::LiveContexts()}, {"a current context", seams::ContextCurrent()},
        {"the window class", seams::ClassRegistered("OpenGL")},
        {"the display mode", seams::DisplayModeChanged()}, {"cursor count", seams::CursorCount()},
        {"DirectInputs", seams::LiveDirectInputs()}, {"keyboards", seams::LiveKeyboards()},
        {"mice", seams::LiveMice()},
        {"handles", (Main.hWnd != nullptr) + (Main.hDC != nullptr) + (Main.hRC != nullptr)}};
    // clang-format on
    std::string held;
    for (const auto &[what, n] : counts)
        held += n ? std::string(what) + " " + std::to_string(n) + "; " : "";
    return held;
}

using WindowTest = GameTest;

TEST_F(WindowTest, EveryWayOutEndsTheLoopAndGivesEverythingBack) {
    const struct {
        const char *name;
        bool fullScreen;
        int at; // frames presented when it happens
        std::function<void()> act;
        int code, presents;
    } ways[] = {
        {"Escape", false, 3, [] { seams::KeyEvent(DIK_ESCAPE, true); }, 0, 4},
        {"the close button", false, 2, [] { seams::CloseButton(); }, 0, 2},
        {"a quit message", false, 4, [] { PostQuitMessage(7); }, 7, 4},
        {"SIGTERM in full screen", true, 2, [] { seams::Terminate(); }, 0, 2},
    };
    for (const auto &way : ways) {
        SCOPED_TRACE(way.name);
        seams::Reset();
        RestartGame();
        seams::UseVirtualClock(5000);
        seams::ScriptAnswers({way.fullScreen ? IDYES : IDNO});
        if (way.fullScreen)
            seams::AddDisplayMode(800, 600);
        uint32_t when = 0;
        const int code = DriveGame([&](int pass) {
            if (pass == 1) {
                int width = 0, height = 0;
                seams::ClientSize(width, height);
                EXPECT_EQ(seams::WindowTitle(), "Hollowmere's Gravewake");
                EXPECT_EQ(width * 1000 + height, 800600);
                EXPECT_EQ(seams::WindowFullscreen(), way.fullScreen);
                EXPECT_EQ(seams::DisplayModeChanged(), way.fullScreen);
                EXPECT_EQ(seams::CursorCount(), way.fullScreen ? -1 : 0);
                EXPECT_TRUE(seams::ContextCurrent() && seams::ScreenSaverInhibited());
                EXPECT_EQ(Main.GetActive(), 1);
                // The fixed GL state: the viewport, the clear colour's alpha, the depth test.
                GLint viewport[4], depthFunc = 0, depthBits = 0;
                GLfloat clear[4];
                glGetIntegerv(GL_VIEWPORT, viewport);
                glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
                glGetIntegerv(GL_DEPTH_FUNC, &depthFunc);
                glGetIntegerv(GL_DEPTH_BITS, &depthBits);
                EXPECT_EQ(viewport[2] * 1000 + viewport[3], 800600);
                EXPECT_FLOAT_EQ(clear[3], 0.5f);
                EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST) && depthFunc == GL_LEQUAL &&
                            depthBits >= 16);
            }
            if (pass == way.at) {
                way.act();
                when = seams::VirtualNow();
            }
            return true;
        });
        EXPECT_EQ(code, way.code);
        // Escape is seen by the poll after the pass it came in, which still presents.
        EXPECT_EQ(seams::Presents(), way.presents);
        // No frame, and no frame wait, after the end.
        EXPECT_TRUE(way.presents != way.at || seams::VirtualNow() - when < kFrameMilliseconds);
        ExpectBoxes({kQuestion});
        EXPECT_EQ(Held(), "");
        EXPECT_FALSE(seams::ScreenSaverInhibited());
    }
}

TEST_F(WindowTest, EachFailureShowsItsBoxAndLeavesNothingBehind) {
    const unsigned error = MB_OK | MB_ICONEXCLAMATION, shutdown = MB_OK | MB_ICONINFORMATION;
    const struct {
        seams::Fault fault;
        const char *text;
    } creation[] = {
        {seams::Fault::RegisterClass, "Failed To Register The Window Class."},
        {seams::Fault::CreateWindow, "Window Creation Error."},
        {seams::Fault::GetDC, "Can't Create A GL Device Context."},
        {seams::Fault::ChoosePixelFormat, "Can't Find A Suitable PixelFormat."},
        {seams::Fault::SetPixelFormat, "Can't Set The PixelFormat."},
        {seams::Fault::CreateContext, "Can't Create A GL Rendering Context."},
        {seams::Fault::MakeCurrent, "Can't Activate The GL Rendering Context."},
    };
    for (const auto &step : creation) {
        SCOPED_TRACE(step.text);
        seams::Reset();
        RestartGame();
        seams::ScriptAnswers({IDNO});
        seams::SetFault(step.fault);
        EXPECT_EQ(WinMain(GetModuleHandleA(nullptr), nullptr, nullptr, SW_SHOW), 1);
        ExpectBoxes({kQuestion, {step.text, "ERROR", error}});
        EXPECT_EQ(Held(), "");
        EXPECT_EQ(seams::Presents(), 0);
    }

    // The display has no 800 x 600 mode: windowed mode is offered; declined, the game ends.
    const seams::Box offer = {"The Requested Fullscreen Mode Is Not Supported By\nYour Video "
                              "Card. Use Windowed Mode Instead?",
                              "OpenGL", MB_YESNO | MB_ICONEXCLAMATION};
    for (int windowed : {IDYES, IDNO}) {
        seams::Reset();
        RestartGame();
        seams::ScriptAnswers({IDYES, windowed});
        const int code = DriveGame([](int) {
            EXPECT_FALSE(seams::WindowFullscreen() || Main.GetFullscreen());
            EXPECT_EQ(seams::CursorCount(), 0);
            return false;
        });
        EXPECT_EQ(code, windowed == IDYES ? 0 : 1);
        if (windowed == IDYES)
            ExpectBoxes({kQuestion, offer});
        else
            ExpectBoxes(
                {kQuestion, offer, {"Program Will Now Close.", "ERROR", MB_OK | MB_ICONSTOP}});
        // Declined, the game ends at once: the class goes with the process.
        EXPECT_EQ(Held(), windowed == IDYES ? "" : "the window class 1; ");
    }

    // Releases that fail are told, and the rest of the tear-down still runs.
    const struct {
        seams::Fault fault;
        std::vector<std::string> texts;
    } releases[] = {
        {seams::Fault::ReleaseCurrent, {"Release Of DC And RC Failed."}},
        {seams::Fault::DeleteContext, {"Release Rendering Context Failed."}},
        {seams::Fault::ReleaseDC, {"Release Device Context Failed."}},
        // A window that stays keeps its class registered.
        {seams::Fault::DestroyWindow, {"Could Not Release hWnd.", "Could Not Unregister Class."}},
        {seams::Fault::UnregisterClass, {"Could Not Unregister Class."}},
    };
    for (const auto &c : releases) {
        SCOPED_TRACE(c.texts.front());
        seams::Reset();
        RestartGame();
        seams::ScriptAnswers({});
        OpenWindow();
        seams::SetFault(c.fault);
        Main.KillGLWindow();
        Boxes want;
        for (const std::string &text : c.texts)
            want.push_back({text, "SHUTDOWN ERROR", shutdown});
        ExpectBoxes(want);
        EXPECT_EQ(Main.hWnd == nullptr && Main.hDC == nullptr && Main.hRC == nullptr, true);
        EXPECT_EQ(Keyboard == nullptr && Mouse == nullptr && !seams::LiveDirectInputs(), true);
    }
}

TEST_F(WindowTest, MinimisedTheGameDrawsNothingWaitsForNothingAndStandsStill) {
    seams::ScriptAnswers({IDNO});
    seams::UseVirtualClock(5000);
    float timer = 0.0f;
    uint32_t slept = 0, clock = 0;
    const int code = DriveGame([&](int pass) {
        if (pass == 0) { // dead, so that every frame drawn moves the death fade on
            stCharacter.health = 0.0f;
            Main.SetScreen(1);
        } else if (pass == 3) {
            seams::Minimize();
        } else if (pass == 4) {
            timer = Main.deathTimer;
            slept = seams::SleptMilliseconds();
            clock = seams::VirtualNow();
        } else if (pass == 14) {
            // Ten passes in far less than a frame's time, none of them drawn.
            EXPECT_EQ(Main.GetActive(), 0);
            EXPECT_EQ(Main.deathTimer, timer);
            EXPECT_EQ(seams::SleptMilliseconds(), slept);
            EXPECT_LT(seams::VirtualNow() - clock, kFrameMilliseconds);
            seams::Restore();
        }
        return pass < 17;
    });
    EXPECT_EQ(code, 0);
    EXPECT_EQ(Main.GetActive(), 1);
    EXPECT_LT(Main.deathTimer, timer) << "frames resumed after the restore";
}

// (The death fade's course: the first step and the end in PlayTest, the message at each
// threshold in HudTest, every frame of it in the combat test demo.)
TEST_F(WindowTest, FramesLastTwentyFiveTicksAcrossTheWrap) {
    OpenWindow();
    for (uint32_t start : {1000u, 0xFFFFFFF0u, 0xFFFFFFFFu - 24u, 0xFFFFFFFFu, 0u}) {
        seams::UseVirtualClock(start, 1);
        const uint32_t slept = seams::SleptMilliseconds();
        Main.Render();
        // Every read moves the clock on by one: the read that ended the wait saw 25 ticks.
        EXPECT_EQ(seams::VirtualNow() - 1u - start, kFrameMilliseconds) << "start " << start;
        EXPECT_GE(seams::SleptMilliseconds() - slept, kFrameMilliseconds - 3) << "slept, not spun";
    }
}

TEST_F(WindowTest, TheWindowProcedureTakesAZeroHeightAsOneAndRefusesTheScreenSaver) {
    OpenWindow();
    EXPECT_EQ(WndProc(Main.hWnd, WM_SIZE, SIZE_RESTORED, MAKELPARAM(640, 0)), 0);
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2] * 1000 + viewport[3], 640001);
    EXPECT_EQ(WndProc(Main.hWnd, WM_SYSCOMMAND, SC_SCREENSAVE, 0), 0);
    EXPECT_EQ(WndProc(Main.hWnd, WM_SYSCOMMAND, SC_MONITORPOWER, 2), 0);
    EXPECT_TRUE(seams::ScreenSaverInhibited());
}

// The game paces itself; a swap that waited for the display's retrace would slow it. The
// X11 smoke run runs this test on a real X server too, whose GLX may refuse the control
// (and then has no retrace to wait for): what counts is the interval in force afterwards.
// A driver that keeps waiting is told about once, and the game plays on.
TEST_F(WindowTest, EveryContextAsksNotToWaitForTheRetrace) {
    for (bool refused : {true, false}) { // told once a process: the refusal first
        seams::Reset();
        seams::SetFault(seams::Fault::SwapInterval, refused);
        testing::internal::CaptureStderr();
        OpenWindow();
        Main.KillGLWindow();
        OpenWindow(1024, 768); // as the options screen makes it anew
        const std::string told = testing::internal::GetCapturedStderr();
        const std::vector<seams::SwapInterval> intervals = seams::SwapIntervals();
        ASSERT_EQ(intervals.size(), 2u);
        EXPECT_EQ(intervals[0].asked + intervals[1].asked, 0);
        if (!refused) {
            EXPECT_EQ(intervals[0].inForce + intervals[1].inForce, 0);
            std::printf("swap interval: asked 0, %s, in force %d\n",
                        intervals.back().taken ? "taken" : "refused", intervals.back().inForce);
        } else {
            EXPECT_TRUE(told.find("retrace") != std::string::npos &&
                        told.find("retrace") == told.rfind("retrace"))
                << told;
            seams::UseVirtualClock(1000);
            Passes(3);
            EXPECT_EQ(seams::Presents(), 3);
        }
        Main.KillGLWindow();
    }
}

// --- A hundred changes of resolution ---------------------------------------------------

// Names from 1 to `last` the current context knows as textures or display lists.
int Live(GLboolean (*known)(GLuint), GLuint last) {
    int n = 0;
    for (GLuint name = 1; name <= last; name++)
        n += known(name) == GL_TRUE;
    return n;
}

// One window, one context, one set of devices; in the new context exactly the textures
// and font lists the game holds names of (probed name by name, far past the highest, so
// that a second set or names that outlived their context show).
void ExpectOneSet(int resolution) {
    int width = 0, height = 0;
    seams::ClientSize(width, height);
    EXPECT_EQ(width, kResolutions[resolution].width);
    EXPECT_EQ(height, kResolutions[resolution].height);
    EXPECT_EQ(Held(), "windows 1; device contexts 1; GL contexts 1; a current context 1; the "
                      "window class 1; DirectInputs 1; keyboards 1; mice 1; handles 3; ");
    std::set<GLuint> textures;
    for (int k = 0; k < 100; k++)
        textures.insert(k < 20   ? TextureMgr->GetTexture(k)
                        : k < 24 ? TextureMgr->GetMenuTex(k - 20)
                        : k < 82 ? TextureMgr->GetFloorTexture(k - 24)
                                 : TextureMgr->GetWallTexture(k - 82));
    textures.erase(0);
    EXPECT_EQ(textures.size(), 100u) << "every picture a name of its own";
    for (unsigned layered : {TextureMgr->tileLayers.name, TextureMgr->spriteLayers.name}) {
        EXPECT_NE(layered, 0u) << "the tiles and the sprites as one texture each";
        textures.insert(layered);
    }
    EXPECT_EQ(Live(glIsTexture, std::max(4096u, 4 * *textures.rbegin())), int(textures.size()));
    GLuint highest = 0;
    int lists = 0;
    for (int font = 0; font < CFontsMgr::kFonts; font++) {
        const GLuint base = FontsMgr->GetlistBase(font);
        ASSERT_NE(base, 0u) << "font " << font;
        for (GLuint list = base; list < base + 96; list++) // characters 32..127
            lists += glIsList(list) == GL_TRUE;
        highest = std::max(highest, base + 95);
    }
    EXPECT_EQ(lists, CFontsMgr::kFonts * 96);
    EXPECT_EQ(Live(glIsList, std::max(4096u, 4 * highest)), lists) << "lists besides the fonts'";
}

TEST_F(WindowTest, AHundredResolutionChangesStartTheWorldAfreshAndLeakNothing) {
    seams::UseVirtualClock(1000);
    OpenWindow();
    ExpectOneSet(1);
    MapMgr->DrawMap(); // the map compiled for this context, and due again in every new one
    // Whatever a game may have changed by the time of a new window.
    static structMap map[kMapSize][kMapSize];
    std::memcpy(map, stMap, sizeof map);
    const structCamera camera = TheCamera;
    stMap[10][10] = {7, 3.0f, 1, 2.0f, 0.0f, 4};
    stMap[11][10].wallSide = 3; // no wall there: the side comes from the reset alone
    stCharacter.health = 2.0f;
    stCharacter.killCount = 5;
    TheCamera.yaw = 33.0f;
    stZombies[17].health = 0;
    stZombies[18].active = false;
    CharacterMgr->SelectWeapon(2);
    MapMgr->firstPerson = true;

    const size_t contexts = seams::SwapIntervals().size(); // one entry per context made
    std::map<int, std::string> files;
    long residentTenth = 0, residentSameSize = 0;
    Tap({DIK_DOWN}); // "Options"
    for (int change = 1; change <= 100; change++) {
        SCOPED_TRACE("change " + std::to_string(change));
        // The options screen, the next resolution round the table, "Accept".
        Tap({DIK_RETURN, DIK_RIGHT, DIK_DOWN});
        const int resolution = (Hud->currentResolution + 1) % 4;
        seams::KeyEvent(DIK_RETURN, true);
        Pass(); // the old window goes and the new one comes within this pass
        seams::KeyEvent(DIK_RETURN, false);
        ASSERT_EQ(seams::SwapIntervals().size(), contexts + change) << "one new context a change";
        ASSERT_EQ(Hud->currentResolution, resolution);
        ExpectOneSet(resolution);
        if (change == 1) {
            EXPECT_EQ(std::memcmp(map, stMap, sizeof map), 0) << "the map is not the file's";
            EXPECT_EQ(std::memcmp(&camera, &TheCamera, sizeof camera), 0);
            EXPECT_EQ(stCharacter.health, 30.0f);
            EXPECT_EQ(stCharacter.killCount + stCharacter.weapon + MapMgr->firstPerson, 0);
            EXPECT_EQ(stWeapon.reach, 4);
            EXPECT_EQ(LivingZombies(), kZombies);
            files = OpenDescriptors();
        }
        EXPECT_SAME_DESCRIPTORS(files, OpenDescriptors());
        if (change == 10)
            residentTenth = ResidentKiB();
        if (change == 12) // the same resolution as the hundredth
            residentSameSize = ResidentKiB();
        Pass();
        if (HasFailure())
            return; // one change's failures are enough to read
    }
    if (kResidentMemoryIsOurs) {
        EXPECT_LT(ResidentKiB() - residentTenth, 5120) << "after change 10: " << residentTenth;
        EXPECT_LT(ResidentKiB() - residentSameSize, 5120)
            << "after change 12: " << residentSameSize;
    }

    // Into the game in the last window: the map drawn with the new context's textures, and
    // compiled anew for it, as the literal drawing draws it.
    Tap({DIK_UP, DIK_RETURN});
    ASSERT_EQ(Main.screen, 1);
    Main.drawDistance = 8;
    Passes(3);
    Pixels maps[2];
    for (int literal = 0; literal < 2; literal++) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glLoadIdentity();
        CameraMgr->SetCamera();
        literal ? LiteralDrawMap() : MapMgr->DrawMap();
        maps[literal] = Grab();
    }
    EXPECT_EQ(Differing(maps[0], maps[1]), 0u);
    std::set<uint32_t> colours;
    for (size_t k = 0; k < maps[1].size(); k += 4)
        colours.insert(uint32_t(maps[1][k]) << 16 | uint32_t(maps[1][k + 1]) << 8 | maps[1][k + 2]);
    EXPECT_GT(colours.size(), 50u) << "untextured quads show only a few flat colours";
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

} // namespace
