// The actors' rules on plain records: how a zombie in sight chases, which cells each
// weapon sweeps and whom it kills (also against the literal sweep), the swings frame by
// frame, each death animation from its first frame to its last, and the player's start
// and respawn. Where a population stands and how zombies wander, bite and walk, the test
// demos hold frame by frame (DemoTest).
#include "Harness.h"
#include "LiteralSweep.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <random>
#include <set>

namespace {

using Cell = std::pair<int, int>;

// A seed whose next rand() % 3 is the given swing.
unsigned SeedForSwing(int swing) {
    unsigned seed = 1;
    for (std::srand(seed); std::rand() % 3 != swing; std::srand(++seed)) {
    }
    return seed;
}

class ActorsTest : public GameTest {
  protected:
    void SetUp() override {
        GameTest::SetUp();
        MapMgr->InitMap(); // flat and open
        CharacterMgr->InitCharacter();
        TheCamera = kStartCamera;
        Clear();
        Stand(100.5f, 100.5f, 0.0f);
    }
    static void Clear() {
        for (structZombies &z : stZombies)
            z.active = false;
        used = 0;
    }
    // A living zombie in the next free slot.
    static structZombies &Put(float x, float z, int kind = 0) {
        return PlaceZombie(used++, kind, x, z);
    }
    static void Grid(int x0, int x1, int z0, int z1) {
        for (int x = x0; x <= x1; x++)
            for (int z = z0; z <= z1; z++)
                Put(float(x), float(z));
    }
    static std::set<Cell> Killed() {
        std::set<Cell> cells;
        for (int i = 0; i < used; i++)
            if (stZombies[i].health == 0)
                cells.insert(
                    {int(std::lround(stZombies[i].posX)), int(std::lround(stZombies[i].posZ))});
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
int ActorsTest::used = 0;

TEST_F(ActorsTest, InSightAZombieStepsATenthTowardsThePlayerZFirstAndWallsStopAnAxis) {
    const struct {
        float px, pz, x, z;
        int wallX, wallZ; // a wall there, or none at -1
        float wall, wantX, wantZ;
    } chases[] = {
        // A square of sight, through walls; equal distances: the whole step along z.
        {100.5f, 100.5f, 80.51f, 80.51f, 90, 90, 2, 80.51f, 80.61f},
        {100.5f, 100.5f, 105.5f, 100.5f, -1, -1, 0, 105.4f, 100.5f},         // all along x
        {100.5f, 100.5f, 97.5f, 104.5f, -1, -1, 0, 97.575f, 104.475f},       // shared by distance
        {100.5f, 100.5f, 100.5f, 100.5f, -1, -1, 0, 100.5f, 100.5f},         // on the player
        {100.5f, 101.5f, 95.95f, 95.5f, 96, 95, 0.6f, 95.95f, 95.52417f},    // a wall stops x only
        {100.5f, 101.5f, 95.95f, 95.5f, 96, 95, 0.5f, 96.02583f, 95.52417f}, // stepped over
        {100.5f, 110.5f, 97.99f, 99.95f, 98, 99, 2, 98.01379f, 100.02621f},  // x from the new z
        {100.5f, 110.5f, 97.99f, 99.95f, 98, 100, 2, 97.99f, 100.02621f},
        {252.0f, 100.5f, 249.95f, 100.5f, -1, -1, 0, 249.95f, 100.5f}, // never off the map
    };
    for (const auto &c : chases) {
        MapMgr->InitMap();
        Clear();
        Stand(c.px, c.pz, 0.0f);
        structZombies &z = Put(c.x, c.z);
        if (c.wallX >= 0)
            stMap[c.wallX][c.wallZ].wallHeight = c.wall;
        ZombieMgr->HandleAI();
        SCOPED_TRACE(testing::Message() << "from " << c.x << ", " << c.z);
        EXPECT_NEAR(z.posX, c.wantX, 1e-4f);
        EXPECT_NEAR(z.posZ, c.wantZ, 1e-4f);
        EXPECT_TRUE(z.walking && !z.wandering);
    }
    // Exactly 20 away on one axis is out of sight: a wander step of 0.02 at most.
    Clear();
    Stand(100.5f, 100.5f, 0.0f);
    structZombies &east = Put(120.5f, 100.5f), &north = Put(100.5f, 80.5f);
    ZombieMgr->HandleAI();
    EXPECT_TRUE(east.wandering && north.wandering);
    EXPECT_GE(east.posX, 120.5f - 0.021f);
    EXPECT_LE(north.posZ, 80.5f + 0.021f);
}

// --- Weapons -------------------------------------------------------------------------------

TEST_F(ActorsTest, EachWeaponSweepsItsBlockAheadOfThePlayer) {
    const struct {
        int weapon;
        float yaw;
        std::set<Cell> cells;
    } cases[] = {
        {0, 0.0f, Block(48, 52, 37, 39)},   // facing -z: rows down in z, columns along +x
        {1, 0.0f, Block(48, 52, 37, 39)},   //
        {0, 90.0f, Block(51, 53, 38, 42)},  // facing +x
        {1, 180.0f, Block(48, 52, 41, 43)}, // facing +z: columns along -x
        {0, 990.0f, Block(47, 49, 38, 42)}, // facing -x, two turns on
    };
    for (const auto &c : cases) {
        Clear();
        Grid(40, 60, 30, 50);
        Stand(50.0f, 40.0f, c.yaw);
        CharacterMgr->SelectWeapon(c.weapon);
        stCharacter.killCount = 0;
        ZombieMgr->HitZombies(c.weapon);
        EXPECT_EQ(Killed(), c.cells) << "weapon " << c.weapon << " yaw " << c.yaw;
        EXPECT_EQ(stCharacter.killCount, 15);
    }
    // The shot: 29 rows of 3 columns from the line of sight rightwards, the first zombie it
    // meets only, nearest row first, then left to right; none while the shot is spent.
    Clear();
    for (const Cell &c : {Cell{52, 20}, {51, 35}, {52, 35}, {53, 35}, {50, 10}})
        Put(float(c.first), float(c.second));
    Stand(50.0f, 40.0f, 0.0f);
    CharacterMgr->SelectWeapon(2);
    std::set<Cell> want;
    for (const Cell &next : {Cell{51, 35}, {52, 35}, {52, 20}}) {
        stCharacter.shotSpent = false; // the button let go and pressed again
        ZombieMgr->HitZombies(2);
        ZombieMgr->HitZombies(2); // held: nothing more
        want.insert(next);
        EXPECT_EQ(Killed(), want);
        EXPECT_TRUE(stCharacter.shotSpent);
    }
    stCharacter.shotSpent = false;
    ZombieMgr->HitZombies(2);
    EXPECT_EQ(Killed().size(), 3u) << "nothing left in the strip";
    EXPECT_FALSE(stCharacter.shotSpent);
    // Two in one cell: the lower slot.
    Clear();
    structZombies &first = Put(50.2f, 35.1f), &second = Put(49.8f, 34.9f);
    ZombieMgr->HitZombies(2);
    EXPECT_EQ(first.health * 1000 + second.health, 100);
}

TEST_F(ActorsTest, TheSweepRoundsHalfUpAndEndsAtTheMapsLowEdge) {
    Stand(13.0f, 40.0f, 0.0f); // probes x 11..15, z 37..39
    const struct {
        float x, z;
        bool hit;
    } edges[] = {{10.5f, 39, true},  {10.49f, 39, false}, {15.49f, 37.2f, true},
                 {15.5f, 37, false}, {12, 36.5f, true},   {12, 36.49f, false}};
    for (const auto &e : edges)
        Put(e.x, e.z);
    ZombieMgr->HitZombies(0);
    for (int i = 0; i < 6; i++)
        EXPECT_EQ(stZombies[i].health == 0, edges[i].hit) << edges[i].x << ", " << edges[i].z;
    // The first probe at x -1.2 is cell -1: the whole sweep ends. At -0.7 it is cell 0, as
    // is the next probe at 0.3: each zombie dies once.
    for (const auto &[x, killed] : {std::pair{0.8f, 0}, {1.3f, 12}}) {
        Clear();
        Grid(0, 4, 37, 39);
        Stand(x, 40.0f, 0.0f);
        stCharacter.killCount = 0;
        ZombieMgr->HitZombies(0);
        EXPECT_EQ(stCharacter.killCount, killed) << "from x " << x;
        EXPECT_EQ(Killed(), killed ? Block(0, 3, 37, 39) : std::set<Cell>{});
    }
}

TEST_F(ActorsTest, TheGameSweepKillsExactlyWhomTheLiteralSweepKills) {
    std::mt19937 random(2024);
    auto uniform = [&](float lo, float hi) {
        return std::uniform_real_distribution<float>(lo, hi)(random);
    };
    const float yaws[] = {0.0f, 45.0f, 90.0f, 180.0f, 270.0f, 359.5f};
    static structZombies before[kZombies], game[kZombies];
    int kills = 0;
    for (int trial = 0; trial < 300; trial++) {
        std::srand(trial);
        ZombieMgr->InitZombies();
        // Now and then at the map's low edges, where the sweep may end early.
        const bool edge = trial % 5 == 0;
        Stand(edge ? uniform(0, 3) : uniform(5, 245),
              edge && trial % 10 == 0 ? uniform(0, 3) : uniform(5, 245),
              trial % 3 == 0 ? uniform(-720, 720) : yaws[trial % 6]);
        const int weapon = trial % 3;
        CharacterMgr->SelectWeapon(weapon);
        stWeapon.swing = trial % 7 % 3;
        stCharacter.shotSpent = weapon == 2 && trial % 11 == 0;
        stCharacter.killCount = trial;
        // Crowd the ground ahead: half-cell positions, shared cells, bodies, empty slots.
        float s, c;
        HeadingSinCos(TheCamera.yaw, s, c);
        for (int k = 0; k < 300; k++) {
            structZombies &z = stZombies[(k * 37 + trial) % kZombies];
            const float r = uniform(-2, 30), col = uniform(-4, 4);
            z.posX = stCharacter.posX + r * s + col * c;
            z.posZ = stCharacter.posZ - r * c + col * s;
            if (k % 4 == 0)
                z.posX = std::round(z.posX * 2) / 2;
            if (k % 5 == 0)
                z.posZ = std::round(z.posZ * 2) / 2;
            z.health = k % 13 ? z.health : 0;
            z.active = k % 17 != 0;
        }
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
}

TEST_F(ActorsTest, SwingsSweepEveryFrameOfTheirLengthAndAWeaponChoiceEndsThem) {
    // Weapon 0's three swings: a zombie steps into the block before every frame, and the
    // next sweep gets it; then the swing is at rest and sweeps no more.
    for (int swing = 0; swing < 3; swing++) {
        Clear();
        Stand(50.0f, 40.0f, 123.0f * swing);
        CharacterMgr->SelectWeapon(0);
        std::srand(SeedForSwing(swing));
        CharacterMgr->Attack();
        ASSERT_EQ(stWeapon.swing, swing);
        EXPECT_EQ(stWeapon.angleY, swing == 1 ? 180.0f : 0.0f);
        int frames = 0, kills = 0;
        for (; stCharacter.attacking && frames < 100; frames++) {
            float s, c;
            HeadingSinCos(TheCamera.yaw, s, c);
            structZombies &z = Put(50.0f + 2 * s, 40.0f - 2 * c);
            WeaponMgr->HandleWeapon();
            kills += z.health == 0;
            // Recorded as this weapon's blow, and a knock-down, whatever the swing.
            EXPECT_TRUE(z.hitWeapon == 0 && z.hitSwing == swing && z.hitYaw == TheCamera.yaw &&
                        z.cutStyle == 0);
        }
        EXPECT_EQ(frames, swing == 2 ? 10 : 18) << "swing " << swing;
        EXPECT_EQ(kills, frames);
        EXPECT_EQ(stWeapon.angleX + stWeapon.angleY, 0.0f);
        EXPECT_EQ(stWeapon.reach * 100 + stWeapon.hitColumnStart * 10 + stWeapon.hitColumnEnd +
                      stWeapon.hitColumnExtra,
                  4 * 100 - 20 + 3);
        structZombies &after = Put(50.0f, 38.0f);
        WeaponMgr->HandleWeapon();
        EXPECT_EQ(after.health, 100) << "idle: no sweep";
    }
    // The cut and the shot last one frame; the cut falls apart along the blade's diagonal.
    for (const auto &[weapon, swing, style, killed] :
         {std::tuple{1, 0, 1, 15u}, {1, 1, 1, 15u}, {1, 2, 2, 15u}, {2, 1, 3, 1u}}) {
        Clear();
        Grid(48, 52, 37, 39);
        Stand(50.0f, 40.0f, 0.0f);
        CharacterMgr->SelectWeapon(weapon);
        stCharacter.shotSpent = false;
        std::srand(SeedForSwing(swing));
        CharacterMgr->Attack();
        EXPECT_EQ(stWeapon.angleY, 0.0f) << "only weapon 0 turns";
        WeaponMgr->HandleWeapon();
        WeaponMgr->HandleWeapon();
        EXPECT_FALSE(stCharacter.attacking);
        EXPECT_EQ(Killed().size(), killed);
        for (int i = 0; i < used; i++)
            EXPECT_TRUE(stZombies[i].health || stZombies[i].cutStyle == style)
                << "weapon " << weapon << " swing " << swing;
        EXPECT_EQ(stCharacter.shotSpent, weapon == 2);
    }
    // Choosing a weapon ends a swing at once and does not give a spent shot back.
    Clear();
    CharacterMgr->SelectWeapon(0);
    std::srand(SeedForSwing(0));
    CharacterMgr->Attack();
    for (int frame = 0; frame < 5; frame++)
        WeaponMgr->HandleWeapon();
    EXPECT_EQ(stWeapon.angleY, 60.0f);
    stCharacter.shotSpent = true;
    CharacterMgr->SelectWeapon(1);
    EXPECT_TRUE(!stCharacter.attacking && stCharacter.weapon == 1 && stCharacter.shotSpent);
    EXPECT_EQ(stWeapon.angleY, 0.0f);
    Grid(48, 52, 37, 39);
    WeaponMgr->HandleWeapon();
    EXPECT_TRUE(Killed().empty());
    // A weapon without a row: the record stays clear, and an attack ends and harms nobody.
    CharacterMgr->SelectWeapon(3);
    EXPECT_EQ(stWeapon.reach + stWeapon.hitColumnStart + stWeapon.hitColumnEnd +
                  stWeapon.hitColumnExtra,
              0);
    CharacterMgr->Attack();
    WeaponMgr->HandleWeapon();
    EXPECT_FALSE(stCharacter.attacking);
    EXPECT_TRUE(Killed().empty());
}

// --- Death animations ----------------------------------------------------------------------

TEST_F(ActorsTest, EachKillFallsItsOwnWayFrameByFrameAndThenLiesStill) {
    const float floor0 = 0.06f - 1.875f, monkey = 0.06f - 1.36f, gourd = 0.06f - 0.989f;
    const struct {
        int weapon, swing, kind, frames;
        float pushF, pushL, pushZ; // along the heading, to its right, along -z times cos
        float angleX, angleZ, offsetY, pieceX;
    } falls[] = {
        {0, 0, 0, 23, 0, -2.76f, 0, 90, 90, -1.7f, 0},    // to the left; held at -1.7
        {0, 0, 3, 23, 0, -2.76f, 0, 90, 90, monkey, 0},   // a Monkey rests on its floor
        {0, 1, 0, 23, 0, 2.76f, 0, -90, -90, -1.7f, 0},   // to the right
        {0, 2, 4, 23, 0, 0, 2.76f, -90, 0, gourd, 0},     // backwards along z
        {1, 0, 0, 59, 2.25f, 0, 0, -90, 0, floor0, 1.4f}, // cut, the half off, then back
        {1, 1, 3, 59, 2.25f, 0, 0, -90, 0, monkey, 1.4f},
        {1, 2, 0, 59, 2.25f, 0, 0, -90, 0, floor0, -1.4f},
        {2, 0, 0, 12, 0, 0, 1.44f, -90, 0, floor0, 0}, // shot
        {2, 2, 4, 12, 0, 0, 1.44f, -90, 0, gourd, 0},
    };
    for (float yaw : {0.0f, 90.0f, 230.0f}) {
        float s, c;
        HeadingSinCos(yaw, s, c);
        for (const auto &f : falls) {
            SCOPED_TRACE(testing::Message()
                         << "weapon " << f.weapon << " swing " << f.swing << " yaw " << yaw);
            Clear();
            structZombies &z = Put(100.0f, 100.0f, f.kind);
            TheCamera.yaw = yaw;
            stCharacter.weapon = f.weapon;
            stWeapon.swing = f.swing;
            ZombieMgr->HitResult(0);
            // The course: each quantity goes its way steadily, one way, no frame taking
            // more than a fifth of it; the camera turns meanwhile, which only the final
            // heading takes up.
            std::vector<std::array<float, 7>> course;
            auto state = [&] {
                return std::array<float, 7>{z.offsetX,    z.offsetY, z.offsetZ, z.fallAngleX,
                                            z.fallAngleZ, z.pieceX,  z.pieceY};
            };
            course.push_back(state());
            int frames = 0;
            for (; z.hitWeapon != -1 && frames < 200; frames++) {
                TheCamera.yaw = yaw + 3.0f * frames;
                ZombieMgr->HandleHit();
                course.push_back(state());
            }
            for (int q = 0; q < 7; q++) {
                float path = 0.0f, largest = 0.0f;
                for (size_t k = 1; k < course.size(); k++) {
                    const float step = std::fabs(course[k][q] - course[k - 1][q]);
                    path += step;
                    largest = std::max(largest, step);
                }
                const float whole = std::fabs(course.back()[q] - course.front()[q]);
                EXPECT_LE(path, whole * 1.01f + 1e-4f) << "quantity " << q << " turns back";
                EXPECT_LE(largest, whole / 5 + 1e-4f) << "quantity " << q << " jumps";
            }
            EXPECT_EQ(frames, f.frames);
            EXPECT_NEAR(z.offsetX, f.pushF * s + f.pushL * c, 1e-3f);
            EXPECT_NEAR(z.offsetZ, -f.pushF * c + f.pushL * s - f.pushZ * c, 1e-3f);
            EXPECT_EQ(z.fallAngleX, f.angleX);
            EXPECT_EQ(z.fallAngleZ, f.angleZ);
            EXPECT_FLOAT_EQ(z.offsetY, f.offsetY);
            EXPECT_NEAR(z.pieceX, f.pieceX, 1e-4f);
            EXPECT_NEAR(z.pieceY, -std::abs(f.pieceX), 1e-4f);
            EXPECT_EQ(z.bodyYaw, -(yaw + 3.0f * (frames - 1)));
            // A cut body lets its half slide off before it tips over.
            EXPECT_TRUE(f.weapon != 1 || course[14][3] == 0.0f);
            // Still from now on, whatever else happens.
            structZombies still;
            std::memcpy(&still, &z, sizeof z);
            TheCamera.yaw += 40.0f;
            for (int k = 0; k < 5; k++) {
                ZombieMgr->HandleHit();
                ZombieMgr->HandleAI();
                ZombieMgr->HandleWalking();
            }
            EXPECT_EQ(std::memcmp(&still, &z, sizeof z), 0);
        }
    }
}

TEST_F(ActorsTest, ThePlayerStartsAtTheWestEdgeAndRisesAtTheHospitalWithItsCounts) {
    stCharacter.health = -1.0f;
    stCharacter.killCount = 9;
    CharacterMgr->SelectWeapon(2);
    CharacterMgr->lastStepTime = 5.0f;
    CharacterMgr->InitCharacter();
    EXPECT_EQ(stCharacter.killCount + stCharacter.deathCount + stCharacter.weapon, 0);
    EXPECT_EQ(stCharacter.health * 1000 + stCharacter.posX * 10 + stCharacter.posZ, 30540.0f);
    EXPECT_EQ(stWeapon.reach * 10 + stWeapon.hitColumnStart, 38);
    EXPECT_EQ(CharacterMgr->lastStepTime, 0.0f);

    // Dead among bodies: the counts and the weapon stay, the fade and the crowd start anew.
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
    EXPECT_EQ(stCharacter.posX * 1000 + stCharacter.posZ, 130180.0f);
    EXPECT_EQ(stCharacter.health, 30.0f);
    EXPECT_EQ(stCharacter.killCount * 100 + stCharacter.deathCount * 10 + stCharacter.weapon, 1722);
    EXPECT_EQ(Main.deathTimer, 1.0f);
    const structCamera camera = {50, -3, -60, 80, 0, -140, 289, 21, 20};
    EXPECT_EQ(std::memcmp(&camera, &TheCamera, sizeof camera), 0);
    EXPECT_EQ(LivingZombies(), kZombies);
}

} // namespace
