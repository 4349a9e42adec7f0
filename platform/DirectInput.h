// DirectInput 8, the keyboard and mouse the game polls: on Windows the real one, on Linux
// the stand-in of platform/sdl/.
#pragma once

#ifdef _WIN32
#include "platform/win32/DirectInput.h"
#else
#include "platform/sdl/DirectInput.h"
#endif
