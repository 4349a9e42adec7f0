// The test seams of platform/testing.h.
#include "platform/sdl/Internal.h"

#include <SDL2/SDL.h>

namespace seams {

using plat::S;

void Reset() {
    plat::State &s = S();
    for (bool &f : s.faults)
        f = false;
    plat::DestroyAllWindows();
    s.classes.clear();
    s.queue.clear();
    s.quitPosted = false;
    s.quitCode = 0;
    s.pumpHook = nullptr;
    s.virtualClock = false;
    s.virtualNow = 0;
    s.virtualStep = 1;
    s.slept = 0;
    s.scripted = false;
    s.answers.clear();
    s.boxes.clear();
    s.focus = nullptr;
    s.cursorCount = 0;
    s.modeRequested = false;
    s.extraModes.clear();
    s.presents = 0;
    s.swapIntervals.clear();
    s.libraryFolder.clear();
    s.manualWaveOut = false;
    s.afterWaveOutReset = nullptr;
    s.recordWaveOut = false;
    s.waveOutOpens = 0;
    s.waveOutWrites = 0;
    {
        std::lock_guard<std::mutex> guard(s.recordLock);
        s.waveOutLog.clear();
    }
    plat::ResetInputState();
}

void UseVirtualClock(uint32_t start, uint32_t stepPerRead) {
    S().virtualClock = true;
    S().virtualNow = start;
    S().virtualStep = stepPerRead;
}

void UseRealClock() {
    S().virtualClock = false;
}
uint32_t VirtualNow() {
    return S().virtualNow;
}
uint32_t SleptMilliseconds() {
    return S().slept;
}

void ScriptAnswers(const std::vector<int> &answers) {
    S().scripted = true;
    S().answers.assign(answers.begin(), answers.end());
}

const std::vector<Box> &BoxesShown() {
    return S().boxes;
}

void SetFault(Fault fault, bool on) {
    S().faults[static_cast<int>(fault)] = on;
}

void AddDisplayMode(int width, int height) {
    S().extraModes.push_back({width, height});
}

void KeyEvent(uint8_t dikCode, bool down) {
    int scancode = plat::ScancodeFromDik(dikCode);
    if (scancode)
        plat::KeyEvent(scancode, down);
    else
        plat::SetKey(dikCode, down);
}

void ScancodeEvent(int sdlScancode, bool down) {
    plat::KeyEvent(sdlScancode, down);
}
void MouseMotion(int dx, int dy) {
    plat::MouseMotion(dx, dy);
}
void MouseWheel(int notches) {
    plat::MouseWheel(notches);
}
void MouseButton(int index, bool down) {
    plat::MouseButton(index, down);
}

static HWND Newest() {
    return S().windows.empty() ? nullptr : S().windows.back();
}

void Minimize() {
    plat::WindowMinimized(Newest());
}
void Restore() {
    plat::WindowRestored(Newest());
}
void FocusLost() {
    plat::WindowFocus(Newest(), false);
}
void FocusGained() {
    plat::WindowFocus(Newest(), true);
}

namespace {

Uint32 NewestWindowId() {
    HWND w = Newest();
    return w && w->sdl ? SDL_GetWindowID(w->sdl) : 0;
}

bool Push(SDL_Event &event) {
    return plat::VideoUp() && SDL_PushEvent(&event) == 1;
}

} // namespace

bool SdlKey(int sdlScancode, bool down) {
    SDL_Event e = {};
    e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    e.key.timestamp = SDL_GetTicks();
    e.key.windowID = NewestWindowId();
    e.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    e.key.keysym.scancode = static_cast<SDL_Scancode>(sdlScancode);
    e.key.keysym.sym = SDL_GetKeyFromScancode(e.key.keysym.scancode);
    return Push(e);
}

bool SdlMouseButton(int sdlButton, bool down) {
    SDL_Event e = {};
    e.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
    e.button.timestamp = SDL_GetTicks();
    e.button.windowID = NewestWindowId();
    e.button.button = static_cast<Uint8>(sdlButton);
    e.button.state = down ? SDL_PRESSED : SDL_RELEASED;
    e.button.clicks = 1;
    return Push(e);
}

bool SdlMouseWheel(int y, bool flipped) {
    SDL_Event e = {};
    e.type = SDL_MOUSEWHEEL;
    e.wheel.timestamp = SDL_GetTicks();
    e.wheel.windowID = NewestWindowId();
    e.wheel.y = y;
    e.wheel.direction = flipped ? SDL_MOUSEWHEEL_FLIPPED : SDL_MOUSEWHEEL_NORMAL;
#if SDL_VERSION_ATLEAST(2, 0, 18)
    e.wheel.preciseY = static_cast<float>(y);
#endif
    return Push(e);
}

bool SdlMouseMotion(int xrel, int yrel) {
    SDL_Event e = {};
    e.type = SDL_MOUSEMOTION;
    e.motion.timestamp = SDL_GetTicks();
    e.motion.windowID = NewestWindowId();
    e.motion.xrel = xrel;
    e.motion.yrel = yrel;
    return Push(e);
}

void CloseButton() {
    if (HWND w = Newest())
        PostMessageA(w, WM_SYSCOMMAND, SC_CLOSE, 0);
}

void Terminate() {
    plat::RaiseTerminateSignal();
}

void SetPumpHook(std::function<void()> hook) {
    S().pumpHook = std::move(hook);
}

void SetLibraryFolder(const std::string &folder) {
    S().libraryFolder = folder;
}
void ManualWaveOut(bool on) {
    S().manualWaveOut = on;
}
int FinishWaveOutBuffers(int queued) {
    return plat::FinishWaveOutBuffers(queued);
}
bool WaitWaveOutNotices(int milliseconds) {
    return plat::WaitWaveOutNotices(milliseconds);
}
void AfterWaveOutReset(std::function<void()> hook) {
    S().afterWaveOutReset = std::move(hook);
}
void RecordWaveOut(bool on) {
    S().recordWaveOut = on;
}

std::vector<std::vector<char>> WaveOutLog() {
    std::lock_guard<std::mutex> guard(S().recordLock);
    return S().waveOutLog;
}

int WaveOutOpens() {
    return S().waveOutOpens;
}
int WaveOutWrites() {
    return S().waveOutWrites;
}
int LiveWaveOuts() {
    return plat::LiveWaveOuts();
}

std::vector<SwapInterval> SwapIntervals() {
    return S().swapIntervals;
}

int Presents() {
    return S().presents;
}
int LiveWindows() {
    return static_cast<int>(S().windows.size());
}

int HeldDCs() {
    int held = 0;
    for (HWND w : S().windows)
        held += w->dc.held;
    return held;
}

int LiveContexts() {
    return static_cast<int>(S().contexts.size());
}
bool ContextCurrent() {
    return plat::VideoUp() && SDL_GL_GetCurrentContext() != nullptr;
}

bool ClassRegistered(const std::string &name) {
    for (const plat::WindowClass &c : S().classes)
        if (c.name == name)
            return true;
    return false;
}

bool DisplayModeChanged() {
    return S().modeRequested;
}
int CursorCount() {
    return S().cursorCount;
}
bool ScreenSaverInhibited() {
    return plat::VideoUp() && !SDL_IsScreenSaverEnabled();
}
bool RelativeMouse() {
    return plat::AnyRelativeMouse();
}
int LiveDirectInputs() {
    return S().liveDirectInputs;
}
int LiveKeyboards() {
    return plat::LiveDevices(false);
}
int LiveMice() {
    return plat::LiveDevices(true);
}

std::string WindowTitle() {
    HWND w = Newest();
    return w && w->sdl ? SDL_GetWindowTitle(w->sdl) : "";
}

void ClientSize(int &width, int &height) {
    width = height = 0;
    if (HWND w = Newest())
        SDL_GetWindowSize(w->sdl, &width, &height);
}

bool WindowFullscreen() {
    HWND w = Newest();
    return w && w->fullscreen;
}

} // namespace seams
