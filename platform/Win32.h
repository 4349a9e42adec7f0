// The slice of the Win32 API the game was written against: on Windows the real one, on
// Linux the stand-in declarations of platform/sdl/.
#pragma once

#ifdef _WIN32
#include "platform/win32/Win32.h"
#else
#include "platform/sdl/Win32.h"
#endif
