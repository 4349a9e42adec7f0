// Placement of the population, the walk cycle, and chase, wander and bite.
#include "actors/ZombieMgr.h"

#include "actors/CharacterMgr.h"
#include "app/Random.h"
#include "app/Records.h"
#include "world/MapMgr.h"

#include <cmath>
#include <cstdlib>

structZombies stZombies[kZombies];

namespace {

struct Kind {
    float halfWidth, halfHeight;
};
// Zombie, Zombie-girl, Zombie-Hippie, Monkey, Gourd: they differ only in looks and size.
const Kind kKinds[5] = {
    {1.5f, 1.875f}, {1.5f, 1.875f}, {1.5f, 1.875f}, {1.25f, 1.36f}, {1.25f, 0.989f}};

// A zombie cannot enter a cell whose wall is higher than 0.5, nor leave the map.
bool Blocks(float x, float z) {
    const int cx = static_cast<int>(x), cz = static_cast<int>(z);
    if (cx < 0 || cx >= kMapSize || cz < 0 || cz >= kMapSize)
        return true;
    return stMap[cx][cz].wallHeight > 0.5f;
}

// Draws a signed whole number of cells, -range+1 .. range-1: magnitude first, sign later.
float Magnitude(int range) {
    return static_cast<float>(GameRand() % range);
}

// One wander step along an axis: 0.02 towards the end of the leg, if the cell allows.
// A blocked step abandons that axis of the leg.
void WanderStep(float &pos, float &left, float otherPos, bool alongX) {
    if (left == 0.0f)
        return;
    const float step = left < 0.0f ? -0.02f : 0.02f;
    const bool blocked = alongX ? Blocks(pos + step, otherPos) : Blocks(otherPos, pos + step);
    if (blocked) {
        left = 0.0f;
        return;
    }
    pos += step;
    const float rest = left - step;
    // The last step may overshoot the end by less than 0.02; the leg ends there.
    left = (left > 0.0f) != (rest > 0.0f) ? 0.0f : rest;
}

} // namespace

structZombies FreshZombie(int kind) {
    structZombies z = structZombies();
    z.kind = kind;
    z.hitWeapon = -1;
    z.active = false;
    z.health = 100;
    z.hitSwing = -1;
    if (kind >= 0 && kind < 5) {
        z.halfWidth = kKinds[kind].halfWidth;
        z.halfHeight = kKinds[kind].halfHeight;
    }
    return z;
}

void CZombieMgr::InitZombies() {
    // Every kind first, one GameRand() a slot, then the places, four GameRand()s a slot.
    for (structZombies &z : stZombies)
        z = FreshZombie(GameRand() % 5);
    for (int i = 0; i < kZombies; i++) {
        structZombies &z = stZombies[i];
        float jx = Magnitude(100);
        float jz = Magnitude(100);
        if (GameRand() % 2 == 1)
            jx = -jx;
        if (GameRand() % 2 == 1)
            jz = -jz;
        z.active = true;
        z.posY = 0.0f;
        // 25 slots walk x through 0, 10, ..., 240 in some order while z climbs 0.24 a
        // slot, so the population covers the whole map.
        const float bx = static_cast<float>((30 * i) % 250);
        const float bz = static_cast<float>(i) * 60.0f * 0.004f;
        const float dx = jx * 0.1f;
        // Off the map along x, the jitter is turned around; along z it is dropped.
        z.posX = 0.0f < bx + dx && bx + dx < 250.0f ? bx + dx : bx - dx;
        const float dz = jz * 0.1f;
        z.posZ = 0.0f < bz + dz && bz + dz < 250.0f ? bz + dz : bz;
    }
}

void CZombieMgr::HandleWalking() {
    const float now = NowSeconds();
    for (structZombies &z : stZombies) {
        if (!z.active || z.health <= 0 || !z.walking)
            continue;
        if (now - z.lastStepTime > 0.2f) {
            z.lastStepTime = now;
            z.frame = z.frame < 2 ? z.frame + 1 : 0;
        }
    }
}

void CZombieMgr::HandleAI() {
    for (structZombies &z : stZombies) {
        if (!z.active || z.health <= 0)
            continue;
        const float px = stCharacter.posX, pz = stCharacter.posZ;
        const float adx = std::fabs(px - z.posX);
        const float adz = std::fabs(pz - z.posZ);

        if (adx < 20.0f && adz < 20.0f) {
            // In sight (a square, through walls): 0.1 a frame towards the player, the
            // step shared between the axes by the distances along them.
            z.walking = true;
            float xShare, zShare;
            if (adx >= adz) {
                zShare = adx > 0.0f ? adz / adx : 0.0f; // 0 / 0: on the player, no step
                xShare = 1.0f - zShare;
            } else {
                xShare = adx / adz;
                zShare = 1.0f - xShare;
            }
            // z first, then x from the new z; a blocked axis just stays this frame.
            if (z.posZ < pz) {
                const float to = z.posZ + zShare * 0.1f;
                if (!Blocks(z.posX, to))
                    z.posZ = to;
            } else if (z.posZ > pz) {
                const float to = z.posZ - zShare * 0.1f;
                if (!Blocks(z.posX, to))
                    z.posZ = to;
            }
            if (z.posX < px) {
                const float to = z.posX + xShare * 0.1f;
                if (!Blocks(to, z.posZ))
                    z.posX = to;
            } else if (z.posX > px) {
                const float to = z.posX - xShare * 0.1f;
                if (!Blocks(to, z.posZ))
                    z.posX = to;
            }
            // The bite, from where it stood before this step. A death counts once, however
            // many bite in the frame that brings health to 0.
            if (adx < 1.0f && adz < 1.0f && stCharacter.health > 0.0f) {
                stCharacter.health -= 0.05f;
                if (stCharacter.health <= 0.0f)
                    stCharacter.deathCount++;
            }
            continue;
        }

        // Out of sight: legs of up to 6 cells per axis at 0.02 a frame per axis. A leg
        // interrupted by a chase resumes where it was.
        z.walking = true;
        if (!z.wandering) {
            z.wandering = true;
            z.wanderX = Magnitude(7);
            z.wanderZ = Magnitude(7);
            if (GameRand() % 2 == 1)
                z.wanderX = -z.wanderX;
            if (GameRand() % 2 == 1)
                z.wanderZ = -z.wanderZ;
            // An axis whose end would leave the map is not walked.
            if (z.posX + z.wanderX <= 0.0f || z.posX + z.wanderX > 249.0f)
                z.wanderX = 0.0f;
            if (z.posZ + z.wanderZ <= 0.0f || z.posZ + z.wanderZ > 249.0f)
                z.wanderZ = 0.0f;
        }
        WanderStep(z.posX, z.wanderX, z.posZ, true);
        WanderStep(z.posZ, z.wanderZ, z.posX, false);
        if (z.wanderX == 0.0f && z.wanderZ == 0.0f) {
            z.walking = false;
            z.frame = 0;
            z.wandering = false;
        }
    }
}
