// What the demo recorder and player ask of the SDL stand-ins.
#include "platform/Demo.h"
#include "platform/sdl/Internal.h"

#include <cstdlib>

namespace demo::host {

bool ViewerQuits() {
    plat::State &st = plat::S();
    plat::PumpEvents();
    bool quit = (st.keys[DIK_ESCAPE] & 0x80) != 0;
    for (const MSG &m : st.queue)
        if ((m.message == WM_SYSCOMMAND && (m.wParam & 0xFFF0) == SC_CLOSE) ||
            m.message == WM_CLOSE)
            quit = true;
    st.queue.clear();
    plat::ResetInputState();
    return quit;
}

int WindowIndex(HWND window) {
    const auto &windows = plat::S().windows;
    for (size_t i = 0; i < windows.size(); i++)
        if (windows[i] == window)
            return static_cast<int>(i);
    return -1;
}

HWND WindowAt(int index) {
    const auto &windows = plat::S().windows;
    return index >= 0 && static_cast<size_t>(index) < windows.size() ? windows[size_t(index)]
                                                                     : nullptr;
}

// SDL's own driver without a display: the GL context is real, nothing is shown.
void DrawOffscreen() {
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
}

} // namespace demo::host
