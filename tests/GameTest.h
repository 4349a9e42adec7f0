// A fresh game for every test: the platform back to a new process, the application
// object and the shared records rebuilt, boxes answered by script.
#pragma once

#include "app/Demo.h"
#include "app/Main.h"
#include "app/Records.h"
#include "input/InputSystem.h"
#include "platform/testing.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>

inline void RebuildMain() {
    RestartGame();
}

// For a main loop that runs on past the point where a test expected it to end: the first
// pump over the bound fails the test with `what` and asks the game to end, as SIGTERM
// would; a game that ignores even that stops the process with the message instead of
// hanging until ctest's time limit.
inline void EndRunawayLoop(int pumpsOver, const std::string &what) {
    if (pumpsOver == 1) {
        ADD_FAILURE() << "the main loop is still running: " << what;
        seams::Terminate();
    } else if (pumpsOver > 100) {
        std::fprintf(stderr, "the main loop does not end even when terminated: %s\n", what.c_str());
        std::abort();
    }
}

// A pump hook for a test that runs WinMain until the hook ends it, bounded: after `pumps`
// calls the hook is no longer called and the loop is ended as a failure (EndRunawayLoop).
inline std::function<void()> BoundedPumpHook(int pumps, const std::string &what,
                                             std::function<void()> hook) {
    auto calls = std::make_shared<int>(0);
    return [=] {
        if (++*calls <= pumps)
            hook();
        else
            EndRunawayLoop(*calls - pumps, what + " (" + std::to_string(pumps) + " pumps)");
    };
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
