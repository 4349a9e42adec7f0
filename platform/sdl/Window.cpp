// Window classes, windows, the message queue, display modes, device and GL contexts,
// all on SDL2. Messages the desktop produces (activation, close, keys, size) reach the
// window procedure the way Windows delivers them: posted to the queue and handed over
// by DispatchMessageA, or sent directly while a window is created and shown.
#include "platform/Demo.h"
#include "platform/sdl/Internal.h"

#include <GL/gl.h>
#include <SDL2/SDL.h>
#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace plat {

State &S() {
    static State state;
    return state;
}

bool Faulted(seams::Fault fault) {
    return S().faults[static_cast<int>(fault)];
}

namespace {

std::atomic<int> pendingSignals{0};

void OnTerminateSignal(int sig) {
    // The first signal asks the game to close its window the ordinary way, which
    // restores the desktop mode. A second one before that happened means the game is
    // not pumping messages: leave with the default action.
    if (pendingSignals.fetch_add(1) >= 1) {
        std::signal(sig, SIG_DFL);
        std::raise(sig);
    }
}

bool videoTried = false;
bool driverHeld = false; // the GL driver load that EnsureVideo holds

void QuitVideo() {
    // Last way out: SDL gives back any full-screen mode when it shuts down. The driver
    // load held since start-up is let go first: SDL's shutdown does not, and would lose
    // the driver's records with its own.
    if (!SDL_WasInit(SDL_INIT_VIDEO))
        return;
    if (driverHeld)
        SDL_GL_UnloadLibrary();
    driverHeld = false;
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

bool Offscreen() {
    const char *driver = SDL_GetCurrentVideoDriver();
    return driver && std::strcmp(driver, "offscreen") == 0;
}

HWND FromSdl(Uint32 windowId) {
    for (HWND w : S().windows)
        if (w->sdl && SDL_GetWindowID(w->sdl) == windowId)
            return w;
    return nullptr;
}

HDC FindDC(HDC dc) {
    for (HWND w : S().windows)
        if (&w->dc == dc)
            return dc;
    return nullptr;
}

HGLRC FindContext(HGLRC rc) {
    for (HGLRC c : S().contexts)
        if (c == rc)
            return rc;
    return nullptr;
}

WindowClass *FindClass(const char *name) {
    if (!name)
        return nullptr;
    for (WindowClass &c : S().classes)
        if (c.name == name)
            return &c;
    return nullptr;
}

bool DisplayHasMode(int width, int height) {
    for (auto &m : S().extraModes)
        if (m.first == width && m.second == height)
            return true;
    int count = SDL_GetNumDisplayModes(0);
    for (int i = 0; i < count; i++) {
        SDL_DisplayMode mode;
        if (SDL_GetDisplayMode(0, i, &mode) == 0 && mode.w == width && mode.h == height)
            return true;
    }
    return false;
}

// Asks the window, as Windows does before starting the screen saver, whether it may
// start; a window procedure that swallows both requests keeps it off.
void AskScreenSaver(HWND window) {
    SDL_DisableScreenSaver();
    SendMessageA(window, WM_SYSCOMMAND, SC_SCREENSAVE, 0);
    SendMessageA(window, WM_SYSCOMMAND, SC_MONITORPOWER, 2);
}

} // namespace

bool VideoUp() {
    return SDL_WasInit(SDL_INIT_VIDEO) != 0;
}

bool EnsureVideo() {
    if (VideoUp())
        return true;
    if (!videoTried) {
        videoTried = true;
        // The game answers the screen saver itself; signals are handled below.
        SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1");
        SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
        SDL_SetHint(SDL_HINT_MOUSE_RELATIVE_MODE_WARP, "0");
        SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
        std::atexit(QuitVideo);
        struct sigaction action = {};
        action.sa_handler = OnTerminateSignal;
        sigemptyset(&action.sa_mask);
        sigaction(SIGINT, &action, nullptr);
        sigaction(SIGTERM, &action, nullptr);
        // A write to a display connection that is gone must fail as the I/O error the
        // display watch ends the game on with its one line, not kill it with SIGPIPE.
        std::signal(SIGPIPE, SIG_IGN);
    }
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0)
        return false;
    WatchDisplay();
    // The GL driver stays loaded for as long as video is up, not only while a window
    // lives: a window made anew (a change of resolution) then finds the driver as the
    // last one left it, instead of shutting it down and starting it again, which costs
    // time and leaks a little memory inside the driver at every change. A driver that
    // cannot be loaded here fails the window's creation instead.
    driverHeld = SDL_GL_LoadLibrary(nullptr) == 0;
    return true;
}

void RaiseTerminateSignal() {
    OnTerminateSignal(SIGTERM);
}

HWND FindWindow(HWND window) {
    for (HWND w : S().windows)
        if (w == window)
            return w;
    return nullptr;
}

void WindowMinimized(HWND w) {
    if (!FindWindow(w) || w->minimized)
        return;
    w->minimized = true;
    if (S().focus == w) {
        S().focus = nullptr;
        DevicesLoseFocus();
    }
    PostMessageA(w, WM_SIZE, SIZE_MINIMIZED, 0);
    PostMessageA(w, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, 1), 0);
}

void WindowRestored(HWND w) {
    if (!FindWindow(w) || !w->minimized)
        return;
    w->minimized = false;
    S().focus = w;
    PostMessageA(w, WM_ACTIVATE, MAKEWPARAM(WA_ACTIVE, 0), 0);
    PostMessageA(w, WM_SIZE, SIZE_RESTORED, MAKELPARAM(w->clientWidth, w->clientHeight));
}

void WindowFocus(HWND w, bool gained) {
    if (!FindWindow(w))
        return;
    if (gained) {
        S().focus = w;
        if (!w->minimized)
            PostMessageA(w, WM_ACTIVATE, MAKEWPARAM(WA_ACTIVE, 0), 0);
        return;
    }
    if (S().focus == w) {
        S().focus = nullptr;
        DevicesLoseFocus();
    }
    if (!w->minimized)
        PostMessageA(w, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, 0), 0);
}

void KeyEvent(int sdlScancode, bool down) {
    BYTE dik = DikFromScancode(sdlScancode);
    if (dik)
        SetKey(dik, down);
    BYTE vk = VkFromScancode(sdlScancode);
    if (vk && S().focus)
        PostMessageA(S().focus, down ? WM_KEYDOWN : WM_KEYUP, vk,
                     static_cast<LPARAM>(1 | (static_cast<uint32_t>(dik) << 16) |
                                         (down ? 0u : 0xC0000000u)));
}

void MouseMotion(int dx, int dy) {
    DevicesMouseMotion(dx, dy, 0);
}

void MouseWheel(int notches) {
    DevicesMouseMotion(0, 0, notches * 120);
}

// A press shorter than a poll interval must not get lost between two polls.
static void Press(BYTE &state, bool &unseen, bool &releasePending, bool down) {
    if (down) {
        state = 0x80;
        unseen = true;
        releasePending = false;
    } else if (unseen && state) {
        releasePending = true;
    } else {
        state = 0;
    }
}

static void Polled(BYTE &state, bool &unseen, bool &releasePending) {
    unseen = false;
    if (releasePending) {
        state = 0;
        releasePending = false;
    }
}

void SetKey(BYTE dik, bool down) {
    Press(S().keys[dik], S().keyUnseen[dik], S().keyReleasePending[dik], down);
}

void MouseButton(int index, bool down) {
    if (index >= 0 && index < 4)
        Press(S().buttons[index], S().buttonUnseen[index], S().buttonReleasePending[index], down);
}

void KeysPolled() {
    for (int i = 0; i < 256; i++)
        Polled(S().keys[i], S().keyUnseen[i], S().keyReleasePending[i]);
}

void ButtonsPolled() {
    for (int i = 0; i < 4; i++)
        Polled(S().buttons[i], S().buttonUnseen[i], S().buttonReleasePending[i]);
}

void PumpEvents() {
    if (pendingSignals.exchange(0) > 0) {
        if (!S().windows.empty())
            PostMessageA(S().windows.front(), WM_SYSCOMMAND, SC_CLOSE, 0);
        else
            PostQuitMessage(0);
    }
    if (!VideoUp())
        return;
    SDL_Event e;
    while (SDL_PollEvent(&e)) {
        switch (e.type) {
        case SDL_KEYDOWN:
        case SDL_KEYUP:
            KeyEvent(e.key.keysym.scancode, e.type == SDL_KEYDOWN);
            break;
        case SDL_MOUSEMOTION:
            MouseMotion(e.motion.xrel, e.motion.yrel);
            break;
        case SDL_MOUSEWHEEL: {
            int y = e.wheel.y;
            if (e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED)
                y = -y;
            MouseWheel(y);
            break;
        }
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP: {
            static const int index[] = {-1, 0, 2, 1, 3, -1};
            int b = e.button.button <= 5 ? index[e.button.button] : -1;
            MouseButton(b, e.type == SDL_MOUSEBUTTONDOWN);
            break;
        }
        case SDL_WINDOWEVENT: {
            HWND w = FromSdl(e.window.windowID);
            if (!w)
                break;
            switch (e.window.event) {
            case SDL_WINDOWEVENT_CLOSE:
                PostMessageA(w, WM_SYSCOMMAND, SC_CLOSE, 0);
                break;
            case SDL_WINDOWEVENT_MINIMIZED:
                WindowMinimized(w);
                break;
            case SDL_WINDOWEVENT_RESTORED:
                WindowRestored(w);
                break;
            case SDL_WINDOWEVENT_FOCUS_GAINED:
                WindowFocus(w, true);
                break;
            case SDL_WINDOWEVENT_FOCUS_LOST:
                WindowFocus(w, false);
                break;
            case SDL_WINDOWEVENT_SIZE_CHANGED:
                w->clientWidth = e.window.data1;
                w->clientHeight = e.window.data2;
                PostMessageA(w, WM_SIZE, SIZE_RESTORED, MAKELPARAM(e.window.data1, e.window.data2));
                break;
            default:
                break;
            }
            break;
        }
        default:
            break;
        }
    }
}

// For the seams' Reset, which clears the faults first.
void DestroyAllWindows() {
    State &s = S();
    while (!s.contexts.empty())
        wglDeleteContext(s.contexts.back());
    while (!s.windows.empty())
        DestroyWindow(s.windows.back());
}

} // namespace plat

using plat::S;
using seams::Fault;

// --- Message queue -------------------------------------------------------------------

static BOOL PeekQueue(MSG *msg, UINT removeMsg);

BOOL PeekMessageA(MSG *msg, HWND, UINT, UINT, UINT removeMsg) {
    if (!msg)
        return FALSE;
    if (demo::hook::Playing())
        return demo::hook::PlayPeek(msg);
    const BOOL found = PeekQueue(msg, removeMsg);
    if (demo::hook::Recording())
        demo::hook::RecordPeek(found != FALSE, *msg);
    return found;
}

static BOOL PeekQueue(MSG *msg, UINT removeMsg) {
    plat::State &s = S();
    plat::PumpEvents();
    for (int round = 0; round < 2; round++) {
        if (!s.queue.empty()) {
            *msg = s.queue.front();
            if (removeMsg & PM_REMOVE)
                s.queue.pop_front();
            return TRUE;
        }
        if (s.quitPosted) {
            *msg = MSG();
            msg->message = WM_QUIT;
            msg->wParam = static_cast<WPARAM>(s.quitCode);
            if (removeMsg & PM_REMOVE)
                s.quitPosted = false;
            return TRUE;
        }
        if (round == 0 && s.pumpHook && !s.inHook) {
            s.inHook = true;
            s.pumpHook();
            s.inHook = false;
            plat::PumpEvents();
            continue;
        }
        break;
    }
    // Every window minimised: the game is paused, so give the processor back for a
    // moment instead of spinning. Any desktop event ends the wait at once.
    if (!s.virtualClock && !s.windows.empty() && plat::VideoUp()) {
        bool allMinimized =
            std::all_of(s.windows.begin(), s.windows.end(), [](HWND w) { return w->minimized; });
        if (allMinimized)
            SDL_WaitEventTimeout(nullptr, 10);
    }
    return FALSE;
}

BOOL TranslateMessage(const MSG *msg) {
    // Character messages are not needed by anything: report whether it was a key.
    return msg && (msg->message == WM_KEYDOWN || msg->message == WM_KEYUP);
}

LRESULT DispatchMessageA(const MSG *msg) {
    if (!msg || !plat::FindWindow(msg->hwnd))
        return 0;
    return msg->hwnd->proc(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!plat::FindWindow(window))
        return 0;
    return window->proc(window, message, wParam, lParam);
}

BOOL PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (window && !plat::FindWindow(window))
        return FALSE;
    MSG msg = {};
    msg.hwnd = window;
    msg.message = message;
    msg.wParam = wParam;
    msg.lParam = lParam;
    msg.time = plat::ReadClock();
    S().queue.push_back(msg);
    return TRUE;
}

void PostQuitMessage(int exitCode) {
    // Like Windows, WM_QUIT is a flag handed out once the queue holds nothing else.
    S().quitPosted = true;
    S().quitCode = exitCode;
}

LRESULT DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_CLOSE:
        DestroyWindow(window);
        return 0;
    case WM_SYSCOMMAND:
        switch (wParam & 0xFFF0) {
        case SC_CLOSE:
            SendMessageA(window, WM_CLOSE, 0, 0);
            break;
        case SC_SCREENSAVE:
        case SC_MONITORPOWER:
            // Not refused by the window: the desktop may blank the screen.
            if (plat::VideoUp())
                SDL_EnableScreenSaver();
            break;
        default:
            break;
        }
        return 0;
    default:
        return 0;
    }
}

// --- Classes and windows -------------------------------------------------------------

HICON LoadIconA(HINSTANCE, LPCSTR name) {
    static char icon;
    return name ? reinterpret_cast<HICON>(&icon) : nullptr;
}

HCURSOR LoadCursorA(HINSTANCE, LPCSTR name) {
    static char cursor;
    return name ? reinterpret_cast<HCURSOR>(&cursor) : nullptr;
}

ATOM RegisterClassA(const WNDCLASSA *wc) {
    if (plat::Faulted(Fault::RegisterClass) || !wc || !wc->lpszClassName || !wc->lpfnWndProc)
        return 0;
    if (plat::FindClass(wc->lpszClassName))
        return 0;
    S().classes.push_back({wc->lpszClassName, wc->lpfnWndProc});
    return static_cast<ATOM>(0xC000 + S().classes.size());
}

BOOL UnregisterClassA(LPCSTR className, HINSTANCE) {
    if (plat::Faulted(Fault::UnregisterClass))
        return FALSE;
    plat::WindowClass *c = plat::FindClass(className);
    if (!c)
        return FALSE;
    for (HWND w : S().windows)
        if (w->className == c->name)
            return FALSE; // windows of the class still exist
    S().classes.erase(S().classes.begin() + (c - S().classes.data()));
    return TRUE;
}

BOOL AdjustWindowRectEx(RECT *rect, DWORD, BOOL, DWORD) {
    // The window manager draws any frame outside the client area, so the outer size
    // handed to CreateWindowExA is the client size itself.
    return rect != nullptr;
}

HWND CreateWindowExA(DWORD, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y,
                     int width, int height, HWND, HMENU, HINSTANCE, LPVOID) {
    plat::State &s = S();
    plat::WindowClass *c = plat::FindClass(className);
    if (plat::Faulted(Fault::CreateWindow) || !c || width <= 0 || height <= 0)
        return nullptr;
    if (!plat::EnsureVideo())
        return nullptr;

    const bool popup = (style & WS_POPUP) != 0;
    const bool fullscreen = popup && s.modeRequested;
    Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN;
    if (fullscreen)
        flags |= SDL_WINDOW_FULLSCREEN;
    else if (popup)
        flags |= SDL_WINDOW_BORDERLESS;
    else
        flags |= SDL_WINDOW_RESIZABLE;

    // The visual is chosen with the window, so ask here for what the pixel formats offer.
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 5);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 5);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 5);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);

    SDL_Window *sdl = SDL_CreateWindow(windowName ? windowName : "", x, y, width, height, flags);
    if (!sdl)
        return nullptr;
    plat::WatchDisplay(sdl);
    if (fullscreen) {
        SDL_DisplayMode mode = {};
        mode.w = s.modeWidth;
        mode.h = s.modeHeight;
        SDL_SetWindowDisplayMode(sdl, &mode);
    }
    HWND w = new HWND__;
    w->sdl = sdl;
    w->className = c->name;
    w->proc = c->proc;
    w->fullscreen = fullscreen;
    w->clientWidth = width;
    w->clientHeight = height;
    w->dc.window = w;
    s.windows.push_back(w);
    SendMessageA(w, WM_SIZE, SIZE_RESTORED, MAKELPARAM(width, height));
    return w;
}

BOOL DestroyWindow(HWND window) {
    plat::State &s = S();
    if (plat::Faulted(Fault::DestroyWindow) || !plat::FindWindow(window))
        return FALSE;
    if (s.focus == window) {
        // The active window is deactivated before it goes, as on Windows.
        s.focus = nullptr;
        plat::DevicesLoseFocus();
        SendMessageA(window, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, window->minimized), 0);
        if (!plat::FindWindow(window))
            return TRUE; // destroyed by its own window procedure meanwhile
    }
    s.queue.erase(std::remove_if(s.queue.begin(), s.queue.end(),
                                 [window](const MSG &m) { return m.hwnd == window; }),
                  s.queue.end());
    s.windows.erase(std::find(s.windows.begin(), s.windows.end(), window));
    if (window->sdl)
        SDL_DestroyWindow(window->sdl);
    delete window;
    if (s.windows.empty())
        SDL_EnableScreenSaver();
    return TRUE;
}

BOOL ShowWindow(HWND window, int) {
    if (!plat::FindWindow(window))
        return FALSE;
    BOOL wasVisible = window->visible;
    SDL_ShowWindow(window->sdl);
    window->visible = true;
    if (!wasVisible) {
        // Showing activates the window, as on Windows.
        S().focus = window;
        SendMessageA(window, WM_ACTIVATE, MAKEWPARAM(WA_ACTIVE, 0), 0);
        if (plat::FindWindow(window))
            plat::AskScreenSaver(window);
    }
    return wasVisible;
}

BOOL SetForegroundWindow(HWND window) {
    if (!plat::FindWindow(window))
        return FALSE;
    SDL_RaiseWindow(window->sdl);
    S().focus = window;
    return TRUE;
}

HWND SetFocus(HWND window) {
    HWND previous = S().focus;
    if (!plat::FindWindow(window))
        return nullptr;
    S().focus = window;
    return previous;
}

int ShowCursor(BOOL show) {
    plat::State &s = S();
    s.cursorCount += show ? 1 : -1;
    if (plat::VideoUp())
        SDL_ShowCursor(s.cursorCount >= 0 ? SDL_ENABLE : SDL_DISABLE);
    return s.cursorCount;
}

static LONG ChangeDisplayMode(DEVMODEA *mode);

LONG ChangeDisplaySettingsA(DEVMODEA *mode, DWORD) {
    // A demo plays back in a window: the display keeps its mode, and the game hears what
    // the display answered when the demo was recorded.
    if (mode && demo::hook::Playing())
        return demo::hook::PlayResult(demo::Kind::DisplayMode, DISP_CHANGE_SUCCESSFUL);
    const LONG result = ChangeDisplayMode(mode);
    if (mode && demo::hook::Recording())
        demo::hook::RecordResult(demo::Kind::DisplayMode, result);
    return result;
}

static LONG ChangeDisplayMode(DEVMODEA *mode) {
    plat::State &s = S();
    if (!mode) {
        s.modeRequested = false;
        for (HWND w : s.windows)
            if (w->fullscreen) {
                SDL_SetWindowFullscreen(w->sdl, 0);
                w->fullscreen = false;
            }
        return DISP_CHANGE_SUCCESSFUL;
    }
    if (plat::Faulted(Fault::ChangeDisplaySettings))
        return DISP_CHANGE_FAILED;
    const DWORD needed = DM_PELSWIDTH | DM_PELSHEIGHT;
    if ((mode->dmFields & needed) != needed || mode->dmPelsWidth == 0 || mode->dmPelsHeight == 0)
        return DISP_CHANGE_BADPARAM;
    if (!plat::EnsureVideo())
        return DISP_CHANGE_FAILED;
    // Colour depth is left to the desktop: modern displays only offer 24 or 32 bits.
    const int width = static_cast<int>(mode->dmPelsWidth);
    const int height = static_cast<int>(mode->dmPelsHeight);
    if (!plat::DisplayHasMode(width, height))
        return DISP_CHANGE_BADMODE;
    s.modeRequested = true;
    s.modeWidth = width;
    s.modeHeight = height;
    return DISP_CHANGE_SUCCESSFUL;
}

// --- Device contexts and GL ----------------------------------------------------------

HDC GetDC(HWND window) {
    if (plat::Faulted(Fault::GetDC) || !plat::FindWindow(window))
        return nullptr;
    window->dc.held++;
    return &window->dc;
}

int ReleaseDC(HWND window, HDC dc) {
    if (plat::Faulted(Fault::ReleaseDC) || !plat::FindWindow(window) || dc != &window->dc ||
        dc->held == 0)
        return 0;
    dc->held--;
    return 1;
}

int ChoosePixelFormat(HDC dc, const PIXELFORMATDESCRIPTOR *pfd) {
    if (plat::Faulted(Fault::ChoosePixelFormat) || !plat::FindDC(dc) || !pfd)
        return 0;
    const DWORD needed = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL;
    if ((pfd->dwFlags & needed) != needed || pfd->iPixelType != PFD_TYPE_RGBA)
        return 0;
    // Format 1: double-buffered RGBA with a depth buffer; 2: the same, single-buffered.
    return (pfd->dwFlags & PFD_DOUBLEBUFFER) ? 1 : 2;
}

BOOL SetPixelFormat(HDC dc, int format, const PIXELFORMATDESCRIPTOR *pfd) {
    if (plat::Faulted(Fault::SetPixelFormat) || !plat::FindDC(dc) || (format != 1 && format != 2))
        return FALSE;
    if (dc->pixelFormat != 0 && dc->pixelFormat != format)
        return FALSE; // a window's pixel format is set once
    dc->pixelFormat = format;
    dc->doubleBuffer = format == 1;
    dc->depthBits = pfd && pfd->cDepthBits ? pfd->cDepthBits : 16;
    return TRUE;
}

namespace {

// The game paces itself at 25 ms a frame, one step of the game a frame. A swap that waits
// for the display's retrace would stretch each frame to the next retrace (to 33 ms on a
// 60 Hz display) and slow the whole game down with it, so every context is asked not to
// wait. A driver that refuses is worth one line on stderr; the game runs on regardless.
void AskNoSwapWait() {
    seams::SwapInterval interval;
    interval.asked = 0;
    interval.taken = !plat::Faulted(Fault::SwapInterval) && SDL_GL_SetSwapInterval(0) == 0;
    interval.inForce = plat::Faulted(Fault::SwapInterval) ? 1 : SDL_GL_GetSwapInterval();
    S().swapIntervals.push_back(interval);
    static bool told = false;
    if ((!interval.taken || interval.inForce != 0) && !told) {
        told = true;
        std::fprintf(stderr,
                     "gravewake: the display did not let the game stop waiting for its retrace "
                     "(%s); the game may run slower than it should\n",
                     interval.taken ? "the swap interval stays on" : SDL_GetError());
    }
}

} // namespace

HGLRC wglCreateContext(HDC dc) {
    if (plat::Faulted(Fault::CreateContext) || !plat::FindDC(dc) || dc->pixelFormat == 0)
        return nullptr;
    SDL_Window *previousWindow = SDL_GL_GetCurrentWindow();
    SDL_GLContext previous = SDL_GL_GetCurrentContext();
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, dc->doubleBuffer ? 1 : 0);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, dc->depthBits);
    SDL_GLContext context = SDL_GL_CreateContext(dc->window->sdl);
    if (context)
        AskNoSwapWait(); // while the new context is current on its window
    // SDL makes a new context current; Windows does not, so put back what was current.
    SDL_GL_MakeCurrent(previousWindow, previous);
    if (!context)
        return nullptr;
    HGLRC rc = new HGLRC__;
    rc->sdlContext = context;
    rc->dc = dc;
    S().contexts.push_back(rc);
    return rc;
}

BOOL wglMakeCurrent(HDC dc, HGLRC rc) {
    if (!rc) {
        if (plat::Faulted(Fault::ReleaseCurrent))
            return FALSE;
        if (plat::VideoUp())
            SDL_GL_MakeCurrent(nullptr, nullptr);
        return TRUE;
    }
    if (plat::Faulted(Fault::MakeCurrent) || !plat::FindDC(dc) || !plat::FindContext(rc))
        return FALSE;
    return SDL_GL_MakeCurrent(dc->window->sdl, rc->sdlContext) == 0;
}

BOOL wglDeleteContext(HGLRC rc) {
    plat::State &s = S();
    if (plat::Faulted(Fault::DeleteContext) || !plat::FindContext(rc))
        return FALSE;
    if (SDL_GL_GetCurrentContext() == rc->sdlContext)
        SDL_GL_MakeCurrent(nullptr, nullptr);
    SDL_GL_DeleteContext(rc->sdlContext);
    s.contexts.erase(std::find(s.contexts.begin(), s.contexts.end(), rc));
    delete rc;
    return TRUE;
}

PROC wglGetProcAddress(LPCSTR name) {
    if (!name || !SDL_GL_GetCurrentContext())
        return nullptr;
    return reinterpret_cast<PROC>(SDL_GL_GetProcAddress(name));
}

BOOL SwapBuffers(HDC dc) {
    if (!plat::FindDC(dc))
        return FALSE;
    SDL_GL_SwapWindow(dc->window->sdl);
    // Without a display (SDL's offscreen driver) the swap shows nothing and waits for
    // nothing, so a software renderer lets finished frames pile up in its queue, well
    // over a gigabyte when the machine is busy. Finish the frame instead, as showing it
    // on a display would.
    if (plat::Offscreen())
        glFinish();
    S().presents++;
    return TRUE;
}
