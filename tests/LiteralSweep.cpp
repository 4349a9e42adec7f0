#include "LiteralSweep.h"

#include "actors/WeaponMgr.h"
#include "actors/ZombieMgr.h"
#include "app/Records.h"
#include "world/CameraMgr.h"

void LiteralHitZombies(int weapon) {
    if (weapon == 2 && stCharacter.shotSpent)
        return;
    float s, c;
    HeadingSinCos(TheCamera.yaw, s, c);
    for (int r = 1; r < stWeapon.reach; r++) {
        for (int col = stWeapon.hitColumnStart;
             col < stWeapon.hitColumnEnd + stWeapon.hitColumnExtra; col++) {
            const float px =
                static_cast<float>(col) * c + static_cast<float>(r) * s + stCharacter.posX;
            const float pz =
                static_cast<float>(col) * s + stCharacter.posZ - static_cast<float>(r) * c;
            const int cx = SweepCell(px), cz = SweepCell(pz);
            if (cx < 0 || cz < 0)
                return;
            for (int slot = 0; slot < kZombies; slot++) {
                const structZombies &z = stZombies[slot];
                if (z.active && SweepCell(z.posX) == cx && SweepCell(z.posZ) == cz &&
                    z.health > 0 && ZombieMgr->HitResult(slot))
                    return;
            }
        }
    }
}
