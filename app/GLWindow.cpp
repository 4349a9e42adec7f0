// Creating and destroying the window and its GL context, the fixed GL state, and the
// window procedure.
#include "app/Main.h"

#include "actors/CharacterMgr.h"
#include "actors/WeaponMgr.h"
#include "actors/ZombieMgr.h"
#include "audio/Music.h"
#include "hud/FontsMgr.h"
#include "input/InputSystem.h"
#include "world/CameraMgr.h"
#include "world/MapMgr.h"
#include "world/TextureMgr.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <cstring>

namespace {

const char *const kClassName = "OpenGL";

void ErrorBox(const char *text) {
    MessageBoxA(nullptr, text, "ERROR", MB_OK | MB_ICONEXCLAMATION);
}

void ShutdownBox(const char *text) {
    MessageBoxA(nullptr, text, "SHUTDOWN ERROR", MB_OK | MB_ICONINFORMATION);
}

} // namespace

int CMain::CreateGLWindow(const char *title, int w, int h, int bits, int fullscreenflag) {
    // Double-buffered RGBA with a 16-bit depth buffer; no alpha, accumulation, stencil
    // or auxiliary buffers (the zero fields).
    static PIXELFORMATDESCRIPTOR pfd;
    pfd.nSize = sizeof(PIXELFORMATDESCRIPTOR);
    pfd.nVersion = 1;
    pfd.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    pfd.iPixelType = PFD_TYPE_RGBA;
    pfd.cDepthBits = 16;
    pfd.iLayerType = PFD_MAIN_PLANE;
    pfd.cColorBits = static_cast<BYTE>(bits);

    RECT rect;
    rect.left = 0;
    rect.top = 0;
    rect.right = w;
    rect.bottom = h;

    fullscreen = fullscreenflag;
    hInstance = GetModuleHandleA(nullptr);

    WNDCLASSA wc;
    wc.style = CS_HREDRAW | CS_VREDRAW | CS_OWNDC;
    wc.lpfnWndProc = WndProc;
    wc.cbClsExtra = 0;
    wc.cbWndExtra = 0;
    wc.hInstance = hInstance;
    wc.hIcon = LoadIconA(nullptr, IDI_WINLOGO);
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = nullptr;
    wc.lpszMenuName = nullptr;
    wc.lpszClassName = kClassName;
    if (!RegisterClassA(&wc)) {
        ErrorBox("Failed To Register The Window Class.");
        return 0;
    }

    if (fullscreen) {
        DEVMODEA mode;
        std::memset(&mode, 0, sizeof mode);
        mode.dmSize = sizeof mode;
        mode.dmPelsWidth = static_cast<DWORD>(w);
        mode.dmPelsHeight = static_cast<DWORD>(h);
        mode.dmBitsPerPel = static_cast<DWORD>(bits);
        mode.dmFields = DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT;
        if (ChangeDisplaySettingsA(&mode, CDS_FULLSCREEN) != DISP_CHANGE_SUCCESSFUL) {
            if (MessageBoxA(nullptr,
                            "The Requested Fullscreen Mode Is Not Supported By\nYour Video "
                            "Card. Use Windowed Mode Instead?",
                            "OpenGL", MB_YESNO | MB_ICONEXCLAMATION) == IDYES) {
                fullscreen = 0;
            } else {
                MessageBoxA(nullptr, "Program Will Now Close.", "ERROR", MB_OK | MB_ICONSTOP);
                return 0;
            }
        }
    }

    DWORD exStyle, style;
    if (fullscreen) {
        exStyle = WS_EX_APPWINDOW;
        style = WS_POPUP;
        ShowCursor(FALSE);
    } else {
        exStyle = WS_EX_APPWINDOW | WS_EX_WINDOWEDGE;
        style = WS_OVERLAPPEDWINDOW;
    }
    AdjustWindowRectEx(&rect, style, FALSE, exStyle);

    hWnd = CreateWindowExA(exStyle, kClassName, title, style | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 0,
                           0, rect.right - rect.left, rect.bottom - rect.top, nullptr, nullptr,
                           hInstance, nullptr);
    if (!hWnd) {
        KillGLWindow();
        ErrorBox("Window Creation Error.");
        return 0;
    }
    hDC = GetDC(hWnd);
    if (!hDC) {
        KillGLWindow();
        ErrorBox("Can't Create A GL Device Context.");
        return 0;
    }
    const int format = ChoosePixelFormat(hDC, &pfd);
    if (!format) {
        KillGLWindow();
        ErrorBox("Can't Find A Suitable PixelFormat.");
        return 0;
    }
    if (!SetPixelFormat(hDC, format, &pfd)) {
        KillGLWindow();
        ErrorBox("Can't Set The PixelFormat.");
        return 0;
    }
    hRC = wglCreateContext(hDC);
    if (!hRC) {
        KillGLWindow();
        ErrorBox("Can't Create A GL Rendering Context.");
        return 0;
    }
    if (!wglMakeCurrent(hDC, hRC)) {
        KillGLWindow();
        ErrorBox("Can't Activate The GL Rendering Context.");
        return 0;
    }

    ShowWindow(hWnd, SW_SHOW);
    SetForegroundWindow(hWnd);
    SetFocus(hWnd);
    ReSizeGLScene(w, h);

    if (!InitGL()) {
        KillGLWindow();
        ErrorBox("Initialization Failed.");
        return 0;
    }
    return 1;
}

void CMain::KillGLWindow() {
    if (fullscreen) {
        ChangeDisplaySettingsA(nullptr, 0);
        ShowCursor(TRUE);
    }
    if (hRC) {
        if (!wglMakeCurrent(nullptr, nullptr))
            ShutdownBox("Release Of DC And RC Failed.");
        if (!wglDeleteContext(hRC))
            ShutdownBox("Release Rendering Context Failed.");
        hRC = nullptr;
    }
    if (hDC) {
        if (!ReleaseDC(hWnd, hDC))
            ShutdownBox("Release Device Context Failed.");
        hDC = nullptr;
    }
    if (hWnd) {
        if (!DestroyWindow(hWnd))
            ShutdownBox("Could Not Release hWnd.");
        hWnd = nullptr;
    }
    if (!UnregisterClassA(kClassName, hInstance))
        ShutdownBox("Could Not Unregister Class.");
    hInstance = nullptr;

    Input->Shutdown();
    MusicMgr->ShutdownSound();
}

int CMain::InitGL() {
    glShadeModel(GL_SMOOTH);
    glClearColor(0.0f, 0.0f, 0.0f, 0.5f);
    glClearDepth(1.0f);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);

    // Keyboard (bit 0) and exclusive mouse (bit 1) on this window.
    Input->Initialize(hWnd, hInstance, true, 3);
    FontsMgr->InitFonts();
    TextureMgr->InitTextures();
    CameraMgr->InitCamera();
    MapMgr->InitMap();
    WeaponMgr->InitWeapons();
    CharacterMgr->InitCharacter(); // selects weapon 0 as well
    ZombieMgr->InitZombies();
    MusicMgr->InitSound();
    MapMgr->LoadMap(); // last: the file replaces the map just cleared
    return 1;
}

void CMain::ReSizeGLScene(int w, int h) {
    if (h == 0)
        h = 1;
    glViewport(0, 0, w, h);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45.0, static_cast<GLfloat>(w) / static_cast<GLfloat>(h), 0.1f, 1000.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

LRESULT CALLBACK WndProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
    switch (uMsg) {
    case WM_ACTIVATE:
        // Only minimising counts: a window behind another one stays active.
        if (!HIWORD(wParam)) {
            Main.SetActive(1);
            Input->AcquireAll();
        } else {
            Input->UnacquireAll();
            Main.SetActive(0);
        }
        return 0;
    case WM_SYSCOMMAND:
        if (wParam == SC_SCREENSAVE || wParam == SC_MONITORPOWER)
            return 0; // no screen saver, no monitor power-saving while we run
        break;
    case WM_CLOSE:
        PostQuitMessage(0);
        return 0;
    case WM_KEYDOWN:
        Main.SetKeys(static_cast<unsigned>(wParam), TRUE);
        return 0;
    case WM_KEYUP:
        Main.SetKeys(static_cast<unsigned>(wParam), FALSE);
        return 0;
    case WM_SIZE:
        Main.ReSizeGLScene(LOWORD(lParam), HIWORD(lParam));
        return 0;
    default:
        break;
    }
    return DefWindowProcA(hWnd, uMsg, wParam, lParam);
}
