// On Windows the game polls the real DirectInput 8.
#pragma once

#include "platform/win32/Win32.h"

#ifndef DIRECTINPUT_VERSION
#define DIRECTINPUT_VERSION 0x0800
#endif
#include <dinput.h>
