// Demos on Windows: the game's calls that a demo records or plays back, each going on to
// Windows itself outside a demo.
//
// A demo holds only what any build can play: the messages whose meaning lies in their
// numbers alone (size, activation, close, quit, keys, and the system commands close,
// screen saver and monitor power), the ones the game reacts to. While recording, the
// queue's other messages are handled here as the game would handle them (translated and
// dispatched to its window procedure) and not recorded; those sent to the window while
// the queue is read are recorded as if the queue had given them. Playing back, the
// window procedure hears only the demo, and what the viewer does goes to the default
// procedure, except Escape and the close button, which end the play-back.
#include "platform/Demo.h"
#include "platform/DirectInput.h"

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#undef GetTickCount
#undef Sleep
#undef MessageBoxA
#undef PeekMessageA
#undef DispatchMessageA
#undef RegisterClassA
#undef ChangeDisplaySettingsA
#undef DirectInput8Create

namespace {

using demo::hook::Playing;
using demo::hook::Recording;

bool insidePeek = false;   // recording: the real queue is being read for the game
bool viewerPump = false;   // playing back: the viewer's messages are being thrown away
bool viewerQuits = false;  // ... and one of them ends the play-back
std::vector<std::pair<std::string, WNDPROC>> procedures; // the game's, by window class

bool Portable(UINT message, WPARAM wParam) {
    switch (message) {
    case WM_SIZE:
    case WM_ACTIVATE:
    case WM_CLOSE:
    case WM_QUIT:
    case WM_KEYDOWN:
    case WM_KEYUP:
        return true;
    case WM_SYSCOMMAND:
        wParam &= 0xFFF0;
        return wParam == SC_CLOSE || wParam == SC_SCREENSAVE || wParam == SC_MONITORPOWER;
    default:
        return false;
    }
}

WNDPROC GameProcedure(HWND window) {
    char name[256];
    if (GetClassNameA(window, name, sizeof name) > 0)
        for (const auto &p : procedures)
            if (p.first == name)
                return p.second;
    return nullptr;
}

// Every window of the game's classes has this procedure; it hands on to the game's.
LRESULT CALLBACK Relay(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    const WNDPROC game = GameProcedure(window);
    if (!game)
        return DefWindowProcA(window, message, wParam, lParam);
    if (viewerPump) {
        if (message == WM_CLOSE) {
            viewerQuits = true;
            return 0;
        }
        return DefWindowProcA(window, message, wParam, lParam);
    }
    if (insidePeek && Recording() && Portable(message, wParam)) {
        MSG sent = {};
        sent.hwnd = window;
        sent.message = message;
        sent.wParam = wParam;
        sent.lParam = lParam;
        demo::hook::RecordPeek(true, sent);
    }
    return game(window, message, wParam, lParam);
}

// The calling thread's top-level windows. The game has one window at a time.
std::vector<HWND> ThreadWindows() {
    std::vector<HWND> windows;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND w, LPARAM list) -> BOOL {
            if (GameProcedure(w))
                reinterpret_cast<std::vector<HWND> *>(list)->push_back(w);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&windows));
    return windows;
}

// --- The input devices: DirectInput's own, with the two reads a demo holds taken first.

// A COM object standing in front of DirectInput's own: it counts its own references and
// lets the wrapped object go with the last one.
template <typename Interface> class Wrapper : public Interface {
  public:
    Wrapper(Interface *real, REFIID iid) : real_(real), iid_(iid) {}
    virtual ~Wrapper() = default;
    STDMETHODIMP QueryInterface(REFIID iid, void **out) override {
        if (iid == IID_IUnknown || iid == iid_) {
            AddRef();
            *out = this;
            return S_OK;
        }
        return real_->QueryInterface(iid, out);
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++refs_; }
    STDMETHODIMP_(ULONG) Release() override {
        if (--refs_ > 0)
            return refs_;
        real_->Release();
        delete this;
        return 0;
    }

  protected:
    Interface *real_;

  private:
    const IID &iid_;
    ULONG refs_ = 1;
};

class Device : public Wrapper<IDirectInputDevice8A> {
  public:
    Device(IDirectInputDevice8A *real, bool mouse)
        : Wrapper(real, IID_IDirectInputDevice8A), mouse_(mouse) {}
    // Played back, the devices stay as they are (the mouse is not taken from the viewer)
    // and the game hears what it heard when the demo was recorded.
    STDMETHODIMP Acquire() override {
        if (Playing())
            return demo::hook::PlayResult(demo::Kind::Acquire, DI_OK);
        const HRESULT result = real_->Acquire();
        if (Recording())
            demo::hook::RecordResult(demo::Kind::Acquire, result);
        return result;
    }
    STDMETHODIMP GetDeviceState(DWORD size, LPVOID data) override {
        if (Playing())
            return demo::hook::PlayDeviceState(mouse_, data, size);
        const HRESULT result = real_->GetDeviceState(size, data);
        if (Recording())
            demo::hook::RecordDeviceState(mouse_, result, data, size);
        return result;
    }
    // The rest as DirectInput has it.
    STDMETHODIMP GetCapabilities(LPDIDEVCAPS a) override { return real_->GetCapabilities(a); }
    STDMETHODIMP EnumObjects(LPDIENUMDEVICEOBJECTSCALLBACKA a, LPVOID b, DWORD c) override {
        return real_->EnumObjects(a, b, c);
    }
    STDMETHODIMP GetProperty(REFGUID a, LPDIPROPHEADER b) override {
        return real_->GetProperty(a, b);
    }
    STDMETHODIMP SetProperty(REFGUID a, LPCDIPROPHEADER b) override {
        return real_->SetProperty(a, b);
    }
    STDMETHODIMP Unacquire() override { return real_->Unacquire(); }
    STDMETHODIMP GetDeviceData(DWORD a, LPDIDEVICEOBJECTDATA b, LPDWORD c, DWORD d) override {
        return real_->GetDeviceData(a, b, c, d);
    }
    STDMETHODIMP SetDataFormat(LPCDIDATAFORMAT a) override { return real_->SetDataFormat(a); }
    STDMETHODIMP SetEventNotification(HANDLE a) override {
        return real_->SetEventNotification(a);
    }
    STDMETHODIMP SetCooperativeLevel(HWND a, DWORD b) override {
        return real_->SetCooperativeLevel(a, b);
    }
    STDMETHODIMP GetObjectInfo(LPDIDEVICEOBJECTINSTANCEA a, DWORD b, DWORD c) override {
        return real_->GetObjectInfo(a, b, c);
    }
    STDMETHODIMP GetDeviceInfo(LPDIDEVICEINSTANCEA a) override { return real_->GetDeviceInfo(a); }
    STDMETHODIMP RunControlPanel(HWND a, DWORD b) override { return real_->RunControlPanel(a, b); }
    STDMETHODIMP Initialize(HINSTANCE a, DWORD b, REFGUID c) override {
        return real_->Initialize(a, b, c);
    }
    STDMETHODIMP CreateEffect(REFGUID a, LPCDIEFFECT b, LPDIRECTINPUTEFFECT *c,
                              LPUNKNOWN d) override {
        return real_->CreateEffect(a, b, c, d);
    }
    STDMETHODIMP EnumEffects(LPDIENUMEFFECTSCALLBACKA a, LPVOID b, DWORD c) override {
        return real_->EnumEffects(a, b, c);
    }
    STDMETHODIMP GetEffectInfo(LPDIEFFECTINFOA a, REFGUID b) override {
        return real_->GetEffectInfo(a, b);
    }
    STDMETHODIMP GetForceFeedbackState(LPDWORD a) override {
        return real_->GetForceFeedbackState(a);
    }
    STDMETHODIMP SendForceFeedbackCommand(DWORD a) override {
        return real_->SendForceFeedbackCommand(a);
    }
    STDMETHODIMP EnumCreatedEffectObjects(LPDIENUMCREATEDEFFECTOBJECTSCALLBACK a, LPVOID b,
                                          DWORD c) override {
        return real_->EnumCreatedEffectObjects(a, b, c);
    }
    STDMETHODIMP Escape(LPDIEFFESCAPE a) override { return real_->Escape(a); }
    STDMETHODIMP Poll() override { return real_->Poll(); }
    STDMETHODIMP SendDeviceData(DWORD a, LPCDIDEVICEOBJECTDATA b, LPDWORD c, DWORD d) override {
        return real_->SendDeviceData(a, b, c, d);
    }
    STDMETHODIMP EnumEffectsInFile(LPCSTR a, LPDIENUMEFFECTSINFILECALLBACK b, LPVOID c,
                                   DWORD d) override {
        return real_->EnumEffectsInFile(a, b, c, d);
    }
    STDMETHODIMP WriteEffectToFile(LPCSTR a, DWORD b, LPDIFILEEFFECT c, DWORD d) override {
        return real_->WriteEffectToFile(a, b, c, d);
    }
    STDMETHODIMP BuildActionMap(LPDIACTIONFORMATA a, LPCSTR b, DWORD c) override {
        return real_->BuildActionMap(a, b, c);
    }
    STDMETHODIMP SetActionMap(LPDIACTIONFORMATA a, LPCSTR b, DWORD c) override {
        return real_->SetActionMap(a, b, c);
    }
    STDMETHODIMP GetImageInfo(LPDIDEVICEIMAGEINFOHEADERA a) override {
        return real_->GetImageInfo(a);
    }

  private:
    bool mouse_;
};

class Input : public Wrapper<IDirectInput8A> {
  public:
    explicit Input(IDirectInput8A *real) : Wrapper(real, IID_IDirectInput8A) {}
    STDMETHODIMP CreateDevice(REFGUID which, LPDIRECTINPUTDEVICE8A *out,
                              LPUNKNOWN outer) override {
        IDirectInputDevice8A *device = nullptr;
        const HRESULT result = real_->CreateDevice(which, &device, outer);
        if (out)
            *out = SUCCEEDED(result) && device ? new Device(device, which == GUID_SysMouse)
                                               : device;
        return result;
    }
    STDMETHODIMP EnumDevices(DWORD a, LPDIENUMDEVICESCALLBACKA b, LPVOID c, DWORD d) override {
        return real_->EnumDevices(a, b, c, d);
    }
    STDMETHODIMP GetDeviceStatus(REFGUID a) override { return real_->GetDeviceStatus(a); }
    STDMETHODIMP RunControlPanel(HWND a, DWORD b) override { return real_->RunControlPanel(a, b); }
    STDMETHODIMP Initialize(HINSTANCE a, DWORD b) override { return real_->Initialize(a, b); }
    STDMETHODIMP FindDevice(REFGUID a, LPCSTR b, LPGUID c) override {
        return real_->FindDevice(a, b, c);
    }
    STDMETHODIMP EnumDevicesBySemantics(LPCSTR a, LPDIACTIONFORMATA b,
                                        LPDIENUMDEVICESBYSEMANTICSCBA c, LPVOID d,
                                        DWORD e) override {
        return real_->EnumDevicesBySemantics(a, b, c, d, e);
    }
    STDMETHODIMP ConfigureDevices(LPDICONFIGUREDEVICESCALLBACK a, LPDICONFIGUREDEVICESPARAMSA b,
                                  DWORD c, LPVOID d) override {
        return real_->ConfigureDevices(a, b, c, d);
    }

};

} // namespace

namespace win {

DWORD WINAPI GetTickCount() {
    const DWORD now = ::GetTickCount();
    return Recording() || Playing() ? demo::hook::Tick(now) : now;
}

void WINAPI Sleep(DWORD milliseconds) {
    // A timed demo runs as fast as frames can be drawn.
    if (!demo::hook::FastPlay())
        ::Sleep(milliseconds);
}

int WINAPI MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
    // Played back, a box is not shown: the demo answers it as it was answered.
    if (Playing())
        return demo::hook::PlayResult(demo::Kind::Box,
                                      (type & 0xF) == MB_YESNO ? IDNO : IDOK);
    const int answer = ::MessageBoxA(owner, text, caption, type);
    if (Recording())
        demo::hook::RecordResult(demo::Kind::Box, answer);
    return answer;
}

BOOL WINAPI PeekMessageA(LPMSG msg, HWND window, UINT filterMin, UINT filterMax, UINT remove) {
    if (!msg)
        return FALSE;
    if (Playing())
        return demo::hook::PlayPeek(msg);
    if (!Recording())
        return ::PeekMessageA(msg, window, filterMin, filterMax, remove);
    for (;;) {
        insidePeek = true;
        const BOOL found = ::PeekMessageA(msg, window, filterMin, filterMax, remove);
        insidePeek = false;
        if (!found || Portable(msg->message, msg->wParam) || !(remove & PM_REMOVE)) {
            demo::hook::RecordPeek(found != FALSE, *msg);
            return found;
        }
        ::TranslateMessage(msg);
        ::DispatchMessageA(msg);
    }
}

LRESULT WINAPI DispatchMessageA(const MSG *msg) {
    // A message of a demo reaches the game only if a demo may hold it.
    if (Playing() && (!msg || !Portable(msg->message, msg->wParam)))
        return 0;
    return ::DispatchMessageA(msg);
}

ATOM WINAPI RegisterClassA(const WNDCLASSA *windowClass) {
    if (!windowClass || !windowClass->lpfnWndProc || !windowClass->lpszClassName ||
        IS_INTRESOURCE(windowClass->lpszClassName))
        return ::RegisterClassA(windowClass);
    WNDCLASSA relayed = *windowClass;
    relayed.lpfnWndProc = Relay;
    const ATOM atom = ::RegisterClassA(&relayed);
    if (atom) {
        for (auto &p : procedures)
            if (p.first == windowClass->lpszClassName) {
                p.second = windowClass->lpfnWndProc;
                return atom;
            }
        procedures.emplace_back(windowClass->lpszClassName, windowClass->lpfnWndProc);
    }
    return atom;
}

LONG WINAPI ChangeDisplaySettingsA(DEVMODEA *mode, DWORD flags) {
    // A demo plays back in a window: the display keeps its mode, and the game hears what
    // the display answered when the demo was recorded.
    if (mode && Playing())
        return demo::hook::PlayResult(demo::Kind::DisplayMode, DISP_CHANGE_SUCCESSFUL);
    const LONG result = ::ChangeDisplaySettingsA(mode, flags);
    if (mode && Recording())
        demo::hook::RecordResult(demo::Kind::DisplayMode, result);
    return result;
}

HRESULT WINAPI DirectInput8Create(HINSTANCE instance, DWORD version, REFIID iid, LPVOID *out,
                                  LPUNKNOWN outer) {
    void *real = nullptr;
    const HRESULT result = ::DirectInput8Create(instance, version, iid, &real, outer);
    if (out)
        *out = SUCCEEDED(result) && real && iid == IID_IDirectInput8A
                   ? new Input(static_cast<IDirectInput8A *>(real))
                   : real;
    return result;
}

} // namespace win

namespace demo::host {

bool ViewerQuits() {
    viewerPump = true;
    viewerQuits = false;
    MSG m;
    while (::PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
        // The game's own quit, posted by its window procedure, is in the demo too.
        if (m.message == WM_QUIT)
            continue;
        if (m.message == WM_KEYDOWN && m.wParam == VK_ESCAPE)
            viewerQuits = true;
        ::TranslateMessage(&m);
        ::DispatchMessageA(&m);
    }
    viewerPump = false;
    return viewerQuits;
}

int WindowIndex(HWND window) {
    const std::vector<HWND> windows = ThreadWindows();
    for (size_t i = 0; i < windows.size(); i++)
        if (windows[i] == window)
            return static_cast<int>(i);
    return -1;
}

HWND WindowAt(int index) {
    const std::vector<HWND> windows = ThreadWindows();
    return index >= 0 && size_t(index) < windows.size() ? windows[size_t(index)] : nullptr;
}

// A WGL context needs a window on the desktop: the window is shown.
void DrawOffscreen() {}

} // namespace demo::host
