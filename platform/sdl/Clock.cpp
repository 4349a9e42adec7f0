// Tick count and Sleep. The tick count is the monotonic clock in milliseconds, cut to
// 32 bits like the Windows one, so it wraps the same way.
#include "platform/Demo.h"
#include "platform/sdl/Internal.h"

#include <cerrno>
#include <ctime>

DWORD GetTickCount() {
    const DWORD now = plat::ReadClock();
    return demo::hook::Recording() || demo::hook::Playing() ? demo::hook::Tick(now) : now;
}

DWORD plat::ReadClock() {
    plat::State &s = plat::S();
    if (s.virtualClock) {
        DWORD now = s.virtualNow;
        s.virtualNow += s.virtualStep;
        return now;
    }
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    uint64_t ms =
        static_cast<uint64_t>(ts.tv_sec) * 1000u + static_cast<uint64_t>(ts.tv_nsec) / 1000000u;
    return static_cast<DWORD>(ms);
}

void Sleep(DWORD milliseconds) {
    plat::State &s = plat::S();
    // A timed demo runs as fast as frames can be drawn.
    if (demo::hook::FastPlay())
        return;
    s.slept += milliseconds;
    if (s.virtualClock) {
        s.virtualNow += milliseconds;
        return;
    }
    timespec ts;
    ts.tv_sec = milliseconds / 1000;
    ts.tv_nsec = static_cast<long>(milliseconds % 1000) * 1000000L;
    while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
    }
}

HMODULE GetModuleHandleA(LPCSTR name) {
    // One module: the program itself. Its handle only has to be non-null and stable.
    static char module;
    if (name != nullptr)
        return nullptr;
    return reinterpret_cast<HMODULE>(&module);
}
