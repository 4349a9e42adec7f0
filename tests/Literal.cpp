#include "Literal.h"

#include "actors/WeaponMgr.h"
#include "actors/ZombieMgr.h"
#include "app/Main.h"
#include "app/Records.h"
#include "world/CameraMgr.h"
#include "world/MapMgr.h"
#include "world/TextureMgr.h"

#include <GL/gl.h>
#include <cstdlib>

void LiteralDrawMap() {
    // Each corner: texture s and t, x and z from the cell's centre, 0 at the wall's base
    // and 1 at its top. The floor first, then the walls of sides 1 (left) to 4 (back).
    // clang-format off
    constexpr float h = 0.5f;
    static const float kQuads[5][4][5] = {
        {{0, 0, -h, 0, h}, {1, 0, h, 0, h}, {1, 1, h, 0, -h}, {0, 1, -h, 0, -h}},
        {{1, 0, -h, 0, h}, {1, 1, -h, 1, h}, {0, 1, -h, 1, -h}, {0, 0, -h, 0, -h}},
        {{0, 0, -h, 0, h}, {1, 0, h, 0, h}, {1, 1, h, 1, h}, {0, 1, -h, 1, h}},
        {{1, 0, h, 0, h}, {1, 1, h, 1, h}, {0, 1, h, 1, -h}, {0, 0, h, 0, -h}},
        {{0, 0, -h, 0, -h}, {1, 0, h, 0, -h}, {1, 1, h, 1, -h}, {0, 1, -h, 1, -h}}};
    // clang-format on
    const int px = static_cast<int>(stCharacter.posX), pz = static_cast<int>(stCharacter.posZ);
    for (int i = 0; i < 250; i++)
        for (int j = 0; j < 250; j++) {
            if (std::abs(px - i) >= Main.drawDistance || std::abs(pz - j) >= Main.drawDistance)
                continue;
            const structMap &c = stMap[i][j];
            for (int side = 0; side <= 4; side++) {
                if (side > 0 && !(c.wallHeight > 0.0f && side == c.wallSide))
                    continue;
                const float y0 = side ? c.wallBase : c.floorHeight;
                const float y1 = side ? c.wallBase + c.wallHeight : c.floorHeight;
                glEnable(GL_TEXTURE_2D);
                glBindTexture(GL_TEXTURE_2D, side ? TextureMgr->GetWallTexture(c.wallTexture)
                                                  : TextureMgr->GetFloorTexture(c.floorTexture));
                glBegin(GL_QUADS);
                for (const float *v : kQuads[side]) {
                    glTexCoord2f(v[0], v[1]);
                    glVertex3f(float(i) + v[2], v[3] ? y1 : y0, float(j) + v[4]);
                }
                glEnd();
                glDisable(GL_TEXTURE_2D);
            }
        }
}

void LiteralDrawZombies() {
    glEnable(GL_BLEND);
    glAlphaFunc(GL_GREATER, 0.0f);
    glEnable(GL_ALPHA_TEST);
    glEnable(GL_TEXTURE_2D);
    for (const structZombies &z : stZombies)
        if (z.active && InDrawSquare(z))
            DrawZombieSprite(z, TextureMgr->GetTexture(ZombieSprite(z.kind, z.frame)),
                             ZombieFloor(z));
    glDisable(GL_BLEND);
    glDisable(GL_TEXTURE_2D);
}

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
