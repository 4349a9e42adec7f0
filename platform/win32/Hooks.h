// The calls of the game that the Windows layer takes first, by name, before they go on
// to Windows itself: the bitmap fonts, whose blank glyphs are made again so that they
// advance on every GL driver.
#pragma once

namespace win {
BOOL WINAPI UseFontBitmaps(HDC dc, DWORD first, DWORD count, DWORD listBase);
} // namespace win

#define wglUseFontBitmapsA win::UseFontBitmaps
