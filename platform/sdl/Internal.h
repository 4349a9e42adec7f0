// Shared state of the platform layer's implementation files. Not for game code.
#pragma once

#include "platform/DirectInput.h"
#include "platform/Win32.h"
#include "platform/testing.h"

#include <atomic>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

struct SDL_Window;

struct HDC__ {
    HWND window = nullptr;
    HGDIOBJ font = nullptr; // selected with SelectObject
    int pixelFormat = 0;
    int depthBits = 16;
    bool doubleBuffer = true;
    int held = 0;
};

struct HWND__ {
    SDL_Window *sdl = nullptr;
    std::string className;
    WNDPROC proc = nullptr;
    bool visible = false;
    bool minimized = false;
    bool fullscreen = false;
    int clientWidth = 0;
    int clientHeight = 0;
    HDC__ dc;
};

struct HGLRC__ {
    void *sdlContext = nullptr;
    HDC dc = nullptr;
};

namespace plat {

struct WindowClass {
    std::string name;
    WNDPROC proc;
};

struct State {
    // Clock
    bool virtualClock = false;
    uint32_t virtualNow = 0;
    uint32_t virtualStep = 1;
    uint32_t slept = 0;
    // Message boxes
    bool scripted = false;
    std::deque<int> answers;
    std::vector<seams::Box> boxes;
    // Faults
    bool faults[static_cast<int>(seams::Fault::Count)] = {};
    // Windows
    std::vector<WindowClass> classes;
    std::vector<HWND> windows;
    std::vector<HGLRC> contexts;
    HWND focus = nullptr;
    int cursorCount = 0;
    bool modeRequested = false;
    int modeWidth = 0, modeHeight = 0;
    std::vector<std::pair<int, int>> extraModes;
    // Messages
    std::deque<MSG> queue;
    bool quitPosted = false;
    int quitCode = 0;
    std::function<void()> pumpHook;
    bool inHook = false;
    // Input
    BYTE keys[256] = {};
    BYTE buttons[4] = {};
    // A key or button let go before any poll saw it pressed stays down until one has.
    bool keyUnseen[256] = {};
    bool keyReleasePending[256] = {};
    bool buttonUnseen[4] = {};
    bool buttonReleasePending[4] = {};
    int liveDirectInputs = 0;
    // Libraries: the program's own folder unless a test names another one.
    std::string libraryFolder;
    // Wave-out: counters (written from the devices' own threads too), the buffers written
    // as the seams record them, and by-hand playing for tests.
    std::atomic<int> waveOutOpens{0};
    std::atomic<int> waveOutWrites{0};
    std::atomic<bool> recordWaveOut{false};
    bool manualWaveOut = false;
    std::function<void()> afterWaveOutReset;
    std::mutex recordLock;
    std::vector<std::vector<char>> waveOutLog;
    // Counters
    int presents = 0;
    std::vector<seams::SwapInterval> swapIntervals;
};

State &S();

// The clock itself, for the platform's own time stamps: a demo records only what the
// game reads.
DWORD ReadClock();

bool Faulted(seams::Fault fault);
bool EnsureVideo(); // SDL video up (lazily); false when no display can be opened
bool VideoUp();
void PumpEvents();           // SDL events and signals into the queue and the input state
void RaiseTerminateSignal(); // what SIGTERM does, for the seams
// From the first message box or video start on: a lost X connection ends the game with
// one line on stderr and this exit code. With a window, its own connection is watched
// as well.
constexpr int DisplayLostExitCode = 1;
void WatchDisplay(SDL_Window *window = nullptr);
HWND FindWindow(HWND window); // the window if it is live, else null
void DestroyAllWindows();

// Desktop events, from SDL or from the seams.
void KeyEvent(int sdlScancode, bool down);
void MouseMotion(int dx, int dy);
void MouseWheel(int notches);
void MouseButton(int index, bool down);
void SetKey(BYTE dik, bool down);
void KeysPolled();
void ButtonsPolled();
void WindowMinimized(HWND window);
void WindowRestored(HWND window);
void WindowFocus(HWND window, bool gained);

// Input devices react to focus and window changes.
void DevicesLoseFocus();
void DevicesMouseMotion(int dx, int dy, int dz);
void ResetInputState();
int LiveDevices(bool mouse);
bool AnyRelativeMouse();

// Wave-out devices (platform/sdl/WaveOut.cpp).
int LiveWaveOuts();
int FinishWaveOutBuffers(int queued);
bool WaitWaveOutNotices(int milliseconds);

// Scan-code tables (platform/sdl/KeyMap.cpp).
BYTE DikFromScancode(int sdlScancode);
BYTE VkFromScancode(int sdlScancode);
int ScancodeFromDik(BYTE dik);

} // namespace plat
