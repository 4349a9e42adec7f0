// The weapons and the death animations on plain records: which cells each weapon sweeps
// and whom it kills, also against the literal sweep, and each kill's fall from its first
// frame to its last. How zombies are placed, chase, wander, bite and walk, how the swings
// run and how the player starts and rises, the test demos hold frame by frame (DemoTest).
#include "Harness.h"
#include "Literal.h"

namespace {

using Cell = std::pair<int, int>;

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

TEST_F(ActorsTest, TheSweepRoundsHalfUp) {
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
        GameSrand(trial);
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

} // namespace
