// On Windows the music goes to winmm's own wave-out device.
#pragma once

#include "platform/win32/Win32.h"

#include <mmsystem.h>
