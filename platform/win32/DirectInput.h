// On Windows the game polls the real DirectInput 8, through devices that a demo records
// or plays back (platform/win32/Demo.cpp).
#pragma once

#include "platform/win32/Win32.h"

#ifndef DIRECTINPUT_VERSION
#define DIRECTINPUT_VERSION 0x0800
#endif
#include <dinput.h>

namespace win {
HRESULT WINAPI DirectInput8Create(HINSTANCE instance, DWORD version, REFIID iid, LPVOID *out,
                                  LPUNKNOWN outer);
} // namespace win

#define DirectInput8Create win::DirectInput8Create
