// The actors in play: what one frame does and in which order, the mouse buttons and keys
// as the desktop delivers them, the rules of the dead player, a new window starting the
// actors afresh, and a whole game through WinMain from the first kill to the second death.
#include "GameTest.h"
#include "PlayGame.h"
#include "Stage.h"

#include "actors/CharacterMgr.h"
#include "actors/WeaponMgr.h"
#include "actors/ZombieMgr.h"
#include "audio/Music.h"
#include "audio/SPCPlayer.h"
#include "world/CameraMgr.h"
#include "world/MapMgr.h"

#include <GL/gl.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <vector>

namespace {

const int kOutdoors = 0, kHospital = 8, kDefeated = 10;

class InPlayTest : public GameTest {
  protected:
    void SetUp() override {
        GameTest::SetUp();
        seams::UseVirtualClock(1000);
        OpenWindow();
        Main.SetScreen(1);
        // A clear field of the map, nobody else around.
        StandAt(60.5f, 200.5f);
        for (structZombies &z : stZombies)
            z.active = false;
        Main.drawDistance = 8; // cheap frames
    }

    // Frames into the running weapon-0 swing, whichever of the three it is.
    static float SwingProgress() {
        switch (stWeapon.swing) {
        case 0:
            return stWeapon.angleY / 12.0f;
        case 1:
            return (180.0f - stWeapon.angleY) / 12.0f;
        default:
            return -stWeapon.angleX / 10.0f;
        }
    }

    // One pass of the main loop; false once it has ended.
    static bool Pass() {
        int code = 0;
        return MainLoopPass(code);
    }
    static void Passes(int n) {
        for (int k = 0; k < n; k++)
            ASSERT_TRUE(Pass());
    }
    // A key pressed for one poll, then released.
    static void Tap(uint8_t key) {
        seams::KeyEvent(key, true);
        Pass();
        seams::KeyEvent(key, false);
        Pass();
    }
    // A zombie of the last population, alone, a distance ahead of the player as the
    // camera faces.
    static structZombies &Ahead(int slot, float distance) {
        float s, c;
        HeadingSinCos(TheCamera.yaw, s, c);
        structZombies &z = stZombies[slot];
        z.active = true;
        z.health = 100;
        z.hitWeapon = -1;
        z.cutStyle = 0;
        z.posX = stCharacter.posX + distance * s;
        z.posZ = stCharacter.posZ - distance * c;
        return z;
    }
    static int Living() {
        int n = 0;
        for (const structZombies &z : stZombies)
            n += z.active && z.health > 0;
        return n;
    }
    // Pure black pixels in the lower half of the frame, where the ground is.
    static int BlackBelowHorizon() {
        std::vector<uint8_t> p(size_t(Main.width) * Main.height * 4);
        glReadPixels(0, 0, Main.width, Main.height, GL_RGBA, GL_UNSIGNED_BYTE, p.data());
        int n = 0;
        for (size_t k = 0; k < p.size() / 2; k += 4)
            n += p[k] == 0 && p[k + 1] == 0 && p[k + 2] == 0;
        return n;
    }
};

TEST_F(InPlayTest, AZombieKilledInAFrameIsDrawnFallingInThatFrame) {
    Main.drawDistance = 75; // ground all over the lower half of the picture
    Passes(2);
    CharacterMgr->SelectWeapon(2);
    structZombies &z = Ahead(7, 4.0f);
    Main.Render();
    const int before = BlackBelowHorizon();
    // The press is read after the frame; the next frame shoots before it draws.
    seams::MouseButton(0, true);
    Pass();
    ASSERT_TRUE(stCharacter.attacking);
    EXPECT_EQ(z.health, 100);
    Main.Render();
    const int after = BlackBelowHorizon();
    EXPECT_EQ(z.health, 0);
    EXPECT_EQ(z.cutStyle, 3);
    EXPECT_GT(after, before + 500) << "the shot zombie is drawn black in the frame it dies";
    // Its fall began in the same frame, after the drawing.
    EXPECT_EQ(z.fallAngleX, -8.0f);
    seams::MouseButton(0, false);
}

TEST_F(InPlayTest, TheFrameOfDeathStartsTheFadeAndTheDefeatTune) {
    Passes(2);
    EXPECT_EQ(MusicMgr->currentTrack, kOutdoors);
    stCharacter.health = 0.04f;
    Ahead(0, 0.5f);
    Ahead(1, 0.6f);
    seams::KeyEvent(DIK_W, true); // walking in the frame of death
    Main.Render();
    EXPECT_LE(stCharacter.health, 0.0f);
    EXPECT_EQ(stCharacter.deathCount, 1);
    EXPECT_FLOAT_EQ(Main.deathTimer, 0.99f);
    EXPECT_EQ(MusicMgr->currentTrack, kDefeated);
    // From now on the walk cycle stands still, however long a frame takes.
    const int frameAtDeath = stCharacter.frame;
    seams::UseVirtualClock(seams::VirtualNow() + 5000);
    Passes(3);
    EXPECT_EQ(stCharacter.frame, frameAtDeath);
    EXPECT_EQ(stCharacter.deathCount, 1);
    seams::KeyEvent(DIK_W, false);
}

TEST_F(InPlayTest, TheLeftButtonStartsOneAttackPerPress) {
    Passes(2);
    CharacterMgr->SelectWeapon(0);
    seams::MouseButton(0, true);
    Pass();
    EXPECT_TRUE(stCharacter.attacking);
    // Held through the swing and long after it: no second attack.
    int frames = 0;
    while (stCharacter.attacking && frames < 40) {
        Pass();
        frames++;
    }
    EXPECT_TRUE(frames == 10 || frames == 18) << frames;
    Passes(20);
    EXPECT_FALSE(stCharacter.attacking);

    // Let go and press again while a swing runs: the press waits, still held, for the
    // swing to end, and then starts the next one at once.
    seams::MouseButton(0, false);
    Pass();
    seams::MouseButton(0, true);
    Pass();
    ASSERT_TRUE(stCharacter.attacking);
    seams::MouseButton(0, false);
    Pass();
    seams::MouseButton(0, true);
    int starts = 0;
    float progress = SwingProgress();
    for (int k = 0; k < 60; k++) {
        Pass();
        // A new swing starts over from its first frame, and only once the last one is
        // through (the shortest swing runs 9 steps).
        if (stCharacter.attacking && SwingProgress() < progress) {
            starts++;
            EXPECT_GE(progress, 9.0f) << "a running swing was cut short";
        }
        progress = stCharacter.attacking ? SwingProgress() : 1e9f;
    }
    EXPECT_EQ(starts, 1);
    EXPECT_FALSE(stCharacter.attacking);
    seams::MouseButton(0, false);
    Pass();

    // The shot kills once per press: holding the button shoots no second zombie, and
    // letting go gives the shot back.
    CharacterMgr->SelectWeapon(2);
    structZombies &first = Ahead(1, 5.0f);
    structZombies &second = Ahead(2, 8.0f);
    seams::MouseButton(0, true);
    Passes(6);
    EXPECT_EQ(first.health, 0);
    EXPECT_EQ(second.health, 100);
    EXPECT_TRUE(stCharacter.shotSpent);
    seams::MouseButton(0, false);
    Pass();
    EXPECT_FALSE(stCharacter.shotSpent);
    Ahead(2, 8.0f);
    seams::MouseButton(0, true);
    Passes(2);
    EXPECT_EQ(second.health, 0);
    EXPECT_EQ(stCharacter.killCount, 2);

    // Only a release with the shot selected gives it back. Shoot and hold on; change to
    // weapon 0 and let go; swing it, and choose the shot again during the swing with the
    // button held: the shot that follows kills nobody.
    Tap(DIK_1);
    seams::MouseButton(0, false);
    Pass();
    EXPECT_TRUE(stCharacter.shotSpent);
    seams::MouseButton(0, true);
    Pass();
    seams::MouseButton(0, false);
    Pass();
    seams::MouseButton(0, true);
    Pass();
    ASSERT_TRUE(stCharacter.attacking);
    structZombies &third = Ahead(3, 6.0f);
    Tap(DIK_3);
    Passes(2);
    EXPECT_EQ(stCharacter.weapon, 2);
    EXPECT_EQ(third.health, 100);
    seams::MouseButton(0, false);
    Pass();
    seams::MouseButton(0, true);
    Passes(2);
    EXPECT_EQ(third.health, 0);
    seams::MouseButton(0, false);
}

TEST_F(InPlayTest, TheRightButtonRaisesAFreshPopulationOncePerPress) {
    Passes(2);
    stZombies[500].active = false; // gone until the population is raised anew
    seams::MouseButton(2, true);   // the middle button does nothing
    Passes(2);
    seams::MouseButton(2, false);
    EXPECT_EQ(Living(), 0);
    seams::MouseButton(1, true);
    Pass();
    EXPECT_EQ(Living(), kZombies);
    for (int round = 0; round < 3; round++) {
        stZombies[500].active = false;
        Pass();
        EXPECT_FALSE(stZombies[500].active) << "held: no second population";
    }
    seams::MouseButton(1, false);
    Pass();
    seams::MouseButton(1, true);
    Pass();
    EXPECT_TRUE(stZombies[500].active);
    seams::MouseButton(1, false);
}

TEST_F(InPlayTest, NumberKeysChooseWeaponsAndIOPMoveTheCutOffHalf) {
    Passes(2);
    const struct {
        uint8_t key;
        int weapon, reach;
    } keys[] = {{DIK_2, 1, 4}, {DIK_3, 2, 30}, {DIK_1, 0, 4}, {DIK_3, 2, 30}};
    for (const auto &k : keys) {
        Tap(k.key);
        EXPECT_EQ(stCharacter.weapon, k.weapon);
        EXPECT_EQ(stWeapon.reach, k.reach);
    }
    // A held number key chooses once: the swing it is held through goes on.
    seams::KeyEvent(DIK_1, true);
    Pass();
    seams::MouseButton(0, true);
    Passes(4);
    EXPECT_TRUE(stCharacter.attacking);
    EXPECT_EQ(SwingProgress(), 3.0f);
    seams::MouseButton(0, false);
    seams::KeyEvent(DIK_1, false);
    for (int frames = 0; stCharacter.attacking; frames++) {
        ASSERT_LT(frames, 40) << "the swing never ended";
        ASSERT_TRUE(Pass());
    }

    // A swing ends when another weapon is chosen.
    Tap(DIK_1);
    seams::MouseButton(0, true);
    Passes(3);
    ASSERT_TRUE(stCharacter.attacking);
    Tap(DIK_2);
    EXPECT_FALSE(stCharacter.attacking);
    EXPECT_EQ(stCharacter.weapon, 1);
    seams::MouseButton(0, false);

    const structZombies before = stZombies[3];
    seams::KeyEvent(DIK_I, true);
    Passes(3); // held: once per pass
    seams::KeyEvent(DIK_I, false);
    seams::KeyEvent(DIK_O, true);
    Pass();
    seams::KeyEvent(DIK_O, false);
    seams::KeyEvent(DIK_P, true);
    Passes(2);
    seams::KeyEvent(DIK_P, false);
    Pass();
    EXPECT_NEAR(stZombies[3].pieceX - before.pieceX, 0.3f, 1e-5f);
    EXPECT_NEAR(stZombies[3].pieceY - before.pieceY, 0.1f, 1e-5f);
    EXPECT_NEAR(stZombies[3].pieceZ - before.pieceZ, 0.2f, 1e-5f);
    EXPECT_EQ(stZombies[4].pieceX, 0.0f);
}

TEST_F(InPlayTest, TheWalkCycleShowsOnlyWhileWalkingForwardOrBack) {
    Passes(2);
    Mouse->posX = 90.0f; // east, along open ground
    seams::KeyEvent(DIK_W, true);
    std::vector<uint32_t> when; // virtual milliseconds of each change of picture
    std::vector<int> pictures;
    int last = stCharacter.frame;
    for (int k = 0; k < 50; k++) {
        Pass();
        if (stCharacter.frame != last) {
            when.push_back(seams::VirtualNow());
            pictures.push_back(stCharacter.frame);
            last = stCharacter.frame;
        }
    }
    seams::KeyEvent(DIK_W, false);
    ASSERT_GE(when.size(), 4u);
    // Never sooner than 0.2 s after the last change, and no later than the frame after.
    for (size_t k = 1; k < when.size(); k++) {
        EXPECT_GT(when[k] - when[k - 1], 200u) << "change " << k;
        EXPECT_LE(when[k] - when[k - 1], 235u) << "change " << k;
        EXPECT_EQ(pictures[k], (pictures[k - 1] + 1) % 3);
    }

    Pass();
    EXPECT_EQ(stCharacter.frame, 0);
    seams::KeyEvent(DIK_D, true); // sideways: the still picture throughout
    for (int k = 0; k < 30; k++) {
        Pass();
        EXPECT_EQ(stCharacter.frame, 0);
    }
    seams::KeyEvent(DIK_D, false);
}

TEST_F(InPlayTest, WhileDeadOnlyEnterCountsAndOnlyOnceTheFadeIsOver) {
    Passes(2);
    Ahead(9, 30.0f);
    stCharacter.health = 0.0f;
    stCharacter.killCount = 4;
    stCharacter.deathCount = 1;
    stZombies[500].active = false;
    const float x = stCharacter.posX, z = stCharacter.posZ;
    const structCamera camera = TheCamera;
    const int distance = Main.drawDistance;
    // Everything a living player could do at once.
    seams::KeyEvent(DIK_W, true);
    seams::KeyEvent(DIK_COMMA, true);
    seams::KeyEvent(DIK_3, true);
    seams::MouseButton(0, true);
    seams::MouseButton(1, true);
    seams::KeyEvent(DIK_RETURN, true);
    for (int k = 0; k < 40; k++) {
        seams::MouseMotion(200, 100);
        seams::MouseWheel(k % 2 ? 1 : -1);
        Pass();
    }
    seams::KeyEvent(DIK_COMMA, false);
    seams::KeyEvent(DIK_3, false);
    seams::KeyEvent(DIK_GRAVE, true);
    Pass();
    EXPECT_EQ(stCharacter.posX, x);
    EXPECT_EQ(stCharacter.posZ, z);
    EXPECT_EQ(std::memcmp(&camera, &TheCamera, sizeof camera), 0);
    EXPECT_EQ(Main.drawDistance, distance);
    EXPECT_FALSE(MapMgr->firstPerson);
    EXPECT_EQ(stCharacter.weapon, 0);
    EXPECT_FALSE(stCharacter.attacking);
    EXPECT_FALSE(stZombies[500].active) << "no new population while dead";
    EXPECT_EQ(stCharacter.health, 0.0f);

    // Enter, held all along, counts from the first pass after the timer is below -3.
    Main.deathTimer = -2.9f;
    int passes = 0;
    while (stCharacter.health <= 0.0f && passes < 100) {
        const float timer = Main.deathTimer;
        Pass();
        passes++;
        if (stCharacter.health > 0.0f) {
            EXPECT_LT(timer - 0.01f, -3.0f) << "respawned while the timer was " << timer;
        }
    }
    ASSERT_GT(stCharacter.health, 0.0f);
    EXPECT_GE(passes, 10);
    EXPECT_EQ(stCharacter.posX, 130.0f);
    EXPECT_EQ(stCharacter.posZ, 180.0f);
    EXPECT_EQ(Main.deathTimer, 1.0f);
    EXPECT_EQ(stCharacter.killCount, 4);
    EXPECT_EQ(stCharacter.deathCount, 1);
    EXPECT_EQ(Living(), kZombies);
    for (uint8_t key : {DIK_W, DIK_RETURN, DIK_GRAVE})
        seams::KeyEvent(key, false);
    seams::MouseButton(0, false);
    seams::MouseButton(1, false);
}

TEST_F(InPlayTest, ANewWindowStartsThePlayerAndTheZombiesAfresh) {
    Passes(2);
    stCharacter.health = 3.0f;
    stCharacter.killCount = 8;
    CharacterMgr->SelectWeapon(2);
    Main.KillGLWindow();
    ASSERT_TRUE(Main.CreateGLWindow("Hollowmere's Gravewake", 1024, 768, 16, 0));
    EXPECT_EQ(stCharacter.health, 30.0f);
    EXPECT_EQ(stCharacter.killCount, 0);
    EXPECT_EQ(stCharacter.posX, 50.0f);
    EXPECT_EQ(stCharacter.weapon, 0);
    EXPECT_EQ(stWeapon.reach, 4);
    EXPECT_EQ(Living(), kZombies);
    // And the map is the file's again, read after the reset.
    int walls = 0;
    for (const auto &row : stMap)
        for (const structMap &cell : row)
            walls += cell.wallHeight > 0.0f;
    EXPECT_GT(walls, 1000);
}

// --- A whole game ----------------------------------------------------------------------

// The heading, in degrees, that faces a point from the player.
float YawTowards(float x, float z) {
    return std::atan2(x - stCharacter.posX, -(z - stCharacter.posZ)) * 57.29578f;
}

// Mouse counts that turn the camera from its yaw to another (20 counts a degree).
int CountsToTurn(float to) {
    float d = std::fmod(to - TheCamera.yaw, 360.0f);
    if (d > 180.0f)
        d -= 360.0f;
    if (d < -180.0f)
        d += 360.0f;
    return static_cast<int>(std::lround(d * 20.0f));
}

class WholeGame {
  public:
    enum Phase { Lowering, Killing, Dying, Dead, SecondLife, SecondDeath, Over };

    // One step a pass once the game is on; false when the game should end.
    bool Step() {
        tracks.push_back(MusicMgr->currentTrack);
        pass++;
        if (pass > 6000) {
            ADD_FAILURE() << "the game did not get through phase " << phase;
            return false;
        }
        switch (phase) {
        case Lowering:
            // Away from the crowd at the start, east along the road, with the draw
            // distance brought down to 2 on the way for cheap frames.
            if (pass == 1) {
                startX = stCharacter.posX;
                seams::KeyEvent(DIK_W, true);
            }
            seams::KeyEvent(DIK_COMMA, Main.drawDistance > 2);
            if (Main.drawDistance == 2) {
                seams::KeyEvent(DIK_W, false);
                EXPECT_GT(stCharacter.posX, startX + 20.0f) << "walked east";
                Next(Killing);
            }
            return true;
        case Killing:
            return Kill();
        case Dying: // stand among them until they have bitten the player to death
            if (stCharacter.health <= 0.0f) {
                EXPECT_EQ(stCharacter.deathCount, 1);
                killsAtDeath = stCharacter.killCount;
                Next(Dead);
            }
            return true;
        case Dead:
            return WaitAndRespawn(SecondLife);
        case SecondLife:
            if (pass == phaseStart + 1) {
                EXPECT_EQ(stCharacter.posX, 130.0f);
                EXPECT_EQ(stCharacter.posZ, 180.0f);
                EXPECT_EQ(stCharacter.health, 30.0f);
                EXPECT_EQ(Main.deathTimer, 1.0f);
                int living = 0;
                for (const structZombies &z : stZombies)
                    living += z.active && z.health > 0;
                EXPECT_EQ(living, kZombies);
                EXPECT_EQ(stCharacter.killCount, killsAtDeath);
                seams::KeyEvent(DIK_RETURN, false);
            }
            if (stCharacter.health <= 0.0f) {
                EXPECT_EQ(stCharacter.deathCount, 2);
                EXPECT_EQ(stCharacter.killCount, killsAtDeath);
                Next(SecondDeath);
            }
            return true;
        case SecondDeath:
            if (pass - phaseStart == 5) {
                Next(Over);
                return false;
            }
            return true;
        case Over:
            return false;
        }
        return false;
    }

    Phase phase = Lowering;
    int pass = 0, phaseStart = 0;
    float startX = 0.0f;
    int killsAtDeath = 0;
    int kills[3] = {0, 0, 0};
    int styles[3] = {-1, -1, -1};
    std::vector<int> tracks;

  private:
    void Next(Phase p) {
        phase = p;
        phaseStart = pass;
    }

    // Choose each weapon in turn and kill with it: turn towards the nearest zombie and
    // strike when it is at a distance the weapon reaches.
    bool Kill() {
        const uint8_t keys[] = {DIK_1, DIK_2, DIK_3};
        if (weapon == 3) {
            Next(Dying);
            return true;
        }
        if (!fresh) {
            // A fresh population for every weapon, so the zombies come from afar again.
            seams::MouseButton(1, raised = !raised);
            fresh = !raised;
            return true;
        }
        if (!chosen) {
            seams::KeyEvent(keys[weapon], pressed = !pressed);
            if (!pressed) {
                chosen = true;
                EXPECT_EQ(stCharacter.weapon, weapon);
            }
            return true;
        }
        if (clicked) {
            seams::MouseButton(0, false);
            clicked = false;
            return true;
        }
        if (stCharacter.attacking)
            return true;
        if (stCharacter.killCount > killsBefore) {
            kills[weapon] = stCharacter.killCount - killsBefore;
            styles[weapon] = stZombies[lastTarget].cutStyle;
            killsBefore = stCharacter.killCount;
            weapon++;
            chosen = fresh = false;
            return true;
        }
        // The nearest zombie still on its way: one standing on the player is out of
        // every weapon's reach.
        int nearest = -1;
        float best = 1e9f;
        for (int i = 0; i < kZombies; i++) {
            const structZombies &z = stZombies[i];
            if (!z.active || z.health <= 0)
                continue;
            const float d = std::hypot(z.posX - stCharacter.posX, z.posZ - stCharacter.posZ);
            if (d > 1.6f && d < best) {
                best = d;
                nearest = i;
            }
        }
        if (nearest < 0)
            return true;
        const structZombies &z = stZombies[nearest];
        seams::MouseMotion(CountsToTurn(YawTowards(z.posX, z.posZ)), 0);
        // It comes 0.1 nearer before the sweep: strike when it will be about a whole
        // number of cells away, within the weapon's rows.
        const float at = best - 0.1f;
        const bool inRows = weapon == 2 ? at > 1.5f && at < 25.0f : at > 1.5f && at < 3.4f;
        if (inRows && std::abs(at - std::round(at)) < 0.2f) {
            seams::MouseButton(0, true);
            clicked = true;
            lastTarget = nearest;
        }
        return true;
    }

    // Read the fade as it runs, press Enter too early, then once the prompt is up.
    bool WaitAndRespawn(Phase after) {
        const int dead = pass - phaseStart;
        if (dead == 200) {
            seams::KeyEvent(DIK_RETURN, true); // too early: ignored
        } else if (dead == 202) {
            seams::KeyEvent(DIK_RETURN, false);
            EXPECT_LE(stCharacter.health, 0.0f) << "Enter before the prompt respawned";
        } else if (dead == 420) {
            EXPECT_LT(Main.deathTimer, -3.0f);
            EXPECT_NEAR(Main.deathTimer, -3.1f, 0.001f) << "the fade stops just above -3.1";
            seams::KeyEvent(DIK_RETURN, true);
            Next(after);
        }
        return true;
    }

    int weapon = 0;
    bool fresh = false, raised = false, chosen = false, pressed = false, clicked = false;
    int killsBefore = 0, lastTarget = 0;
};

TEST(WholeGameTest, KillWithEachWeaponDieReadTheFadeRespawnAndDieAgain) {
    seams::Reset();
    seams::UseVirtualClock(777); // the seed of the game, through its start-up
    RebuildMain();
    seams::SetLibraryFolder(std::filesystem::current_path().string());
    seams::ManualWaveOut(true);
    seams::RecordWaveOut(true);

    WholeGame game;
    EXPECT_EQ(PlayGame([&](int) { return game.Step(); }), 0);
    ASSERT_EQ(game.phase, WholeGame::Over);

    // Each weapon killed, and each kill looks like its weapon's.
    for (int w = 0; w < 3; w++)
        EXPECT_GE(game.kills[w], 1) << "weapon " << w;
    EXPECT_EQ(game.kills[2], 1);
    EXPECT_EQ(game.styles[0], 0);
    EXPECT_TRUE(game.styles[1] == 1 || game.styles[1] == 2);
    EXPECT_EQ(game.styles[2], 3);

    // The tunes chosen on the way: outdoors, defeat, the hospital, defeat again.
    std::vector<int> changes;
    for (int t : game.tracks)
        if (changes.empty() || changes.back() != t)
            changes.push_back(t);
    EXPECT_EQ(changes, (std::vector<int>{kOutdoors, kDefeated, kHospital, kDefeated}));

    // And what went to the audio device: each tune from its start, two buffers each.
    const auto log = seams::WaveOutLog();
    ASSERT_EQ(log.size(), 8u);
    Player.InitSPCPlayer();
    ASSERT_NE(Player.emuAPU, nullptr);
    const char *const heard[] = {"Zombies", "Defeated", "Hospital", "Defeated"};
    for (int k = 0; k < 4; k++)
        EXPECT_TRUE(log[2 * k] == FirstBuffer(heard[k])) << "tune " << k << ": " << heard[k];
    Player.CloseSPCPlayer();
}

} // namespace
