#include "app/Main.h"

#include "actors/CharacterMgr.h"
#include "actors/WeaponMgr.h"
#include "actors/ZombieMgr.h"
#include "app/Random.h"
#include "app/Records.h"
#include "audio/Music.h"
#include "hud/FontsMgr.h"
#include "hud/Hud.h"
#include "input/InputSystem.h"
#include "world/CameraMgr.h"
#include "world/MapMgr.h"
#include "world/TextureMgr.h"

#include <GL/gl.h>
#include <cstdlib>
#include <new>

// The managers, owned by Main, in the order of their creation.
CCameraMgr *CameraMgr = nullptr;
CFontsMgr *FontsMgr = nullptr;
CTextureMgr *TextureMgr = nullptr;
CInputSystem *Input = nullptr;
CHud *Hud = nullptr;
CMapMgr *MapMgr = nullptr;
CCharacterMgr *CharacterMgr = nullptr;
CWeaponMgr *WeaponMgr = nullptr;
CZombieMgr *ZombieMgr = nullptr;
CMusic *MusicMgr = nullptr;

CMain Main;

CMain::CMain()
    : hWnd(nullptr), hInstance(nullptr), width(800), height(600), drawDistance(75), screen(0),
      deathTimer(1.0f), active(1), fullscreen(1), hDC(nullptr), hRC(nullptr), keys(),
      frameStart(0) {
    // Every GameRand() of the program comes after this.
    GameSrand(GetTickCount());
    // Constructors only set fields; nothing touches the window, GL, files or devices
    // before InitGL. The input system has no constructor: it starts zero-filled.
    CameraMgr = new (std::nothrow) CCameraMgr();
    FontsMgr = new (std::nothrow) CFontsMgr();
    TextureMgr = new (std::nothrow) CTextureMgr();
    Input = new (std::nothrow) CInputSystem();
    Hud = new (std::nothrow) CHud(); // picks the menu background with GameRand()
    MapMgr = new (std::nothrow) CMapMgr();
    CharacterMgr = new (std::nothrow) CCharacterMgr();
    WeaponMgr = new (std::nothrow) CWeaponMgr();
    ZombieMgr = new (std::nothrow) CZombieMgr();
    MusicMgr = new (std::nothrow) CMusic();
}

CMain::~CMain() {
    delete CameraMgr;
    CameraMgr = nullptr;
    delete FontsMgr;
    FontsMgr = nullptr;
    delete TextureMgr;
    TextureMgr = nullptr;
    delete Input;
    Input = nullptr;
    delete Hud;
    Hud = nullptr;
    delete MapMgr;
    MapMgr = nullptr;
    delete CharacterMgr;
    CharacterMgr = nullptr;
    delete WeaponMgr;
    WeaponMgr = nullptr;
    delete ZombieMgr;
    ZombieMgr = nullptr;
    delete MusicMgr; // stops the music for good
    MusicMgr = nullptr;
}

int CMain::Render() {
    frameStart = GetTickCount();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    if (screen == 1)
        RenderGame();
    Hud->RenderHud(); // the title menu or the overlay; restores the perspective
    // The renderer draws the frame while the loop waits, not when the buffers swap after
    // the wait: a software renderer would otherwise add its drawing time to the period.
    glFlush();

    // No frame ends before kFrameMilliseconds have passed since it began. Sleep through
    // most of the wait and spin only over the last millisecond, so an idle game does
    // not keep a core busy. The difference is unsigned, so the tick wrap does no harm.
    for (;;) {
        const DWORD elapsed = GetTickCount() - frameStart;
        if (elapsed >= kFrameMilliseconds)
            break;
        const DWORD left = kFrameMilliseconds - elapsed;
        if (left > 1)
            Sleep(left - 1);
    }
    return 1;
}

void CMain::RenderGame() {
    // Dead: green and blue fade out with the timer, so the scene turns red.
    if (stCharacter.health <= 0.0f)
        glColor3f(1.0f, deathTimer, deathTimer);

    CameraMgr->SetCamera();
    glPushMatrix();
    MapMgr->DrawMap();
    glPopMatrix();
    // The weapon step runs under the player's transform, and sweeps before the zombies
    // are drawn, so a zombie killed this frame is drawn falling already.
    glPushMatrix();
    CharacterMgr->DrawCharacter();
    WeaponMgr->HandleWeapon();
    glPopMatrix();
    glPushMatrix();
    ZombieMgr->DrawZombies();
    glPopMatrix();

    // Then the logic, one step per frame.
    if (stCharacter.health > 0.0f)
        CharacterMgr->HandleWalking();
    ZombieMgr->HandleWalking();
    ZombieMgr->HandleHit();
    ZombieMgr->HandleAI();
    MusicMgr->HandleRoomMusic();

    // The death fade, from the frame of death on: one step per frame, stopping just
    // above -3.1.
    if (stCharacter.health <= 0.0f && deathTimer - 0.01f > -3.1f)
        deathTimer -= 0.01f;
}

void CMain::SetScreen(int s) {
    screen = s;
    if (s != 1)
        return;
    stCharacter.posX = 1.0f;
    stCharacter.posZ = 59.0f;
    TheCamera.trackX = -48.0f;
    TheCamera.trackZ = -19.0f;
    TheCamera.pitch = 13.0f;
    if (Mouse)
        Mouse->posX = 91.0f; // the mouse position is the camera's yaw
}
