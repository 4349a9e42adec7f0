// Weapons and combat: which cells a sweep probes and whom it kills, the game's sweep
// against the literal one, the swings frame by frame, and the death animations.
#include "GameTest.h"
#include "LiteralSweep.h"

#include "actors/CharacterMgr.h"
#include "actors/WeaponMgr.h"
#include "actors/ZombieMgr.h"
#include "world/CameraMgr.h"
#include "world/MapMgr.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <random>
#include <set>
#include <utility>

namespace {

using Cell = std::pair<int, int>;

// A seed whose next rand() % 3 is the given swing.
unsigned SeedForSwing(int swing) {
    for (unsigned seed = 1; seed < 100000; seed++) {
        std::srand(seed);
        if (std::rand() % 3 == swing)
            return seed;
    }
    ADD_FAILURE() << "no seed starts swing " << swing;
    return 1;
}

class CombatTest : public GameTest {
  protected:
    void SetUp() override {
        GameTest::SetUp();
        MapMgr->InitMap(); // flat and open
        CharacterMgr->InitCharacter();
        TheCamera = kStartCamera;
        std::srand(1);
        ZombieMgr->InitZombies();
        Clear();
    }

    static void Clear() {
        for (structZombies &z : stZombies)
            z.active = false;
        used = 0;
    }

    // A living zombie in the next free slot.
    static structZombies &Put(float x, float z, int kind = 0) {
        const int slot = used++;
        structZombies &zombie = stZombies[slot];
        zombie = FreshZombie(kind);
        zombie.active = true;
        zombie.posX = x;
        zombie.posZ = z;
        return zombie;
    }

    // One zombie on every cell of a block, at the cells' own coordinates.
    static void Grid(int x0, int x1, int z0, int z1) {
        for (int x = x0; x <= x1; x++)
            for (int z = z0; z <= z1; z++)
                Put(static_cast<float>(x), static_cast<float>(z));
    }

    static std::set<Cell> KilledCells() {
        std::set<Cell> cells;
        for (int i = 0; i < used; i++)
            if (stZombies[i].health == 0)
                cells.insert({static_cast<int>(std::lround(stZombies[i].posX)),
                              static_cast<int>(std::lround(stZombies[i].posZ))});
        return cells;
    }

    static std::set<Cell> Block(int x0, int x1, int z0, int z1) {
        std::set<Cell> cells;
        for (int x = x0; x <= x1; x++)
            for (int z = z0; z <= z1; z++)
                cells.insert({x, z});
        return cells;
    }

    static void Stand(float x, float z, float yaw) {
        stCharacter.posX = x;
        stCharacter.posZ = z;
        TheCamera.yaw = yaw;
    }

    static int used;
};
int CombatTest::used = 0;

TEST_F(CombatTest, EachWeaponSweepsItsBlockAheadOfThePlayer) {
    struct Case {
        int weapon;
        float yaw;
        std::set<Cell> cells;
    } cases[] = {
        // Facing -z: rows 1..3 go down in z, columns run along +x.
        {0, 0.0f, Block(48, 52, 37, 39)},
        {1, 0.0f, Block(48, 52, 37, 39)},
        // Facing +x: rows go up in x, columns along +z.
        {0, 90.0f, Block(51, 53, 38, 42)},
        // Facing +z: rows go up in z, columns along -x.
        {1, 180.0f, Block(48, 52, 41, 43)},
        // Facing -x, two turns on: the yaw is used as an angle, whatever its range.
        {0, 990.0f, Block(47, 49, 38, 42)},
    };
    for (const Case &c : cases) {
        Clear();
        Grid(40, 60, 30, 50);
        Stand(50.0f, 40.0f, c.yaw);
        CharacterMgr->SelectWeapon(c.weapon);
        stCharacter.killCount = 0;
        ZombieMgr->HitZombies(c.weapon);
        EXPECT_EQ(KilledCells(), c.cells) << "weapon " << c.weapon << " yaw " << c.yaw;
        EXPECT_EQ(stCharacter.killCount, 15);
    }

    // The shot: 29 rows by 3 columns, but only the first zombie it meets, nearest row
    // first, then left to right.
    Clear();
    Put(52.0f, 20.0f);
    Put(51.0f, 35.0f);
    Put(52.0f, 35.0f);
    Put(53.0f, 35.0f); // beside the strip
    Put(50.0f, 10.0f); // beyond its end
    Stand(50.0f, 40.0f, 0.0f);
    CharacterMgr->SelectWeapon(2);
    const std::vector<Cell> order = {{51, 35}, {52, 35}, {52, 20}};
    for (const Cell &next : order) {
        const std::set<Cell> before = KilledCells();
        stCharacter.shotSpent = false; // the button let go and pressed again
        ZombieMgr->HitZombies(2);
        std::set<Cell> expected = before;
        expected.insert(next);
        EXPECT_EQ(KilledCells(), expected);
        EXPECT_TRUE(stCharacter.shotSpent);
        ZombieMgr->HitZombies(2); // held: nothing more
        EXPECT_EQ(KilledCells(), expected);
    }
    stCharacter.shotSpent = false;
    ZombieMgr->HitZombies(2);
    EXPECT_EQ(KilledCells().size(), 3u) << "nothing left in the strip";
    EXPECT_FALSE(stCharacter.shotSpent);
}

TEST_F(CombatTest, TheSweepRoundsHalfUpAndStopsAtTheMapsLowEdge) {
    Stand(13.0f, 40.0f, 0.0f);                   // probes x 11..15, z 37..39
    structZombies &inLeft = Put(10.5f, 39.0f);   // sweep cell 11 (the map's cell 10)
    structZombies &outLeft = Put(10.49f, 39.0f); // cell 10
    structZombies &inRight = Put(15.49f, 37.2f); // cell 15
    structZombies &outRight = Put(15.5f, 37.0f); // cell 16
    structZombies &inFar = Put(12.0f, 36.5f);    // cell 37
    structZombies &outFar = Put(12.0f, 36.49f);  // cell 36
    ZombieMgr->HitZombies(0);
    EXPECT_EQ(inLeft.health, 0);
    EXPECT_EQ(inRight.health, 0);
    EXPECT_EQ(inFar.health, 0);
    EXPECT_EQ(outLeft.health, 100);
    EXPECT_EQ(outRight.health, 100);
    EXPECT_EQ(outFar.health, 100);

    // The first probe lands at x -1.2, cell -1: the whole sweep ends there.
    Clear();
    Grid(0, 4, 37, 39);
    Stand(0.8f, 40.0f, 0.0f);
    stCharacter.killCount = 0;
    ZombieMgr->HitZombies(0);
    EXPECT_TRUE(KilledCells().empty());

    // At x -0.7 it is cell 0, and so is the next probe at 0.3: each zombie dies once.
    Clear();
    Grid(0, 4, 37, 39);
    Stand(1.3f, 40.0f, 0.0f);
    ZombieMgr->HitZombies(0);
    EXPECT_EQ(KilledCells(), Block(0, 3, 37, 39));
    EXPECT_EQ(stCharacter.killCount, 12);

    // A cleared record probes nothing.
    Clear();
    Grid(40, 60, 30, 50);
    Stand(50.0f, 40.0f, 0.0f);
    CharacterMgr->SelectWeapon(5);
    for (int reach : {0, 1}) {
        stWeapon.reach = reach;
        stWeapon.hitColumnStart = -2;
        stWeapon.hitColumnEnd = 3;
        ZombieMgr->HitZombies(5);
    }
    EXPECT_TRUE(KilledCells().empty());
}

TEST_F(CombatTest, TheShotKillsTheLowerSlotOfTwoInOneCell) {
    Stand(50.0f, 40.0f, 0.0f);
    CharacterMgr->SelectWeapon(2);
    Put(60.0f, 60.0f); // slot 0, far away
    structZombies &first = Put(50.2f, 35.1f);
    structZombies &second = Put(49.8f, 34.9f);
    ZombieMgr->HitZombies(2);
    EXPECT_EQ(first.health, 0);
    EXPECT_EQ(second.health, 100);
    EXPECT_EQ(stCharacter.killCount, 1);
}

TEST_F(CombatTest, TheGameSweepKillsExactlyWhomTheLiteralSweepKills) {
    std::mt19937 random(2024);
    auto uniform = [&](float lo, float hi) {
        return std::uniform_real_distribution<float>(lo, hi)(random);
    };
    const float yaws[] = {0.0f, 45.0f, 90.0f, 180.0f, 270.0f, 359.5f};
    int kills = 0, edgeTrials = 0;
    for (int trial = 0; trial < 300; trial++) {
        std::srand(trial);
        ZombieMgr->InitZombies();
        // Now and then at the map's low edges, where the sweep may end early.
        const bool edge = trial % 5 == 0;
        edgeTrials += edge;
        stCharacter.posX = edge ? uniform(0.0f, 3.0f) : uniform(5.0f, 245.0f);
        stCharacter.posZ = edge && trial % 10 == 0 ? uniform(0.0f, 3.0f) : uniform(5.0f, 245.0f);
        TheCamera.yaw = trial % 3 == 0 ? uniform(-720.0f, 720.0f) : yaws[trial % 6];
        const int weapon = trial % 3;
        CharacterMgr->SelectWeapon(weapon);
        stWeapon.swing = trial % 7 % 3;
        stCharacter.shotSpent = weapon == 2 && trial % 11 == 0;
        stCharacter.killCount = trial;
        // Crowd the ground ahead: half-cell positions, shared cells, bodies and empty slots.
        for (int k = 0; k < 300; k++) {
            structZombies &z = stZombies[(k * 37 + trial) % kZombies];
            const float r = uniform(-2.0f, 30.0f), c = uniform(-4.0f, 4.0f);
            float s, co;
            HeadingSinCos(TheCamera.yaw, s, co);
            z.posX = stCharacter.posX + r * s + c * co;
            z.posZ = stCharacter.posZ - r * co + c * s;
            if (k % 4 == 0)
                z.posX = std::round(z.posX * 2.0f) / 2.0f;
            if (k % 5 == 0)
                z.posZ = std::round(z.posZ * 2.0f) / 2.0f;
            if (k % 13 == 0)
                z.health = 0;
            if (k % 17 == 0)
                z.active = false;
        }
        static structZombies before[kZombies], game[kZombies];
        std::memcpy(before, stZombies, sizeof stZombies);
        const structCharacter player = stCharacter;

        ZombieMgr->HitZombies(weapon);
        std::memcpy(game, stZombies, sizeof stZombies);
        const structCharacter gamePlayer = stCharacter;

        std::memcpy(stZombies, before, sizeof stZombies);
        stCharacter = player;
        LiteralHitZombies(weapon);

        ASSERT_EQ(std::memcmp(game, stZombies, sizeof stZombies), 0) << "trial " << trial;
        ASSERT_EQ(gamePlayer.killCount, stCharacter.killCount) << "trial " << trial;
        ASSERT_EQ(gamePlayer.shotSpent, stCharacter.shotSpent) << "trial " << trial;
        kills += stCharacter.killCount - trial;
    }
    EXPECT_GT(kills, 1000) << "the trials must actually kill";
    EXPECT_GT(edgeTrials, 50);
}

TEST_F(CombatTest, AHitRecordsTheBlowAndCountsTheKill) {
    TheCamera.yaw = 123.0f;
    const struct {
        int weapon, swing, style;
        bool stops;
    } cases[] = {{0, 0, 0, false}, {0, 2, 0, false}, {1, 0, 1, false},
                 {1, 1, 1, false}, {1, 2, 2, false}, {2, 1, 3, true}};
    int count = 0;
    for (const auto &c : cases) {
        structZombies &z = Put(10.0f, 10.0f);
        stCharacter.weapon = c.weapon;
        stCharacter.shotSpent = false;
        stWeapon.swing = c.swing;
        EXPECT_EQ(ZombieMgr->HitResult(used - 1), c.stops);
        EXPECT_EQ(z.health, 0);
        EXPECT_EQ(z.hitYaw, 123.0f);
        EXPECT_EQ(z.hitWeapon, c.weapon);
        EXPECT_EQ(z.hitSwing, c.swing);
        EXPECT_EQ(z.cutStyle, c.style);
        EXPECT_EQ(stCharacter.shotSpent, c.weapon == 2);
        EXPECT_EQ(stCharacter.killCount, ++count);
    }
}

TEST_F(CombatTest, WeaponZeroSwingsSweepEveryFrameOfTheirLength) {
    const int lengths[] = {18, 18, 10};
    for (int swing = 0; swing < 3; swing++) {
        Clear();
        Stand(50.0f, 40.0f, 0.0f);
        CharacterMgr->SelectWeapon(0);
        std::srand(SeedForSwing(swing));
        CharacterMgr->Attack();
        ASSERT_EQ(stWeapon.swing, swing);
        EXPECT_EQ(stWeapon.angleY, swing == 1 ? 180.0f : 0.0f);
        EXPECT_EQ(stWeapon.angleX, 0.0f);
        int frames = 0, kills = 0;
        while (stCharacter.attacking && frames < 100) {
            // A zombie steps into the block before every frame; the next sweep gets it.
            structZombies &z = Put(50.0f, 38.0f);
            WeaponMgr->HandleWeapon();
            kills += z.health == 0;
            frames++;
        }
        EXPECT_EQ(frames, lengths[swing]) << "swing " << swing;
        EXPECT_EQ(kills, lengths[swing]) << "swing " << swing;
        // Back to weapon 0's row, the swing at rest.
        EXPECT_EQ(stWeapon.angleX, 0.0f);
        EXPECT_EQ(stWeapon.angleY, 0.0f);
        EXPECT_EQ(stWeapon.reach, 4);
        EXPECT_EQ(stWeapon.hitColumnStart, -2);
        EXPECT_EQ(stWeapon.hitColumnEnd + stWeapon.hitColumnExtra, 3);
        EXPECT_EQ(stWeapon.swing, swing);
        Put(50.0f, 38.0f);
        WeaponMgr->HandleWeapon(); // idle: no sweep
        EXPECT_EQ(stZombies[used - 1].health, 100);
    }
}

TEST_F(CombatTest, TheCutAndTheShotLastOneFrame) {
    Stand(50.0f, 40.0f, 0.0f);
    for (int weapon : {1, 2}) {
        Clear();
        Grid(48, 52, 37, 39);
        CharacterMgr->SelectWeapon(weapon);
        stCharacter.shotSpent = false;
        std::srand(SeedForSwing(1));
        CharacterMgr->Attack();
        EXPECT_EQ(stWeapon.angleY, 0.0f) << "only weapon 0 turns";
        WeaponMgr->HandleWeapon();
        EXPECT_FALSE(stCharacter.attacking);
        EXPECT_EQ(KilledCells().size(), weapon == 1 ? 15u : 1u);
        WeaponMgr->HandleWeapon();
        EXPECT_EQ(KilledCells().size(), weapon == 1 ? 15u : 1u);
    }
}

TEST_F(CombatTest, ChoosingAWeaponEndsTheSwingAtOnce) {
    Stand(50.0f, 40.0f, 0.0f);
    CharacterMgr->SelectWeapon(0);
    std::srand(SeedForSwing(0));
    CharacterMgr->Attack();
    for (int frame = 0; frame < 5; frame++)
        WeaponMgr->HandleWeapon();
    EXPECT_EQ(stWeapon.angleY, 60.0f);
    stCharacter.shotSpent = true;
    CharacterMgr->SelectWeapon(1);
    EXPECT_FALSE(stCharacter.attacking);
    EXPECT_EQ(stCharacter.weapon, 1);
    EXPECT_EQ(stWeapon.angleY, 0.0f);
    EXPECT_EQ(stWeapon.reach, 4);
    EXPECT_TRUE(stCharacter.shotSpent) << "choosing does not give the shot back";
    Grid(48, 52, 37, 39);
    WeaponMgr->HandleWeapon();
    EXPECT_TRUE(KilledCells().empty());

    // A weapon without a row: the record stays clear, an attack ends and harms nobody.
    CharacterMgr->SelectWeapon(3);
    EXPECT_EQ(stWeapon.reach + stWeapon.hitColumnStart + stWeapon.hitColumnEnd +
                  stWeapon.hitColumnExtra,
              0);
    CharacterMgr->Attack();
    WeaponMgr->HandleWeapon();
    EXPECT_FALSE(stCharacter.attacking);
    EXPECT_TRUE(KilledCells().empty());
}

// Direction vectors of a yaw: forward F = (sin, -cos), right L = (cos, sin).
struct Dirs {
    float s, c;
};

TEST_F(CombatTest, EachKillFallsItsOwnWayAndThenLiesStill) {
    struct Fall {
        int weapon, swing, kind;
        int frames;
        float pushF, pushL, pushZ; // along F, along L, along -z times cos
        float angleX, angleZ;
        float offsetY; // where the body comes to rest (0 for the floor under its centre)
        float pieceX;
    };
    const float floor0 = 0.06f - 1.875f, monkeyFloor = 0.06f - 1.36f, gourdFloor = 0.06f - 0.989f;
    const Fall falls[] = {
        {0, 0, 0, 23, 0, -2.76f, 0, 90, 90, -1.7f, 0},       // to the left; held at -1.7
        {0, 0, 3, 23, 0, -2.76f, 0, 90, 90, monkeyFloor, 0}, // a Monkey rests on its floor
        {0, 1, 0, 23, 0, 2.76f, 0, -90, -90, -1.7f, 0},      // to the right
        {0, 2, 4, 23, 0, 0, 2.76f, -90, 0, gourdFloor, 0},   // backwards along z
        {1, 0, 0, 59, 2.25f, 0, 0, -90, 0, floor0, 1.4f},    // cut, then over backwards
        {1, 1, 3, 59, 2.25f, 0, 0, -90, 0, monkeyFloor, 1.4f},
        {1, 2, 0, 59, 2.25f, 0, 0, -90, 0, floor0, -1.4f},
        {2, 0, 0, 12, 0, 0, 1.44f, -90, 0, floor0, 0}, // shot
        {2, 2, 4, 12, 0, 0, 1.44f, -90, 0, gourdFloor, 0},
    };
    for (float yaw : {0.0f, 90.0f, 230.0f}) {
        float s, c;
        HeadingSinCos(yaw, s, c);
        for (const Fall &f : falls) {
            Clear();
            structZombies &z = Put(100.0f, 100.0f, f.kind);
            TheCamera.yaw = yaw;
            stCharacter.weapon = f.weapon;
            stWeapon.swing = f.swing;
            ZombieMgr->HitResult(0);
            int frames = 0;
            while (z.hitWeapon != -1 && frames < 200) {
                // The camera turns while the body falls: the push keeps the blow's
                // direction, and only the final heading takes the camera's.
                TheCamera.yaw = yaw + 3.0f * frames;
                ZombieMgr->HandleHit();
                frames++;
            }
            const float finalYaw = yaw + 3.0f * (frames - 1);
            const std::string what = "weapon " + std::to_string(f.weapon) + " swing " +
                                     std::to_string(f.swing) + " yaw " + std::to_string(yaw);
            EXPECT_EQ(frames, f.frames) << what;
            const float dx = f.pushF * s + f.pushL * c;
            const float dz = -f.pushF * c + f.pushL * s - f.pushZ * c;
            EXPECT_NEAR(z.offsetX, dx, 1e-3f) << what;
            EXPECT_NEAR(z.offsetZ, dz, 1e-3f) << what;
            EXPECT_EQ(z.fallAngleX, f.angleX) << what;
            EXPECT_EQ(z.fallAngleZ, f.angleZ) << what;
            EXPECT_FLOAT_EQ(z.offsetY, f.offsetY) << what;
            EXPECT_NEAR(z.pieceX, f.pieceX, 1e-4f) << what;
            EXPECT_NEAR(z.pieceY, -std::abs(f.pieceX), 1e-4f) << what;
            EXPECT_EQ(z.bodyYaw, -finalYaw) << what;
            EXPECT_EQ(z.health, 0);

            // Still from now on, whatever else happens.
            structZombies still;
            std::memcpy(&still, &z, sizeof z);
            TheCamera.yaw += 40.0f;
            for (int k = 0; k < 5; k++) {
                ZombieMgr->HandleHit();
                ZombieMgr->HandleAI();
                ZombieMgr->HandleWalking();
            }
            EXPECT_EQ(std::memcmp(&still, &z, sizeof z), 0) << what;
        }
    }
}

TEST_F(CombatTest, TheCutSlidesItsHalfOffBeforeTheBodyFalls) {
    structZombies &z = Put(100.0f, 100.0f);
    stCharacter.weapon = 1;
    stWeapon.swing = 2;
    ZombieMgr->HitResult(0);
    for (int frame = 1; frame <= 14; frame++) {
        ZombieMgr->HandleHit();
        EXPECT_EQ(z.fallAngleX, 0.0f) << "frame " << frame;
        EXPECT_EQ(z.offsetZ, 0.0f) << "frame " << frame;
    }
    EXPECT_NEAR(z.pieceX, -1.4f, 1e-4f);
    ZombieMgr->HandleHit();
    EXPECT_EQ(z.fallAngleX, -2.0f);
    EXPECT_NEAR(z.pieceX, -1.4f, 1e-4f);
}

TEST_F(CombatTest, StartingAndRespawningTheCharacter) {
    stCharacter.health = -1.0f;
    stCharacter.killCount = 9;
    CharacterMgr->SelectWeapon(2);
    CharacterMgr->lastStepTime = 5.0f;
    CharacterMgr->InitCharacter();
    EXPECT_EQ(stCharacter.health, 30.0f);
    EXPECT_EQ(stCharacter.posX, 50.0f);
    EXPECT_EQ(stCharacter.posZ, 40.0f);
    EXPECT_EQ(stCharacter.killCount, 0);
    EXPECT_EQ(stCharacter.deathCount, 0);
    EXPECT_EQ(stCharacter.weapon, 0);
    EXPECT_EQ(stWeapon.reach, 4);
    EXPECT_EQ(stWeapon.hitColumnStart, -2);
    EXPECT_EQ(CharacterMgr->lastStepTime, 0.0f);

    // Dead with some bodies around; respawn keeps the counts and the weapon.
    stCharacter.health = -0.02f;
    stCharacter.killCount = 17;
    stCharacter.deathCount = 2;
    CharacterMgr->SelectWeapon(2);
    Main.deathTimer = -3.09f;
    std::srand(3);
    ZombieMgr->InitZombies();
    for (int i = 0; i < 100; i++)
        stZombies[i].health = 0;
    CharacterMgr->Respawn();
    EXPECT_EQ(stCharacter.posX, 130.0f);
    EXPECT_EQ(stCharacter.posZ, 180.0f);
    EXPECT_EQ(stCharacter.health, 30.0f);
    EXPECT_EQ(stCharacter.killCount, 17);
    EXPECT_EQ(stCharacter.deathCount, 2);
    EXPECT_EQ(stCharacter.weapon, 2);
    EXPECT_EQ(Main.deathTimer, 1.0f);
    EXPECT_EQ(TheCamera.trackX, 80.0f);
    EXPECT_EQ(TheCamera.trackZ, -140.0f);
    EXPECT_EQ(TheCamera.yaw, 289.0f);
    EXPECT_EQ(TheCamera.pitch, 21.0f);
    EXPECT_EQ(TheCamera.distance, 20.0f);
    int living = 0;
    for (const structZombies &z : stZombies)
        living += z.active && z.health > 0;
    EXPECT_EQ(living, kZombies);
}

} // namespace
