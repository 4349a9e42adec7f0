// Losing the X display ends the game at once. Xlib's own handler for a broken connection
// prints its line and calls exit(); the exit handlers then shut SDL's video down, and
// SDL waits for events from a server that is gone, spinning for ever. Ours says it in
// one line and leaves with _exit: nothing can be restored through a dead connection,
// and no exit handler, sound thread or destructor gets a chance to hold the game up.
//
// libX11 is the one SDL loads for its X11 driver; it is looked up at run time, so the
// game does not need it on a desktop without X.
#include "platform/sdl/Internal.h"

#include <SDL2/SDL.h>
#include <SDL2/SDL_syswm.h>
#include <X11/Xlib.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <unistd.h>

namespace plat {

namespace {

[[noreturn]] void Leave(Display *display) {
    const char *name = display ? DisplayString(display) : nullptr;
    if (!name || !*name)
        name = std::getenv("DISPLAY");
    char line[300];
    int length = std::snprintf(line, sizeof line,
                               "gravewake: the connection to the display %s was lost; the game "
                               "ends\n",
                               name && *name ? name : "(unknown)");
    if (length > 0) {
        if (length >= static_cast<int>(sizeof line))
            length = sizeof line - 1;
        ssize_t written = write(STDERR_FILENO, line, static_cast<size_t>(length));
        (void)written;
    }
    _exit(DisplayLostExitCode);
}

int OnIOError(Display *display) {
    Leave(display);
}

void OnIOErrorExit(Display *display, void *) {
    Leave(display);
}

using SetIOErrorHandlerFn = XIOErrorHandler (*)(XIOErrorHandler);
using SetIOErrorExitHandlerFn = void (*)(Display *, XIOErrorExitHandler, void *);

void *X11() {
    // Kept open for good, so that the handlers stay where Xlib calls them.
    static void *library = dlopen("libX11.so.6", RTLD_LAZY | RTLD_LOCAL);
    return library;
}

} // namespace

void WatchDisplay(SDL_Window *window) {
    // Another video driver (offscreen, Wayland) has no X connection to lose; before
    // the video is up, a message box may open one.
    const char *driver = SDL_GetCurrentVideoDriver();
    if (VideoUp() && (!driver || std::strcmp(driver, "x11") != 0))
        return;
    void *x11 = X11();
    if (!x11)
        return;
    if (auto set = reinterpret_cast<SetIOErrorHandlerFn>(dlsym(x11, "XSetIOErrorHandler")))
        set(OnIOError);
    // The handler above does not return, so Xlib's exit handler is never reached; it is
    // replaced too in case another library puts its handler in place of ours later.
    // libX11 before 1.7 has no exit handler.
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!window || !SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11)
        return;
    auto setExit = reinterpret_cast<SetIOErrorExitHandlerFn>(dlsym(x11, "XSetIOErrorExitHandler"));
    if (setExit && info.info.x11.display)
        setExit(info.info.x11.display, OnIOErrorExit, nullptr);
}

} // namespace plat
