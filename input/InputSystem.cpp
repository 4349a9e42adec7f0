#include "input/InputSystem.h"

#include <cstring>
#include <new>

CKeyboard *Keyboard = nullptr;
CMouse *Mouse = nullptr;

// --- CKeyboard ----------------------------------------------------------------------

CKeyboard::CKeyboard(LPDIRECTINPUT8 directInput, HWND window) : device(nullptr) {
    // Results are not checked: a device that failed here is retried by Update.
    directInput->CreateDevice(GUID_SysKeyboard, &device, nullptr);
    if (device) {
        device->SetDataFormat(&c_dfDIKeyboard);
        device->SetCooperativeLevel(window, DISCL_FOREGROUND | DISCL_NONEXCLUSIVE);
        device->Acquire();
    }
    Clear();
}

CKeyboard::~CKeyboard() {
    if (device) {
        device->Unacquire();
        device->Release();
    }
}

bool CKeyboard::Update() {
    if (!device)
        return false;
    if (SUCCEEDED(device->GetDeviceState(sizeof keyState, keyState)))
        return true;
    // Lost (another window has the focus): try to get it back once per poll.
    if (FAILED(device->Acquire()))
        return false;
    return SUCCEEDED(device->GetDeviceState(sizeof keyState, keyState));
}

bool CKeyboard::Acquire() {
    Clear();
    return device && SUCCEEDED(device->Acquire());
}

bool CKeyboard::Unacquire() {
    Clear();
    return device && SUCCEEDED(device->Unacquire());
}

void CKeyboard::Clear() {
    std::memset(keyState, 0, sizeof keyState);
}

// --- CMouse -------------------------------------------------------------------------

CMouse::CMouse(LPDIRECTINPUT8 directInput, HWND window, bool exclusive)
    : posX(0.0f), posY(0.0f), sensitivity(0.05f), device(nullptr), state() {
    directInput->CreateDevice(GUID_SysMouse, &device, nullptr);
    if (device) {
        device->SetDataFormat(&c_dfDIMouse);
        device->SetCooperativeLevel(window,
                                    exclusive ? DISCL_EXCLUSIVE | DISCL_FOREGROUND | DISCL_NOWINKEY
                                              : DISCL_FOREGROUND | DISCL_NONEXCLUSIVE);
        device->Acquire();
        device->GetDeviceState(sizeof state, &state);
    }
}

CMouse::~CMouse() {
    if (device) {
        device->Unacquire();
        device->Release();
    }
}

bool CMouse::Update() {
    if (device && SUCCEEDED(device->GetDeviceState(sizeof state, &state)))
        return true;
    if (device && SUCCEEDED(device->Acquire()) &&
        SUCCEEDED(device->GetDeviceState(sizeof state, &state)))
        return true;
    // Nothing could be read: no motion and no buttons since the last poll. Keeping the
    // old block would replay the last motion every pass and turn the view by itself
    // while the window is in the background.
    state = DIMOUSESTATE();
    return false;
}

bool CMouse::Acquire() {
    return device && SUCCEEDED(device->Acquire());
}

bool CMouse::Unacquire() {
    return device && SUCCEEDED(device->Unacquire());
}

// --- CInputSystem -------------------------------------------------------------------

bool CInputSystem::Initialize(HWND window, HINSTANCE instance, bool exclusive, DWORD flags) {
    // A second Initialize without Shutdown must not leave the old devices behind.
    Shutdown();
    if (FAILED(DirectInput8Create(instance, DIRECTINPUT_VERSION, IID_IDirectInput8,
                                  reinterpret_cast<LPVOID *>(&directInput), nullptr))) {
        directInput = nullptr;
        return false;
    }
    if (flags & 1) {
        Keyboard = new (std::nothrow) CKeyboard(directInput, window);
        if (!Keyboard)
            return false;
    }
    if (flags & 2) {
        Mouse = new (std::nothrow) CMouse(directInput, window, exclusive);
        if (!Mouse)
            return false;
    }
    return true;
}

bool CInputSystem::Update() {
    if (Keyboard)
        Keyboard->Update();
    if (Mouse)
        Mouse->Update();
    return true;
}

void CInputSystem::AcquireAll() {
    if (Keyboard)
        Keyboard->Acquire();
    if (Mouse)
        Mouse->Acquire();
}

void CInputSystem::UnacquireAll() {
    if (Keyboard)
        Keyboard->Unacquire();
    if (Mouse)
        Mouse->Unacquire();
}

bool CInputSystem::Shutdown() {
    if (Keyboard)
        Keyboard->Unacquire();
    if (Mouse)
        Mouse->Unacquire();
    delete Keyboard;
    Keyboard = nullptr;
    // The mouse goes with the keyboard: a window created later gets a fresh exclusive
    // mouse instead of competing with this one.
    delete Mouse;
    Mouse = nullptr;
    if (directInput) {
        directInput->Release();
        directInput = nullptr;
    }
    return true;
}

bool CInputSystem::KeyDown(int key) const {
    return Keyboard && Keyboard->KeyDown(static_cast<unsigned char>(key));
}

bool CInputSystem::KeyUp(int key) const {
    return Keyboard && Keyboard->KeyUp(static_cast<unsigned char>(key));
}

bool CInputSystem::ButtonDown(int button) const {
    return Mouse && Mouse->ButtonDown(button);
}

bool CInputSystem::ButtonUp(int button) const {
    return Mouse && Mouse->ButtonUp(button);
}

void CInputSystem::GetMouseMovement(float &dx, float &dy) const {
    if (Mouse)
        Mouse->GetMovement(dx, dy);
}

int CInputSystem::GetMouseWheelMovement() const {
    return Mouse ? Mouse->GetWheelMovement() : 0;
}
