// The wave-out device the music is streamed to: on Windows winmm's own, on Linux the
// stand-in of platform/sdl/.
#pragma once

#ifdef _WIN32
#include "platform/win32/mmsystem.h"
#else
#include "platform/sdl/mmsystem.h"
#endif
