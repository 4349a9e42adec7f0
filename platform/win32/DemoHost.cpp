// What the demo recorder and player ask of Windows.
#include "platform/Demo.h"

#include <vector>

namespace {

// The calling thread's top-level windows. The game has one window at a time.
std::vector<HWND> ThreadWindows() {
    std::vector<HWND> windows;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND w, LPARAM list) -> BOOL {
            reinterpret_cast<std::vector<HWND> *>(list)->push_back(w);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&windows));
    return windows;
}

} // namespace

namespace demo::host {

// The viewer's messages never reach the game's window procedure: they go to the default
// one, which keeps the window painted and answering.
bool ViewerQuits() {
    bool quit = false;
    MSG m;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
        if ((m.message == WM_KEYDOWN && m.wParam == VK_ESCAPE) || m.message == WM_CLOSE ||
            m.message == WM_QUIT ||
            (m.message == WM_SYSCOMMAND && (m.wParam & 0xFFF0) == SC_CLOSE))
            quit = true;
        else if (m.hwnd)
            DefWindowProcA(m.hwnd, m.message, m.wParam, m.lParam);
    }
    return quit;
}

int WindowIndex(HWND window) {
    const std::vector<HWND> windows = ThreadWindows();
    for (size_t i = 0; i < windows.size(); i++)
        if (windows[i] == window)
            return static_cast<int>(i);
    return -1;
}

HWND WindowAt(int index) {
    const std::vector<HWND> windows = ThreadWindows();
    return index >= 0 && size_t(index) < windows.size() ? windows[size_t(index)] : nullptr;
}

// A WGL context needs a window on the desktop: the window is shown.
void DrawOffscreen() {}

} // namespace demo::host
