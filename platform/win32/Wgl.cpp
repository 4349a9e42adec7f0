// WGL as the game relies on it on every driver.
//
// GDI fonts as GL bitmap fonts: wglUseFontBitmapsA, and then every blank glyph (the
// space) made again as one unset pixel that advances the raster position. Mesa compiles
// an empty bitmap into a display list as nothing at all, so under Wine a space would
// not advance; Windows' own drivers take the same list as it is meant.
//
// The game paces itself at 25 ms a frame, one step of the game a frame. A swap that waits
// for the display's retrace (WGL's default under Wine, and on many drivers) would stretch
// each frame to the next retrace (33 ms at 60 Hz) and slow the whole game down, so every
// context is asked not to wait as it is made current, as on Linux.
#include "platform/win32/Win32.h"

#include <GL/gl.h>

#undef wglUseFontBitmapsA
#undef wglMakeCurrent

namespace win {

BOOL WINAPI UseFontBitmaps(HDC dc, DWORD first, DWORD count, DWORD listBase) {
    if (!wglUseFontBitmapsA(dc, first, count, listBase))
        return FALSE;
    static const MAT2 identity = {{0, 1}, {0, 0}, {0, 0}, {0, 1}};
    static const GLubyte blank[4] = {};
    for (DWORD i = 0; i < count; i++) {
        GLYPHMETRICS metrics;
        if (GetGlyphOutlineA(dc, first + i, GGO_BITMAP, &metrics, 0, nullptr, &identity) != 0)
            continue; // drawn pixels, or no glyph at all: as Windows made it
        glNewList(listBase + i, GL_COMPILE);
        glBitmap(1, 1, 0.0f, 0.0f, float(metrics.gmCellIncX), float(metrics.gmCellIncY), blank);
        glEndList();
    }
    return TRUE;
}

BOOL WINAPI MakeCurrent(HDC dc, HGLRC context) {
    if (!wglMakeCurrent(dc, context))
        return FALSE;
    using SwapInterval = BOOL(WINAPI *)(int);
    if (context)
        if (auto set = reinterpret_cast<SwapInterval>(
                reinterpret_cast<void (*)()>(wglGetProcAddress("wglSwapIntervalEXT"))))
            set(0);
    return TRUE;
}

} // namespace win
