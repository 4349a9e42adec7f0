// Keyboard and mouse, polled once per main-loop pass into plain state tables and
// queried by DirectInput scan code. No events, no key repeat, no edges: a caller that
// wants one action per press keeps its own latch.
#pragma once

#include "platform/DirectInput.h"

class CKeyboard {
  public:
    CKeyboard(LPDIRECTINPUT8 directInput, HWND window);
    ~CKeyboard();
    bool Update();
    bool Acquire();
    bool Unacquire();
    void Clear();
    bool KeyDown(unsigned char key) const { return (keyState[key] & 0x80) != 0; }
    bool KeyUp(unsigned char key) const { return (keyState[key] & 0x80) == 0; }

    LPDIRECTINPUTDEVICE8 device;
    unsigned char keyState[256];
};

class CMouse {
  public:
    CMouse() {}
    CMouse(LPDIRECTINPUT8 directInput, HWND window, bool exclusive);
    ~CMouse();
    bool Update();
    bool Acquire();
    bool Unacquire();
    bool ButtonDown(int button) const {
        return button >= 0 && button < 4 && (state.rgbButtons[button] & 0x80) != 0;
    }
    bool ButtonUp(int button) const {
        return button >= 0 && button < 4 && (state.rgbButtons[button] & 0x80) == 0;
    }
    int GetWheelMovement() const { return state.lZ; }
    void GetMovement(float &dx, float &dy) const {
        dx = static_cast<float>(state.lX);
        dy = static_cast<float>(state.lY);
    }

    float posX;        // accumulated horizontal position in degrees (the camera's yaw)
    float posY;        // accumulated vertical position in degrees (minus the pitch)
    float sensitivity; // degrees per mouse count
    LPDIRECTINPUTDEVICE8 device;
    DIMOUSESTATE state;
};

// No constructor on purpose: the application creates it zero-filled.
class CInputSystem {
  public:
    bool Initialize(HWND window, HINSTANCE instance, bool exclusive, DWORD flags);
    bool Update();
    void AcquireAll();
    void UnacquireAll();
    bool Shutdown();
    // Scan codes are bytes: -48 and 208 (0xD0) both name DIK_DOWN.
    bool KeyDown(int key) const;
    bool KeyUp(int key) const;
    bool ButtonDown(int button) const;
    bool ButtonUp(int button) const;
    void GetMouseMovement(float &dx, float &dy) const;
    int GetMouseWheelMovement() const;
    // The game controls, once per pass while the game is played.
    void ProcessInput();
    void UpdateMouse();
    void MouseInput();
    void KeyboardInput();

    float mouseDeltaX;
    float mouseDeltaY;
    bool attackLatch;
    bool zombieResetLatch;
    LPDIRECTINPUT8 directInput;
};

extern CInputSystem *Input;
extern CKeyboard *Keyboard;
extern CMouse *Mouse;
