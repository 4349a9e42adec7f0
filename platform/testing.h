// Test seams of the platform layer. Game code never includes this header; tests use
// it to drive a whole game without a person at the keyboard: a virtual clock, scripted
// message-box answers, injected keyboard, mouse and window events, fault switches for
// the platform calls that can fail on Windows, and counters of what was created.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace seams {

// Puts the platform back into the state of a fresh process: windows, contexts and
// classes destroyed, queue emptied, answers, faults, hooks and counters cleared, the
// real clock in use. Input devices owned by game objects are left alone.
void Reset();

// --- Clock -------------------------------------------------------------------------
// With the virtual clock, GetTickCount returns the current virtual time and then moves
// it on by stepPerRead; Sleep(ms) moves it on by ms and returns at once.
void UseVirtualClock(uint32_t start, uint32_t stepPerRead = 1);
void UseRealClock();
uint32_t VirtualNow();
uint32_t SleptMilliseconds(); // total asked of Sleep since the last Reset

// --- Message boxes -----------------------------------------------------------------
struct Box {
    std::string text;
    std::string caption;
    unsigned type;
};
// From now on boxes are not shown: each takes the next scripted answer, and once the
// script is used up, the default button (IDOK, or IDYES for a Yes/No box).
void ScriptAnswers(const std::vector<int> &answers);
const std::vector<Box> &BoxesShown();

// --- Faults ------------------------------------------------------------------------
// (Windows' own headers make macros of four of these names.)
#pragma push_macro("RegisterClass")
#pragma push_macro("ChangeDisplaySettings")
#pragma push_macro("CreateWindow")
#pragma push_macro("UnregisterClass")
#undef RegisterClass
#undef ChangeDisplaySettings
#undef CreateWindow
#undef UnregisterClass
enum class Fault {
    RegisterClass,
    ChangeDisplaySettings,
    CreateWindow,
    GetDC,
    ChoosePixelFormat,
    SetPixelFormat,
    CreateContext,
    MakeCurrent,    // wglMakeCurrent with a context
    ReleaseCurrent, // wglMakeCurrent(NULL, NULL)
    DeleteContext,
    ReleaseDC,
    DestroyWindow,
    UnregisterClass,
    DirectInputCreate,
    WaveOutOpen,  // no audio device can be opened
    SwapInterval, // the driver refuses to stop waiting for the display's retrace
    Count
};
#pragma pop_macro("RegisterClass")
#pragma pop_macro("ChangeDisplaySettings")
#pragma pop_macro("CreateWindow")
#pragma pop_macro("UnregisterClass")
// A faulted call fails the way Windows reports it and does nothing else.
void SetFault(Fault fault, bool on = true);

// A full-screen mode the display accepts besides the modes SDL reports.
void AddDisplayMode(int width, int height);

// --- Input and window events, as the desktop would deliver them --------------------
void KeyEvent(uint8_t dikCode, bool down);      // by DirectInput scan code
void ScancodeEvent(int sdlScancode, bool down); // by SDL scan code
void MouseMotion(int dx, int dy);
void MouseWheel(int notches); // positive: rolled away from the user
void MouseButton(int index, bool down);
void Minimize();
void Restore();
void FocusLost();
void FocusGained();
void CloseButton(); // the window manager's close button
void Terminate();   // as if SIGTERM arrived

// The same desktop input as SDL itself reports it: each call puts one event, addressed
// to the newest window, into SDL's own event queue, where the message pump finds it and
// translates it like any other. False when SDL did not take the event.
bool SdlKey(int sdlScancode, bool down);       // the key's symbol from SDL's key map
bool SdlMouseButton(int sdlButton, bool down); // SDL_BUTTON_LEFT, SDL_BUTTON_MIDDLE...
bool SdlMouseWheel(int y, bool flipped);       // y > 0: rolled away from the user, unless flipped
bool SdlMouseMotion(int xrel, int yrel);

// Called whenever PeekMessageA finds the queue empty, before it says so; what the hook
// posts or injects is picked up by that same call.
void SetPumpHook(std::function<void()> hook);

// --- Libraries and audio ------------------------------------------------------------
// The folder LoadLibraryA looks in first, instead of the program's own.
void SetLibraryFolder(const std::string &folder);
// Wave-out devices opened from now on play nothing by themselves: FinishWaveOutBuffers
// plays the head buffer of each device that has at least `queued` buffers written to it
// to its end (its WOM_DONE follows on the device's thread); with 2, a buffer ends only
// while the next one waits behind it, as on a real device where a render takes far less
// than the 100 ms a buffer plays. WaitWaveOutNotices waits until every notification has
// been handled; false if some are still pending after `milliseconds`.
void ManualWaveOut(bool on);
int FinishWaveOutBuffers(int queued = 1);
bool WaitWaveOutNotices(int milliseconds = 5000);
// Called as waveOutReset returns, on the thread that reset: the moment between a reset
// and the unprepare and close that follow it.
void AfterWaveOutReset(std::function<void()> hook);
// Keeps a copy of every buffer written to a wave-out device, in the order written.
void RecordWaveOut(bool on);
std::vector<std::vector<char>> WaveOutLog();
int WaveOutOpens();
int WaveOutWrites();
int LiveWaveOuts();

// --- What the game did ---------------------------------------------------------------
// For every GL context made, in order: the swap interval asked for, whether the driver
// took it, and the interval in force afterwards as the driver reports it.
struct SwapInterval {
    int asked;
    bool taken;
    int inForce;
};
std::vector<SwapInterval> SwapIntervals();
int Presents(); // successful SwapBuffers
int LiveWindows();
int HeldDCs(); // GetDC not yet matched by ReleaseDC
int LiveContexts();
bool ContextCurrent();
bool ClassRegistered(const std::string &name);
bool DisplayModeChanged(); // a full-screen mode is requested and not yet given back
int CursorCount();         // ShowCursor's display count
bool ScreenSaverInhibited();
bool RelativeMouse(); // SDL relative mouse mode requested by an exclusive mouse
int LiveDirectInputs();
int LiveKeyboards();
int LiveMice();
std::string WindowTitle();
void ClientSize(int &width, int &height); // of the newest live window; 0 x 0 without one
bool WindowFullscreen();

} // namespace seams
