#include "actors/CharacterMgr.h"

#include "actors/WeaponMgr.h"
#include "actors/ZombieMgr.h"
#include "app/Main.h"
#include "app/Random.h"
#include "app/Records.h"
#include "world/MapMgr.h"
#include "world/TextureMgr.h"

#include <GL/gl.h>
#include <cstdlib>

float NowSeconds() {
    return static_cast<float>(GetTickCount()) * 0.001f;
}

void CCharacterMgr::InitCharacter() {
    stCharacter = kStartCharacter;
    WeaponMgr->InitWeapons();
    LoadWeaponRow(0);
    lastStepTime = 0.0f;
}

void CCharacterMgr::SelectWeapon(int weapon) {
    // Ends a running attack; shotSpent stays, so a held button still cannot shoot again.
    stCharacter.weapon = weapon;
    stCharacter.attacking = false;
    WeaponMgr->InitWeapons();
    LoadWeaponRow(weapon);
}

void CCharacterMgr::Attack() {
    stCharacter.attacking = true;
    stWeapon.swing = GameRand() % 3; // drawn for every weapon
    if (stCharacter.weapon == 0 && stWeapon.swing == 1)
        stWeapon.angleY = 180.0f; // the backhand starts from the other side
}

void CCharacterMgr::HandleWalking() {
    // Runs whether or not the player moves; the walking control puts the still picture
    // back whenever neither W nor S is held, so the cycle only shows while walking.
    const float now = NowSeconds();
    if (now - lastStepTime > 0.2f) {
        lastStepTime = now;
        stCharacter.moveState = 1;
        stCharacter.frame = stCharacter.frame < 2 ? stCharacter.frame + 1 : 0;
    }
}

void CCharacterMgr::DrawCharacter() {
    const float floor = CellAt(stCharacter.posX, stCharacter.posZ).floorHeight;
    glTranslatef(stCharacter.posX, floor + stCharacter.posY, stCharacter.posZ - 1.0f);
    glRotatef(-TheCamera.yaw, 0.0f, 1.0f, 0.0f); // always faces the camera
    // In first person there is no sprite, but the weapon step that follows still runs
    // under this transform.
    if (MapMgr->firstPerson)
        return;

    glEnable(GL_BLEND);
    glAlphaFunc(GL_GREATER, 0.0f); // the cut-out comes from the alpha test
    glEnable(GL_ALPHA_TEST);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, TextureMgr->GetTexture(stCharacter.frame));
    glBegin(GL_QUADS);
    glTexCoord2f(0.0f, 1.0f);
    glVertex3f(-kPlayerHalfWidth, 0.0f, 0.0f);
    glTexCoord2f(1.0f, 1.0f);
    glVertex3f(kPlayerHalfWidth, 0.0f, 0.0f);
    glTexCoord2f(1.0f, 0.0f);
    glVertex3f(kPlayerHalfWidth, kPlayerHeight, 0.0f);
    glTexCoord2f(0.0f, 0.0f);
    glVertex3f(-kPlayerHalfWidth, kPlayerHeight, 0.0f);
    glEnd();
    glDisable(GL_BLEND);
    glDisable(GL_TEXTURE_2D);
}

void CCharacterMgr::Respawn() {
    // At the hospital, with the camera behind the player; both counts are kept.
    stCharacter.posX = 130.0f;
    stCharacter.posZ = 180.0f;
    TheCamera.trackX = 80.0f;
    TheCamera.trackZ = -140.0f;
    TheCamera.yaw = 289.0f;
    TheCamera.pitch = 21.0f;
    TheCamera.distance = 20.0f;
    Main.deathTimer = 1.0f;
    stCharacter.health = 30.0f;
    ZombieMgr->InitZombies(); // the dead rise too, somewhere else
}
