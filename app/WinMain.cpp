// The entry point and the main loop.
#include "app/Main.h"

#include "actors/CharacterMgr.h"
#include "app/Demo.h"
#include "app/Records.h"
#include "hud/Hud.h"
#include "input/InputSystem.h"
#include "world/CameraMgr.h"
#include "world/MapMgr.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    if (MessageBoxA(nullptr, "Would You Like To Run In Fullscreen Mode?", "Start FullScreen?",
                    MB_YESNO | MB_ICONQUESTION) == IDNO)
        Main.SetFullscreen(0);

    if (!Main.CreateGLWindow("Hollowmere's Gravewake", Main.width, Main.height, 16,
                             Main.GetFullscreen()))
        return 1; // no window, no game: not a success for whoever started it

    int exitCode = 0;
    while (MainLoopPass(exitCode)) {
    }
    Main.KillGLWindow();
    return exitCode;
}

bool MainLoopPass(int &exitCode) {
    DemoFrame();

    // All queued messages are handled before a frame is drawn.
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            exitCode = static_cast<int>(msg.wParam);
            return false;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }

    // Minimised: no frame and no frame wait; the game pauses.
    if (Main.GetActive())
        Main.Render();

    // Escape as polled in the previous pass: that frame is not presented. The exit code
    // is then 0, not the parameter of whatever message happened to come last.
    bool done = false;
    if (Input->KeyDown(DIK_ESCAPE)) {
        exitCode = 0;
        done = true;
    } else {
        SwapBuffers(Main.GetHDC());
    }

    Input->Update();

    // Input by state. While dead only Enter counts, and only once the death fade has run
    // its course.
    if (stCharacter.health > 0.0f) {
        if (Main.screen == 0) {
            Hud->ProcessInputs();
        } else if (Main.screen == 1) {
            Input->ProcessInput();
            CameraMgr->ProcessInputs();
            MapMgr->ProcessInputs();
        }
    } else if (Main.deathTimer < -3.0f && Input->KeyDown(DIK_RETURN)) {
        CharacterMgr->Respawn();
    }
    return !done;
}
