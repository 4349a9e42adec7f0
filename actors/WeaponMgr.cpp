#include "actors/WeaponMgr.h"

#include "actors/CharacterMgr.h"
#include "actors/ZombieMgr.h"
#include "app/Records.h"

structWeapon stWeapon;

void LoadWeaponRow(int weapon) {
    switch (weapon) {
    case 0: // a swing over 3 rows by 5 columns, centred on the line of sight
    case 1: // a cut over the same block
        stWeapon.reach = 4;
        stWeapon.hitColumnStart = -2;
        stWeapon.hitColumnEnd = 3;
        stWeapon.hitColumnExtra = 0;
        break;
    case 2: // a shot down 29 rows, from the line of sight two columns to the right
        stWeapon.reach = 30;
        stWeapon.hitColumnStart = 0;
        stWeapon.hitColumnEnd = 1;
        stWeapon.hitColumnExtra = 2;
        break;
    default: // no such weapon: the record stays clear and sweeps nothing
        break;
    }
}

void CWeaponMgr::InitWeapons() {
    // The swing variant is kept: it belongs to the last attack.
    stWeapon.reach = 0;
    stWeapon.hitColumnExtra = 0;
    stWeapon.hitColumnStart = 0;
    stWeapon.hitColumnEnd = 0;
    stWeapon.angleX = 0.0f;
    stWeapon.angleY = 0.0f;
}

void CWeaponMgr::HandleWeapon() {
    if (!stCharacter.attacking)
        return;
    // Sweep first, then advance the swing: a zombie that walked into the block since the
    // last frame still meets this frame's sweep.
    ZombieMgr->HitZombies(stCharacter.weapon);
    AnimateWeapon();
}

bool CWeaponMgr::AnimateWeapon() {
    if (stCharacter.weapon == 0) {
        switch (stWeapon.swing) {
        case 0: // forehand: 0 to 204 degrees in 17 steps, ends in the 18th frame
            if (stWeapon.angleY < 200.0f) {
                stWeapon.angleY += 12.0f;
                return false;
            }
            break;
        case 1: // backhand: 180 to -24 degrees
            if (stWeapon.angleY > -20.0f) {
                stWeapon.angleY -= 12.0f;
                return false;
            }
            break;
        case 2: // overhead: 0 to -90 degrees in 9 steps, ends in the 10th frame
            if (stWeapon.angleX > -90.0f) {
                stWeapon.angleX -= 10.0f;
                return false;
            }
            break;
        default:
            break;
        }
        stCharacter.attacking = false;
        CharacterMgr->SelectWeapon(0); // weapon 0's row again, swing angles cleared
        return true;
    }
    // The cut and the shot last one frame. So does an attack with a weapon number that
    // has no row, which sweeps nothing; it must not run for ever and lock the button out.
    stCharacter.attacking = false;
    return true;
}
