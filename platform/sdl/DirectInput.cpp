// DirectInput 8 keyboard and mouse on the desktop events gathered by the message pump.
// A foreground device can only be acquired while its window has the focus and loses
// its acquisition when the focus goes; the exclusive mouse is SDL's relative mode.
#include "platform/Demo.h"
#include "platform/sdl/Internal.h"

#include <SDL2/SDL.h>
#include <algorithm>
#include <cstring>
#include <vector>

const GUID GUID_SysKeyboard = {
    0x6F1D2B61, 0xD5A0, 0x11CF, {0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
const GUID GUID_SysMouse = {
    0x6F1D2B60, 0xD5A0, 0x11CF, {0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
const GUID IID_IDirectInput8A = {
    0xBF798030, 0x483A, 0x4DA2, {0xAA, 0x99, 0x5D, 0x64, 0xED, 0x36, 0x97, 0x00}};
const DIDATAFORMAT c_dfDIKeyboard = {24, 16, 2, 256, 256, nullptr};
const DIDATAFORMAT c_dfDIMouse = {24, 16, 2, sizeof(DIMOUSESTATE), 7, nullptr};

struct DeviceImpl {
    IDirectInputDevice8A iface;
    ULONG refs = 1;
    bool mouse = false;
    const DIDATAFORMAT *format = nullptr;
    HWND window = nullptr;
    DWORD level = 0;
    bool acquired = false;
    bool lost = false;
    LONG dx = 0, dy = 0, dz = 0;

    static DeviceImpl *Of(IDirectInputDevice8A *d) { return d->impl; }
    static DeviceImpl *Create(bool mouse) {
        DeviceImpl *impl = new DeviceImpl;
        impl->iface.impl = impl;
        impl->mouse = mouse;
        return impl;
    }
    bool ExclusiveMouse() const { return mouse && (level & DISCL_EXCLUSIVE); }
};

namespace {

std::vector<DeviceImpl *> &Devices() {
    static std::vector<DeviceImpl *> devices;
    return devices;
}

bool SameGuid(const GUID &a, const GUID &b) {
    return std::memcmp(&a, &b, sizeof(GUID)) == 0;
}

void SetRelativeMouse(bool on) {
    if (plat::VideoUp())
        SDL_SetRelativeMouseMode(on ? SDL_TRUE : SDL_FALSE);
}

} // namespace

namespace plat {

void DevicesLoseFocus() {
    for (DeviceImpl *d : Devices()) {
        if (d->acquired && (d->level & DISCL_FOREGROUND)) {
            d->acquired = false;
            d->lost = true;
            if (d->ExclusiveMouse())
                SetRelativeMouse(false);
        }
    }
}

void DevicesMouseMotion(int dx, int dy, int dz) {
    for (DeviceImpl *d : Devices()) {
        if (d->mouse && d->acquired) {
            d->dx += dx;
            d->dy += dy;
            d->dz += dz;
        }
    }
}

void ResetInputState() {
    State &s = S();
    std::memset(s.keys, 0, sizeof s.keys);
    std::memset(s.buttons, 0, sizeof s.buttons);
    std::memset(s.keyUnseen, 0, sizeof s.keyUnseen);
    std::memset(s.keyReleasePending, 0, sizeof s.keyReleasePending);
    std::memset(s.buttonUnseen, 0, sizeof s.buttonUnseen);
    std::memset(s.buttonReleasePending, 0, sizeof s.buttonReleasePending);
}

int LiveDevices(bool mouse) {
    return static_cast<int>(std::count_if(Devices().begin(), Devices().end(),
                                          [mouse](DeviceImpl *d) { return d->mouse == mouse; }));
}

bool AnyRelativeMouse() {
    return std::any_of(Devices().begin(), Devices().end(),
                       [](DeviceImpl *d) { return d->acquired && d->ExclusiveMouse(); });
}

} // namespace plat

HRESULT DirectInput8Create(HINSTANCE instance, DWORD version, REFIID iid, LPVOID *out, void *) {
    if (!out)
        return DIERR_INVALIDPARAM;
    *out = nullptr;
    if (plat::Faulted(seams::Fault::DirectInputCreate))
        return DIERR_GENERIC;
    if (!instance || !SameGuid(iid, IID_IDirectInput8A))
        return DIERR_INVALIDPARAM;
    if (version != DIRECTINPUT_VERSION)
        return DIERR_OLDDIRECTINPUTVERSION;
    *out = new IDirectInput8A;
    plat::S().liveDirectInputs++;
    return DI_OK;
}

HRESULT IDirectInput8A::CreateDevice(REFGUID device, IDirectInputDevice8A **out, void *) {
    if (!out)
        return DIERR_INVALIDPARAM;
    *out = nullptr;
    bool mouse;
    if (SameGuid(device, GUID_SysKeyboard))
        mouse = false;
    else if (SameGuid(device, GUID_SysMouse))
        mouse = true;
    else
        return DIERR_DEVICENOTREG;
    DeviceImpl *impl = DeviceImpl::Create(mouse);
    Devices().push_back(impl);
    *out = &impl->iface;
    return DI_OK;
}

ULONG IDirectInput8A::Release() {
    if (--refs > 0)
        return refs;
    plat::S().liveDirectInputs--;
    delete this;
    return 0;
}

HRESULT IDirectInputDevice8A::SetDataFormat(const DIDATAFORMAT *format) {
    DeviceImpl *d = DeviceImpl::Of(this);
    if (d->acquired)
        return DIERR_GENERIC; // the format cannot change while acquired
    if (format != &c_dfDIKeyboard && format != &c_dfDIMouse)
        return DIERR_INVALIDPARAM;
    if ((format == &c_dfDIMouse) != d->mouse)
        return DIERR_INVALIDPARAM;
    d->format = format;
    return DI_OK;
}

HRESULT IDirectInputDevice8A::SetCooperativeLevel(HWND window, DWORD flags) {
    DeviceImpl *d = DeviceImpl::Of(this);
    const bool oneAccess = ((flags & DISCL_EXCLUSIVE) != 0) != ((flags & DISCL_NONEXCLUSIVE) != 0);
    const bool oneGround = ((flags & DISCL_FOREGROUND) != 0) != ((flags & DISCL_BACKGROUND) != 0);
    if (!oneAccess || !oneGround || !plat::FindWindow(window))
        return DIERR_INVALIDPARAM;
    if (!d->mouse && (flags & DISCL_EXCLUSIVE) && (flags & DISCL_BACKGROUND))
        return DIERR_INVALIDPARAM; // as on Windows: no exclusive background keyboard
    if (d->acquired)
        return DIERR_GENERIC;
    d->window = window;
    d->level = flags;
    return DI_OK;
}

static HRESULT AcquireDevice(DeviceImpl *d);

HRESULT IDirectInputDevice8A::Acquire() {
    // Played back, the devices stay as they are (the mouse is not taken from the viewer)
    // and the game hears what it heard when the demo was recorded.
    if (demo::hook::Playing())
        return demo::hook::PlayResult(demo::Kind::Acquire, DI_OK);
    const HRESULT result = AcquireDevice(DeviceImpl::Of(this));
    if (demo::hook::Recording())
        demo::hook::RecordResult(demo::Kind::Acquire, result);
    return result;
}

static HRESULT AcquireDevice(DeviceImpl *d) {
    if (!d->format || !d->window)
        return DIERR_INVALIDPARAM;
    if (d->acquired)
        return DI_NOEFFECT;
    if (!plat::FindWindow(d->window))
        return DIERR_OTHERAPPHASPRIO;
    if ((d->level & DISCL_FOREGROUND) && plat::S().focus != d->window)
        return DIERR_OTHERAPPHASPRIO;
    if (d->ExclusiveMouse()) {
        for (DeviceImpl *other : Devices())
            if (other != d && other->acquired && other->ExclusiveMouse())
                return DIERR_OTHERAPPHASPRIO;
        SetRelativeMouse(true);
    }
    d->acquired = true;
    d->lost = false;
    d->dx = d->dy = d->dz = 0;
    return DI_OK;
}

HRESULT IDirectInputDevice8A::Unacquire() {
    DeviceImpl *d = DeviceImpl::Of(this);
    if (!d->acquired)
        return DI_NOEFFECT;
    d->acquired = false;
    if (d->ExclusiveMouse())
        SetRelativeMouse(false);
    return DI_OK;
}

static HRESULT ReadDeviceState(DeviceImpl *d, DWORD size, LPVOID data);

HRESULT IDirectInputDevice8A::GetDeviceState(DWORD size, LPVOID data) {
    DeviceImpl *d = DeviceImpl::Of(this);
    if (demo::hook::Playing())
        return demo::hook::PlayDeviceState(d->mouse, data, size);
    const HRESULT result = ReadDeviceState(d, size, data);
    if (demo::hook::Recording())
        demo::hook::RecordDeviceState(d->mouse, result, data, size);
    return result;
}

static HRESULT ReadDeviceState(DeviceImpl *d, DWORD size, LPVOID data) {
    plat::PumpEvents(); // the freshest state the desktop has sent
    if (!d->acquired)
        return d->lost ? DIERR_INPUTLOST : DIERR_NOTACQUIRED;
    if (!data || !d->format || size != d->format->dwDataSize)
        return DIERR_INVALIDPARAM;
    if (d->mouse) {
        DIMOUSESTATE state;
        state.lX = d->dx;
        state.lY = d->dy;
        state.lZ = d->dz;
        std::memcpy(state.rgbButtons, plat::S().buttons, sizeof state.rgbButtons);
        std::memcpy(data, &state, sizeof state);
        d->dx = d->dy = d->dz = 0;
        plat::ButtonsPolled();
    } else {
        std::memcpy(data, plat::S().keys, 256);
        plat::KeysPolled();
    }
    return DI_OK;
}

ULONG IDirectInputDevice8A::Release() {
    DeviceImpl *d = DeviceImpl::Of(this);
    if (--d->refs > 0)
        return d->refs;
    Unacquire();
    Devices().erase(std::find(Devices().begin(), Devices().end(), d));
    delete d;
    return 0;
}
