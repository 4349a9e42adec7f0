// A fresh game for every test: the platform back to a new process, the application
// object and the shared records rebuilt, boxes answered by script.
#pragma once

#include "app/Main.h"
#include "app/Records.h"
#include "input/InputSystem.h"
#include "platform/testing.h"

#include <gtest/gtest.h>
#include <new>

inline void RebuildMain() {
    if (Input)
        Input->Shutdown();
    Main.~CMain();
    new (&Main) CMain();
    stCharacter = kStartCharacter;
    TheCamera = kStartCamera;
}

class GameTest : public ::testing::Test {
  protected:
    void SetUp() override {
        seams::Reset();
        RebuildMain();
        seams::ScriptAnswers({});
    }
    void TearDown() override {
        if (Main.hWnd)
            Main.KillGLWindow();
        if (Input)
            Input->Shutdown();
        seams::Reset();
    }

    // A windowed game window of the configured size, as WinMain makes it.
    void OpenWindow(int width = 800, int height = 600) {
        ASSERT_TRUE(Main.CreateGLWindow("Hollowmere's Gravewake", width, height, 16, 0));
    }

    // Hands every queued message to the window procedure, as the main loop does;
    // true when a quit message came out of the queue.
    static bool DrainMessages() {
        MSG msg;
        bool quit = false;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                quit = true;
                continue;
            }
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        return quit;
    }
};
