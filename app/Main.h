// The application object: window and GL context, application state, the frame, and
// the managers every part of the game reaches through process-wide pointers.
#pragma once

#include "platform/Win32.h"

class CMain {
  public:
    CMain();
    ~CMain();
    CMain(const CMain &) = delete;
    CMain &operator=(const CMain &) = delete;

    // Window and GL context.
    int CreateGLWindow(const char *title, int width, int height, int bits, int fullscreenflag);
    void KillGLWindow();
    int InitGL();
    void ReSizeGLScene(int width, int height);

    // The frame and the application state.
    int Render();
    void RenderGame();
    void SetScreen(int screen);

    HDC GetHDC() const { return hDC; }
    int GetFullscreen() const { return fullscreen; }
    void SetFullscreen(int on) { fullscreen = on; }
    int GetActive() const { return active; }
    void SetActive(int on) { active = on; }
    int GetKeys(unsigned key) const { return key < 256 ? keys[key] : 0; }
    void SetKeys(unsigned key, int down) {
        if (key < 256)
            keys[key] = down;
    }

    HWND hWnd;
    HINSTANCE hInstance;
    int width;        // configured client width in pixels
    int height;       // configured client height in pixels
    int drawDistance; // view range in map cells around the player
    int screen;       // 0 title menu, 1 game
    float deathTimer; // 1.0 while alive; counts down while dead
    int active;       // the window is not minimised
    int fullscreen;   // full-screen mode requested / in force
    HDC hDC;
    HGLRC hRC;
    int keys[256];    // by virtual-key code, from WM_KEYDOWN / WM_KEYUP
    DWORD frameStart; // tick count when the current frame began
};

extern CMain Main;

// Frames are at least this long; the game advances one step per frame.
const DWORD kFrameMilliseconds = 25;

LRESULT CALLBACK WndProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);

// One pass of the main loop (drain messages, frame, present, poll, dispatch input).
// Returns false once the loop is done; exitCode then holds what WinMain returns.
bool MainLoopPass(int &exitCode);
