// The calls of the game that the Windows layer takes first, by name, before they go on
// to Windows itself: everything a demo records or plays back (the tick count, the
// messages, the message boxes, the display's answers and, through platform/win32/
// DirectInput.h, the input devices), the bitmap fonts, whose blank glyphs are made
// again so that they advance on every GL driver, and the GL contexts, each asked not to
// wait for the display's retrace. Outside a demo each call is the real one.
#pragma once

namespace win {
DWORD WINAPI GetTickCount();
void WINAPI Sleep(DWORD milliseconds);
int WINAPI MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type);
BOOL WINAPI PeekMessageA(LPMSG msg, HWND window, UINT filterMin, UINT filterMax, UINT remove);
LRESULT WINAPI DispatchMessageA(const MSG *msg);
ATOM WINAPI RegisterClassA(const WNDCLASSA *windowClass);
LONG WINAPI ChangeDisplaySettingsA(DEVMODEA *mode, DWORD flags);
BOOL WINAPI UseFontBitmaps(HDC dc, DWORD first, DWORD count, DWORD listBase);
BOOL WINAPI MakeCurrent(HDC dc, HGLRC context);
} // namespace win

#define GetTickCount win::GetTickCount
#define Sleep win::Sleep
#define MessageBoxA win::MessageBoxA
#define PeekMessageA win::PeekMessageA
#define DispatchMessageA win::DispatchMessageA
#define RegisterClassA win::RegisterClassA
#define ChangeDisplaySettingsA win::ChangeDisplaySettingsA
#define wglUseFontBitmapsA win::UseFontBitmaps
#define wglMakeCurrent win::MakeCurrent
