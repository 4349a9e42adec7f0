// The zombie population: where InitZombies puts it, how a zombie chases, bites and
// wanders, and its walk cycle. No window: these are plain records over a map.
#include "GameTest.h"

#include "actors/ZombieMgr.h"
#include "world/MapMgr.h"

#include <cstdlib>
#include <set>

namespace {

// The rand() draws of a slot's place after seeding: the kinds take the first 1000, then
// each slot takes four.
struct SlotDraws {
    int jx, jz;
    bool negX, negZ;
};
SlotDraws DrawsOfSlot(unsigned seed, int slot) {
    std::srand(seed);
    for (int k = 0; k < kZombies + 4 * slot; k++)
        std::rand();
    SlotDraws d;
    d.jx = std::rand() % 100;
    d.jz = std::rand() % 100;
    d.negX = std::rand() % 2 == 1;
    d.negZ = std::rand() % 2 == 1;
    return d;
}

// A seed whose next four draws start a wander leg of (x, z) cells, signs included.
unsigned SeedForLeg(int x, int z) {
    for (unsigned seed = 1; seed < 1000000; seed++) {
        std::srand(seed);
        const int a = std::rand() % 7, b = std::rand() % 7;
        const bool nx = std::rand() % 2 == 1, nz = std::rand() % 2 == 1;
        if (a == std::abs(x) && b == std::abs(z) && nx == (x < 0) && nz == (z < 0))
            return seed;
    }
    ADD_FAILURE() << "no seed starts a wander leg of " << x << ", " << z;
    return 1;
}

class ZombieTest : public GameTest {
  protected:
    void SetUp() override {
        GameTest::SetUp();
        MapMgr->InitMap(); // flat and open
        stCharacter = kStartCharacter;
        stCharacter.posX = 100.5f;
        stCharacter.posZ = 100.5f;
        std::srand(1);
        ZombieMgr->InitZombies();
        for (structZombies &z : stZombies)
            z.active = false;
    }

    // A living zombie, fresh from InitZombies, alone in the world but for others placed
    // the same way.
    static structZombies &Place(int slot, float x, float z) {
        structZombies &zombie = stZombies[slot];
        zombie.active = true;
        zombie.posX = x;
        zombie.posZ = z;
        return zombie;
    }
};

TEST_F(ZombieTest, PlacementTakesItsDrawsInOrderAndCoversTheMap) {
    for (unsigned seed : {1u, 77u, 4242u}) {
        std::srand(seed);
        int kinds[kZombies];
        for (int &k : kinds)
            k = std::rand() % 5;
        // Four draws a slot after the kinds, and nothing more.
        for (int k = 0; k < 4 * kZombies; k++)
            std::rand();
        const int next = std::rand();

        std::srand(seed);
        ZombieMgr->InitZombies();
        EXPECT_EQ(std::rand(), next) << "seed " << seed;

        std::set<int> blocks;
        for (int i = 0; i < kZombies; i++) {
            const structZombies &z = stZombies[i];
            ASSERT_EQ(z.kind, kinds[i]) << "slot " << i;
            EXPECT_TRUE(z.active);
            EXPECT_EQ(z.health, 100);
            EXPECT_EQ(z.hitWeapon, -1);
            EXPECT_EQ(z.hitSwing, -1);
            EXPECT_FALSE(z.walking);
            EXPECT_FALSE(z.wandering);
            const float hw[] = {1.5f, 1.5f, 1.5f, 1.25f, 1.25f};
            const float hh[] = {1.875f, 1.875f, 1.875f, 1.36f, 0.989f};
            EXPECT_EQ(z.halfWidth, hw[z.kind]);
            EXPECT_EQ(z.halfHeight, hh[z.kind]);
            // Within the jitter of its base, and on the map.
            const float bx = static_cast<float>((30 * i) % 250);
            const float bz = static_cast<float>(i) * 60.0f * 0.004f;
            EXPECT_LE(std::abs(z.posX - bx), 9.9f + 1e-4f) << "slot " << i;
            EXPECT_LE(std::abs(z.posZ - bz), 9.9f + 1e-4f) << "slot " << i;
            EXPECT_TRUE(z.posX >= 0.0f && z.posX < 250.0f) << "slot " << i;
            EXPECT_TRUE(z.posZ >= 0.0f && z.posZ < 250.0f) << "slot " << i;
            blocks.insert(static_cast<int>(z.posX) / 25 * 10 + static_cast<int>(z.posZ) / 25);
        }
        EXPECT_EQ(blocks.size(), 100u) << "every 25 x 25 block of the map has zombies";

        // Slots 1, 9 and 999 exactly where their draws put them.
        for (const auto &[slot, bx, bz] : {std::tuple{1, 30.0f, 0.24f}, std::tuple{9, 20.0f, 2.16f},
                                           std::tuple{999, 220.0f, 239.76f}}) {
            const SlotDraws d = DrawsOfSlot(seed, slot);
            const float jx = static_cast<float>(d.negX ? -d.jx : d.jx);
            const float jz = static_cast<float>(d.negZ ? -d.jz : d.jz);
            EXPECT_EQ(stZombies[slot].posX, bx + jx * 0.1f) << "slot " << slot;
            // Near z 0 a negative jitter is dropped.
            const float z = bz + jz * 0.1f > 0.0f ? bz + jz * 0.1f : bz;
            EXPECT_NEAR(stZombies[slot].posZ, z, 1e-4f) << "slot " << slot;
        }
    }
}

TEST_F(ZombieTest, AtTheMapsLowEdgeXJitterTurnsAroundWhileZJitterIsDropped) {
    int zDropped = 0, xTurned = 0;
    for (unsigned seed = 1; seed <= 60; seed++) {
        const SlotDraws d = DrawsOfSlot(seed, 0);
        std::srand(seed);
        ZombieMgr->InitZombies();
        const structZombies &z = stZombies[0];
        // Base 0 on both axes.
        EXPECT_EQ(z.posX, static_cast<float>(d.jx) * 0.1f) << "seed " << seed;
        EXPECT_EQ(z.posZ, d.negZ ? 0.0f : static_cast<float>(d.jz) * 0.1f) << "seed " << seed;
        xTurned += d.negX && d.jx > 0;
        zDropped += d.negZ && d.jz > 0;
    }
    EXPECT_GT(xTurned, 10);
    EXPECT_GT(zDropped, 10);
}

TEST_F(ZombieTest, InitZombiesRaisesTheDeadAndForgetsEverything) {
    std::srand(5);
    ZombieMgr->InitZombies();
    structZombies &z = stZombies[42];
    z.health = 0;
    z.hitWeapon = 1;
    z.cutStyle = 2;
    z.pieceX = z.pieceY = z.pieceZ = 1.0f;
    z.offsetX = z.offsetY = z.offsetZ = 1.0f;
    z.fallAngleX = z.fallAngleZ = z.bodyYaw = 45.0f;
    z.frame = 2;
    z.walking = z.wandering = true;
    z.wanderX = 3.0f;
    z.lastStepTime = 9.0f;
    stZombies[7].active = false;
    std::srand(5);
    ZombieMgr->InitZombies();
    const structZombies fresh = stZombies[42];
    EXPECT_TRUE(stZombies[7].active);
    EXPECT_EQ(fresh.health, 100);
    EXPECT_EQ(fresh.hitWeapon, -1);
    EXPECT_EQ(fresh.cutStyle, 0);
    EXPECT_EQ(fresh.pieceX + fresh.pieceY + fresh.pieceZ, 0.0f);
    EXPECT_EQ(fresh.offsetX + fresh.offsetY + fresh.offsetZ, 0.0f);
    EXPECT_EQ(fresh.fallAngleX + fresh.fallAngleZ + fresh.bodyYaw, 0.0f);
    EXPECT_EQ(fresh.frame, 0);
    EXPECT_FALSE(fresh.walking || fresh.wandering);
    EXPECT_EQ(fresh.wanderX, 0.0f);
    EXPECT_EQ(fresh.lastStepTime, 0.0f);
}

TEST_F(ZombieTest, SightIsASquareOfHalfSideTwentyThroughWalls) {
    // Exactly 20 away on one axis: out of sight, so it starts a wander leg.
    structZombies &east = Place(0, 120.5f, 100.5f);
    structZombies &north = Place(1, 100.5f, 80.5f);
    // Just inside on both axes, behind a wall: it chases.
    structZombies &corner = Place(2, 80.51f, 80.51f);
    stMap[90][90].wallHeight = 3.0f;
    ZombieMgr->HandleAI();
    // A wander step is 0.02 at most; a chase step would have been 0.1 towards the player.
    EXPECT_TRUE(east.wandering);
    EXPECT_GE(east.posX, 120.5f - 0.021f);
    EXPECT_TRUE(north.wandering);
    EXPECT_LE(north.posZ, 80.5f + 0.021f);
    EXPECT_FALSE(corner.wandering);
    EXPECT_TRUE(corner.walking);
    // Equal distances: the whole step goes along z.
    EXPECT_FLOAT_EQ(corner.posZ, 80.61f);
    EXPECT_EQ(corner.posX, 80.51f);
}

TEST_F(ZombieTest, AChaseStepIsSharedBetweenTheAxesByTheDistances) {
    structZombies &diagonal = Place(0, 95.5f, 95.5f); // (5, 5): all along z
    structZombies &level = Place(1, 105.5f, 100.5f);  // (5, 0): all along x, westward
    structZombies &slant = Place(2, 97.5f, 104.5f);   // (3, 4): 0.075 along x, 0.025 z
    ZombieMgr->HandleAI();
    EXPECT_EQ(diagonal.posX, 95.5f);
    EXPECT_FLOAT_EQ(diagonal.posZ, 95.6f);
    EXPECT_FLOAT_EQ(level.posX, 105.4f);
    EXPECT_EQ(level.posZ, 100.5f);
    EXPECT_FLOAT_EQ(slant.posX, 97.5f + 0.075f);
    EXPECT_FLOAT_EQ(slant.posZ, 104.5f - 0.025f);

    // On the player: no step at all, and no nonsense from 0 / 0.
    structZombies &on = Place(3, 100.5f, 100.5f);
    ZombieMgr->HandleAI();
    EXPECT_EQ(on.posX, 100.5f);
    EXPECT_EQ(on.posZ, 100.5f);
}

TEST_F(ZombieTest, AWallStopsAChaseStepOnItsOwnAxisOnly) {
    stCharacter.posZ = 101.5f;
    // x 95.95 steps into cell 96; z 95.5 stays in cell 95.
    structZombies &z = Place(0, 95.95f, 95.5f);
    stMap[96][95].wallHeight = 0.6f;
    ZombieMgr->HandleAI();
    EXPECT_EQ(z.posX, 95.95f);
    EXPECT_GT(z.posZ, 95.5f);

    stMap[96][95].wallHeight = 0.5f; // low enough to step over
    const float z0 = z.posZ;
    ZombieMgr->HandleAI();
    EXPECT_GT(z.posX, 96.0f);
    EXPECT_GT(z.posZ, z0);
}

TEST_F(ZombieTest, TheXStepIsTriedFromTheNewZ) {
    stCharacter.posZ = 110.5f;
    // The z step crosses from cell 99 into 100, then the x step from cell 97 into 98.
    structZombies &z = Place(0, 97.99f, 99.95f);
    stMap[98][99].wallHeight = 2.0f; // only in the way of an x step from the old z
    ZombieMgr->HandleAI();
    EXPECT_GT(z.posZ, 100.0f);
    EXPECT_GT(z.posX, 98.0f);

    // The other way round: a wall where the x step lands from the new z stops it.
    structZombies &w = Place(1, 97.99f, 99.95f);
    stMap[98][100].wallHeight = 2.0f;
    ZombieMgr->HandleAI();
    EXPECT_GT(w.posZ, 100.0f);
    EXPECT_EQ(w.posX, 97.99f);
}

TEST_F(ZombieTest, AChaseStepOffTheMapIsRefused) {
    // A player beyond the edge (no walk gets there, but nothing may read past the map).
    stCharacter.posX = 252.0f;
    stCharacter.posZ = 100.5f;
    structZombies &z = Place(0, 249.95f, 100.5f);
    for (int frame = 0; frame < 5; frame++)
        ZombieMgr->HandleAI();
    EXPECT_EQ(z.posX, 249.95f);
}

TEST_F(ZombieTest, BitesAreMeasuredBeforeTheStepAndADeathCountsOnce) {
    structZombies &near = Place(0, 101.49f, 101.49f); // 0.99 away on both axes
    structZombies &far = Place(1, 101.55f, 100.5f);   // 1.05 away: steps in, bites later
    ZombieMgr->HandleAI();
    EXPECT_FLOAT_EQ(stCharacter.health, 29.95f);
    EXPECT_LT(far.posX, 101.5f);
    ZombieMgr->HandleAI();
    EXPECT_FLOAT_EQ(stCharacter.health, 29.85f); // two biters now
    (void)near;

    // Three at the player while health is 0.04: one death, and no bite after it.
    Place(2, 100.5f, 100.5f);
    stCharacter.health = 0.04f;
    stCharacter.deathCount = 3;
    ZombieMgr->HandleAI();
    EXPECT_LE(stCharacter.health, 0.0f);
    EXPECT_GT(stCharacter.health, -0.02f);
    EXPECT_EQ(stCharacter.deathCount, 4);
    const float dead = stCharacter.health;
    ZombieMgr->HandleAI(); // they go on chasing the dead player, without biting
    EXPECT_EQ(stCharacter.health, dead);
    EXPECT_EQ(stCharacter.deathCount, 4);
}

TEST_F(ZombieTest, AWanderLegRunsToItsEndOnBothAxesThenStops) {
    structZombies &z = Place(0, 50.5f, 50.5f);
    z.wandering = true;
    z.wanderX = -3.0f;
    z.wanderZ = 2.0f;
    z.frame = 2;
    int frames = 0;
    while (z.wandering && frames < 1000) {
        ZombieMgr->HandleAI();
        frames++;
        if (frames == 110) {
            EXPECT_TRUE(z.walking);
            EXPECT_EQ(z.wanderZ, 0.0f); // the shorter part is done
            EXPECT_LT(z.wanderX, 0.0f);
        }
    }
    // 0.02 a frame: 150 frames for 3 cells, give or take the last fraction.
    EXPECT_GE(frames, 150);
    EXPECT_LE(frames, 151);
    EXPECT_EQ(z.wanderX, 0.0f);
    EXPECT_EQ(z.wanderZ, 0.0f);
    EXPECT_FALSE(z.walking);
    EXPECT_EQ(z.frame, 0);
    EXPECT_NEAR(z.posX, 47.5f, 0.021f);
    EXPECT_NEAR(z.posZ, 52.5f, 0.021f);
}

TEST_F(ZombieTest, ALegWhoseEndLeavesTheMapDropsThatAxis) {
    struct Case {
        float x;
        int legX;
        bool kept;
    } cases[] = {
        {245.5f, 4, false}, // ends at 249.5: beyond 249
        {245.0f, 4, true},  // ends at 249.0 exactly: kept
        {4.0f, -4, false},  // ends at 0.0: not kept
        {4.5f, -4, true},   // ends at 0.5
    };
    for (const Case &c : cases) {
        structZombies &z = Place(0, c.x, 120.0f);
        stCharacter.posX = 20.0f; // far away in z anyway
        stCharacter.posZ = 200.0f;
        z.wandering = false;
        std::srand(SeedForLeg(c.legX, 3));
        ZombieMgr->HandleAI();
        EXPECT_TRUE(z.wandering);
        if (c.kept) {
            EXPECT_FLOAT_EQ(z.wanderX, c.legX > 0 ? c.legX - 0.02f : c.legX + 0.02f) << c.x;
            EXPECT_NE(z.posX, c.x);
        } else {
            EXPECT_EQ(z.wanderX, 0.0f) << c.x;
            EXPECT_EQ(z.posX, c.x);
        }
        EXPECT_FLOAT_EQ(z.wanderZ, 2.98f) << "the z part still runs";
        EXPECT_FLOAT_EQ(z.posZ, 120.02f);
    }
}

TEST_F(ZombieTest, AWallAbandonsThatPartOfTheLegAndSightPausesIt) {
    structZombies &z = Place(0, 50.99f, 50.5f);
    z.wandering = true;
    z.wanderX = 2.0f;
    z.wanderZ = 1.0f;
    stMap[51][50].wallHeight = 1.0f;
    ZombieMgr->HandleAI();
    EXPECT_EQ(z.wanderX, 0.0f);
    EXPECT_EQ(z.posX, 50.99f);
    EXPECT_FLOAT_EQ(z.wanderZ, 0.98f);

    // In sight the leg waits, untouched, and goes on once the player is gone.
    stCharacter.posX = 60.5f;
    stCharacter.posZ = 60.5f;
    ZombieMgr->HandleAI();
    EXPECT_TRUE(z.wandering);
    EXPECT_FLOAT_EQ(z.wanderZ, 0.98f);
    stCharacter.posX = 200.5f;
    const float zBefore = z.posZ;
    ZombieMgr->HandleAI();
    EXPECT_FLOAT_EQ(z.wanderZ, 0.96f);
    EXPECT_FLOAT_EQ(z.posZ, zBefore + 0.02f);

    // x steps first, and z is tried from the new x: a wall in the cell the z step would
    // reach from the old x is no longer in the way.
    structZombies &d = Place(1, 50.99f, 60.99f);
    d.wandering = true;
    d.wanderX = 1.0f;
    d.wanderZ = 1.0f;
    stMap[50][61].wallHeight = 1.0f;
    ZombieMgr->HandleAI();
    EXPECT_FLOAT_EQ(d.posX, 51.01f);
    EXPECT_FLOAT_EQ(d.posZ, 61.01f);
    EXPECT_FLOAT_EQ(d.wanderZ, 0.98f);
}

TEST_F(ZombieTest, TheWalkCycleStepsNoFasterThanEveryFifthOfASecond) {
    structZombies &walker = Place(0, 200.5f, 200.5f);
    structZombies &idle = Place(1, 210.5f, 200.5f);
    structZombies &dead = Place(2, 220.5f, 200.5f);
    walker.walking = true;
    dead.walking = true;
    dead.health = 0;
    dead.frame = 1;

    seams::UseVirtualClock(200, 0); // now 0.2 s: exactly 0.2 after the start
    ZombieMgr->HandleWalking();
    EXPECT_EQ(walker.frame, 0);
    seams::UseVirtualClock(201, 0);
    ZombieMgr->HandleWalking();
    EXPECT_EQ(walker.frame, 1);
    ZombieMgr->HandleWalking(); // the same moment again: no step
    EXPECT_EQ(walker.frame, 1);
    const int expected[] = {2, 0, 1};
    for (int k = 0; k < 3; k++) {
        seams::UseVirtualClock(201 + 300 * (k + 1), 0);
        ZombieMgr->HandleWalking();
        EXPECT_EQ(walker.frame, expected[k]);
    }
    EXPECT_EQ(idle.frame, 0);
    EXPECT_EQ(dead.frame, 1); // a body keeps the picture it fell with

    // Nor does a body move.
    dead.posX = 101.0f;
    dead.posZ = 101.0f;
    for (int frame = 0; frame < 3; frame++)
        ZombieMgr->HandleAI();
    EXPECT_EQ(dead.posX, 101.0f);
    EXPECT_EQ(dead.posZ, 101.0f);
    EXPECT_EQ(stCharacter.health, 30.0f);
}

} // namespace
