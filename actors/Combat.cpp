// The weapon sweep over the cells ahead of the player, the kill, and the death
// animations of the killed.
#include "actors/CharacterMgr.h"
#include "actors/WeaponMgr.h"
#include "actors/ZombieMgr.h"
#include "app/Records.h"
#include "world/CameraMgr.h"

#include <cmath>

namespace {

// Living zombies by sweep cell, each bucket's chain in slot order, so that a probe meets
// exactly the zombies the slot-by-slot search would meet, in the same order.
class CellIndex {
  public:
    CellIndex() {
        for (int &h : head_)
            h = -1;
        // Inserted from the last slot down, so that every chain runs in slot order.
        for (int i = kZombies - 1; i >= 0; i--) {
            const structZombies &z = stZombies[i];
            if (!z.active || z.health <= 0)
                continue;
            cellX_[i] = SweepCell(z.posX);
            cellZ_[i] = SweepCell(z.posZ);
            int &h = head_[Bucket(cellX_[i], cellZ_[i])];
            next_[i] = h;
            h = i;
        }
    }
    int First(int cx, int cz) const { return head_[Bucket(cx, cz)]; }
    int Next(int slot) const { return next_[slot]; }
    bool In(int slot, int cx, int cz) const { return cellX_[slot] == cx && cellZ_[slot] == cz; }

  private:
    static const int kBuckets = 1024;
    static unsigned Bucket(int cx, int cz) {
        return (static_cast<unsigned>(cx) * 31u + static_cast<unsigned>(cz)) % kBuckets;
    }
    int head_[kBuckets];
    int next_[kZombies];
    int cellX_[kZombies];
    int cellZ_[kZombies];
};

} // namespace

void CZombieMgr::HitZombies(int weapon) {
    // The shot kills once per press of the button.
    if (weapon == 2 && stCharacter.shotSpent)
        return;
    const int rows = stWeapon.reach;
    const int firstColumn = stWeapon.hitColumnStart;
    const int columnBound = stWeapon.hitColumnEnd + stWeapon.hitColumnExtra;
    if (rows <= 1 || firstColumn >= columnBound)
        return; // no probe at all

    float s, c;
    HeadingSinCos(TheCamera.yaw, s, c);
    // Every zombie's sweep cell once, instead of once for every probe.
    const CellIndex index;
    // Nearest row first, columns left to right; row 0, the player's own, is not probed.
    for (int r = 1; r < rows; r++) {
        for (int col = firstColumn; col < columnBound; col++) {
            const float px =
                static_cast<float>(col) * c + static_cast<float>(r) * s + stCharacter.posX;
            const float pz =
                static_cast<float>(col) * s + stCharacter.posZ - static_cast<float>(r) * c;
            const int cx = SweepCell(px), cz = SweepCell(pz);
            if (cx < 0 || cz < 0)
                return; // off the low edge: the rest of the sweep is not examined
            for (int slot = index.First(cx, cz); slot >= 0; slot = index.Next(slot)) {
                // A zombie killed by an earlier probe of this sweep is not killed again.
                if (index.In(slot, cx, cz) && stZombies[slot].health > 0 && HitResult(slot))
                    return;
            }
        }
    }
}

bool CZombieMgr::HitResult(int slot) {
    structZombies &z = stZombies[slot];
    z.hitYaw = TheCamera.yaw;
    z.hitWeapon = stCharacter.weapon;
    z.hitSwing = stWeapon.swing;
    z.health = 0;
    stCharacter.killCount++;
    switch (stCharacter.weapon) {
    case 2: // shot black; nothing else dies until the button is let go
        z.cutStyle = 3;
        stCharacter.shotSpent = true;
        return true;
    case 1: // cut along one diagonal or the other
        z.cutStyle = stWeapon.swing == 2 ? 2 : 1;
        return false;
    default: // knocked down whole
        return false;
    }
}

namespace {

const float kFullFall = 90.0f;

// The body has stopped: it no longer falls, and it no longer turns with the camera but
// keeps the heading it has now.
void Finish(structZombies &z) {
    z.hitWeapon = -1;
    z.bodyYaw -= TheCamera.yaw;
}

// One step of a fall backwards (and, with `sideways`, to the right as well) by `degrees`,
// the picture's centre sinking by `sink` half heights, held at the floor and at 90°.
// The sink factors are the single-precision step / 90, so that a whole fall sinks the
// centre by the half height.
void TipBack(structZombies &z, float degrees, float sink, bool sideways, float floorY) {
    if (z.fallAngleX > -kFullFall) {
        z.fallAngleX -= degrees;
        if (sideways)
            z.fallAngleZ -= degrees;
        z.offsetY -= z.halfHeight * sink;
    }
    if (z.offsetY < floorY)
        z.offsetY = floorY;
    if (sideways && z.fallAngleZ < -kFullFall)
        z.fallAngleZ = -kFullFall;
    if (z.fallAngleX < -kFullFall)
        z.fallAngleX = -kFullFall;
}

// Tipped over backwards, away from the camera, sliding along z.
void Shot(structZombies &z, float cosD, float floorY) {
    z.offsetZ -= cosD * 0.12f;
    TipBack(z, 8.0f, 0.08888889f, false, floorY);
    if (z.fallAngleX <= -kFullFall)
        Finish(z);
}

// The upper half slides off along its diagonal (to the right for style 1, to the left
// for style 2); then the whole body tips over backwards, sliding along the direction the
// player faced.
void Cut(structZombies &z, float sinD, float cosD, float floorY) {
    bool sliding;
    if (z.hitSwing == 0 || z.hitSwing == 1) {
        sliding = z.pieceX < 1.4f;
        if (sliding)
            z.pieceX += 0.1f;
    } else if (z.hitSwing == 2) {
        sliding = z.pieceX > -1.4f;
        if (sliding)
            z.pieceX -= 0.1f;
    } else {
        return;
    }
    if (sliding) {
        z.pieceY -= 0.1f;
    } else {
        z.offsetZ -= cosD * 0.05f;
        z.offsetX += sinD * 0.05f;
        TipBack(z, 2.0f, 0.022222223f, false, floorY);
    }
    if (z.fallAngleX <= -kFullFall)
        Finish(z);
}

// Knocked back and falling over: backwards (swing 2), to the player's right (swing 1) or
// to the left (swing 0, which sinks by a fixed amount).
void Knocked(structZombies &z, float sinD, float cosD, float floorY) {
    switch (z.hitSwing) {
    case 2:
        z.offsetZ -= cosD * 0.12f;
        TipBack(z, 4.0f, 0.044444446f, false, floorY);
        if (z.fallAngleX <= -kFullFall)
            Finish(z);
        break;
    case 1:
        z.offsetX += cosD * 0.12f;
        z.offsetZ += sinD * 0.12f;
        TipBack(z, 4.0f, 0.044444446f, true, floorY);
        if (z.fallAngleX <= -kFullFall)
            Finish(z);
        break;
    case 0:
        z.offsetX -= cosD * 0.12f;
        z.offsetZ -= sinD * 0.12f;
        if (z.fallAngleX < kFullFall) {
            z.fallAngleX += 4.0f;
            z.fallAngleZ += 4.0f;
            z.offsetY -= 0.075f;
        }
        if (z.offsetY < floorY)
            z.offsetY = floorY;
        if (z.fallAngleX > kFullFall)
            z.fallAngleX = kFullFall;
        if (z.fallAngleZ > kFullFall)
            z.fallAngleZ = kFullFall;
        if (z.fallAngleX >= kFullFall)
            Finish(z);
        break;
    default:
        break;
    }
    // Knocked-down bodies never sink below this, whatever their size.
    if (z.offsetY < -1.7f)
        z.offsetY = -1.7f;
}

} // namespace

void CZombieMgr::HandleHit() {
    for (structZombies &z : stZombies) {
        if (!z.active || z.hitWeapon == -1)
            continue;
        float sinD, cosD;
        HeadingSinCos(z.hitYaw, sinD, cosD);
        // The picture's centre comes to rest 0.06 above the floor.
        const float floorY = 0.06f - z.halfHeight;
        switch (z.hitWeapon) {
        case 2:
            Shot(z, cosD, floorY);
            break;
        case 1:
            Cut(z, sinD, cosD, floorY);
            break;
        case 0:
            Knocked(z, sinD, cosD, floorY);
            break;
        default:
            break;
        }
    }
}
