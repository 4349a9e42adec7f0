// The game in play through its main loop: what one frame does and in which order, the
// buttons and keys once per press, the colours of the scene and its death fade, the rules
// of the dead player, a whole game from the first kill to the second death with the tunes
// it plays, and a game without the files it can do without.
#include "Harness.h"

#include <GL/gl.h>
#include <fontconfig/fontconfig.h>
#include <unistd.h>

#include <cmath>
#include <cstring>

namespace {

const int kOutdoors = 0, kHospital = 8, kDefeated = 10;

class PlayTest : public GameTest {
  protected:
    void SetUp() override {
        GameTest::SetUp();
        InPlay();
        Passes(2);
    }
    // A zombie alone, a distance ahead of the player as the camera faces.
    static structZombies &Ahead(int slot, float distance) {
        float s, c;
        HeadingSinCos(TheCamera.yaw, s, c);
        return PlaceZombie(slot, 0, stCharacter.posX + distance * s,
                           stCharacter.posZ - distance * c);
    }
    // Frames into the running swing of weapon 0, whichever of the three it is.
    static float SwingProgress() {
        return stWeapon.swing == 0   ? stWeapon.angleY / 12.0f
               : stWeapon.swing == 1 ? (180.0f - stWeapon.angleY) / 12.0f
                                     : -stWeapon.angleX / 10.0f;
    }
    static void Button(int index, bool down, int passes = 1) {
        seams::MouseButton(index, down);
        Passes(passes);
    }
};

TEST_F(PlayTest, AZombieKilledInAFrameIsDrawnFallingInThatFrame) {
    Main.drawDistance = 75; // ground all over the lower half of the picture
    CharacterMgr->SelectWeapon(2);
    structZombies &z = Ahead(7, 4.0f);
    auto blackBelowTheHorizon = [] {
        const Pixels p = Grab();
        int n = 0;
        for (size_t k = 0; k < p.size() / 2; k += 4)
            n += p[k] + p[k + 1] + p[k + 2] == 0;
        return n;
    };
    Main.Render();
    const int before = blackBelowTheHorizon();
    Button(0, true); // read after the frame; the next frame shoots before it draws
    ASSERT_TRUE(stCharacter.attacking);
    EXPECT_EQ(z.health, 100);
    Main.Render();
    EXPECT_EQ(z.health * 10 + z.cutStyle, 3);
    EXPECT_GT(blackBelowTheHorizon(), before + 500) << "drawn black in the frame it dies";
    EXPECT_EQ(z.fallAngleX, -8.0f) << "its fall began in the same frame, after the drawing";
}

TEST_F(PlayTest, TheScenesColoursAndTheDeathFadesRed) {
    MapMgr->LoadMap();
    StandAt(1.0f, 59.0f);
    TheCamera.yaw = 91.0f;
    std::srand(3);
    ZombieMgr->InitZombies();
    Main.drawDistance = 40;
    // Something red over the whole view first: every frame starts from black.
    GLfloat clear[4];
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    glClearColor(1, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glClearColor(clear[0], clear[1], clear[2], clear[3]);
    // The same scene each time: the frame's own step of the logic is undone after it.
    static structZombies crowd[kZombies];
    std::memcpy(crowd, stZombies, sizeof crowd);
    const structCharacter player = stCharacter;
    Main.Render();
    const Pixels alive = Grab();
    EXPECT_TRUE(Near(PixelAt(alive, 400, 595), {0, 0, 0, 0})) << "above the horizon";
    // Dead, the same scene with green and blue faded by the timer; the overlay keeps its
    // own colours above (the message at the top left, the bar at the top right).
    for (float timer : {0.6f, 0.25f}) {
        std::memcpy(stZombies, crowd, sizeof crowd);
        stCharacter = player;
        stCharacter.health = 0.0f;
        Main.deathTimer = timer;
        Main.Render();
        const Pixels dead = Grab();
        int wrong = 0, lit = 0;
        for (int y = 0; y < Main.height * 6 / 10; y++)
            for (int x = 0; x < Main.width; x++) {
                const Rgba a = PixelAt(alive, x, y), d = PixelAt(dead, x, y);
                lit += a.r + a.g + a.b > 60;
                wrong +=
                    !Near(d, {a.r, uint8_t(a.g * timer + 0.5f), uint8_t(a.b * timer + 0.5f), 0}, 2);
            }
        EXPECT_GT(lit, 100000) << "the scene is drawn";
        EXPECT_EQ(wrong, 0) << "pixels not tinted (1, " << timer << ", " << timer << ")";
    }
}

TEST_F(PlayTest, TheButtonsAndTheNumberKeysActOncePerPress) {
    // The left button: one attack per press, however long it is held.
    CharacterMgr->SelectWeapon(0);
    Button(0, true);
    int frames = 0;
    for (; stCharacter.attacking && frames < 40; frames++)
        Pass();
    EXPECT_TRUE(frames == 10 || frames == 18) << frames;
    Passes(20);
    EXPECT_FALSE(stCharacter.attacking) << "held: no second attack";
    // Pressed again during a swing, it waits, held, for the swing to end, then starts the
    // next one from its first frame.
    Button(0, false);
    Button(0, true);
    Button(0, false);
    seams::MouseButton(0, true);
    int starts = 0;
    float progress = SwingProgress();
    for (int k = 0; k < 60; k++) {
        Pass();
        if (stCharacter.attacking && SwingProgress() < progress) {
            starts++;
            EXPECT_GE(progress, 9.0f) << "a running swing was cut short";
        }
        progress = stCharacter.attacking ? SwingProgress() : 1e9f;
    }
    EXPECT_EQ(starts, 1);
    Button(0, false);

    // The shot kills once per press; letting go with the shot chosen gives it back.
    CharacterMgr->SelectWeapon(2);
    structZombies &first = Ahead(1, 5.0f), &second = Ahead(2, 8.0f);
    Button(0, true, 6);
    EXPECT_EQ(first.health * 1000 + second.health, 100);
    Button(0, false);
    Ahead(2, 8.0f);
    Button(0, true, 2);
    EXPECT_EQ(second.health, 0);
    EXPECT_EQ(stCharacter.killCount, 2);
    // Only a release with the shot chosen gives it back: let go with weapon 0 in hand, swing
    // it, and choose the shot again during the swing with the button held: no kill.
    Tap(DIK_1);
    Button(0, false);
    Button(0, true);
    Button(0, false);
    Button(0, true);
    ASSERT_TRUE(stCharacter.attacking);
    structZombies &third = Ahead(3, 6.0f);
    Tap(DIK_3);
    Passes(2);
    EXPECT_EQ(third.health, 100);
    Button(0, false);
    Button(0, true, 2);
    EXPECT_EQ(third.health, 0);
    Button(0, false);

    // The right button raises a fresh population once per press; the middle one nothing.
    stZombies[500].active = false;
    Button(2, true, 2);
    Button(2, false);
    EXPECT_EQ(LivingZombies(), 0);
    Button(1, true);
    EXPECT_EQ(LivingZombies(), kZombies);
    stZombies[500].active = false;
    Passes(3);
    EXPECT_FALSE(stZombies[500].active) << "held: no second population";
    Button(1, false);
    Button(1, true);
    EXPECT_TRUE(stZombies[500].active);
    Button(1, false);

    // 1, 2 and 3 choose the weapons; a held key chooses once, and a choice ends a swing.
    for (const auto &[key, weapon, reach] :
         {std::tuple{DIK_2, 1, 4}, {DIK_3, 2, 30}, {DIK_1, 0, 4}}) {
        Tap(key);
        EXPECT_EQ(stCharacter.weapon * 100 + stWeapon.reach, weapon * 100 + reach);
    }
    seams::KeyEvent(DIK_1, true);
    Pass();
    Button(0, true, 4);
    EXPECT_EQ(SwingProgress(), 3.0f) << "the swing it is held through goes on";
    Button(0, false);
    seams::KeyEvent(DIK_1, false);
    Pass();
    Tap(DIK_2);
    EXPECT_FALSE(stCharacter.attacking);
    // I, O and P move zombie 3's cut-off half while held, once a pass.
    const structZombies before = stZombies[3];
    for (const auto &[key, passes] : {std::pair{DIK_I, 3}, {DIK_O, 1}, {DIK_P, 2}}) {
        seams::KeyEvent(key, true);
        Passes(passes);
        seams::KeyEvent(key, false);
    }
    Pass();
    EXPECT_NEAR(stZombies[3].pieceX - before.pieceX, 0.3f, 1e-5f);
    EXPECT_NEAR(stZombies[3].pieceY - before.pieceY, 0.1f, 1e-5f);
    EXPECT_NEAR(stZombies[3].pieceZ - before.pieceZ, 0.2f, 1e-5f);
}

TEST_F(PlayTest, TheWalkCycleShowsOnlyWhileWalkingForwardOrBack) {
    Mouse->posX = 90.0f; // east, along open ground
    seams::KeyEvent(DIK_W, true);
    std::vector<uint32_t> when; // virtual milliseconds of each change of picture
    int last = stCharacter.frame;
    for (int k = 0; k < 50; k++) {
        Pass();
        if (stCharacter.frame != last) {
            EXPECT_EQ(stCharacter.frame, (last + 1) % 3);
            when.push_back(seams::VirtualNow());
            last = stCharacter.frame;
        }
    }
    seams::KeyEvent(DIK_W, false);
    ASSERT_GE(when.size(), 4u);
    for (size_t k = 1; k < when.size(); k++) // after 0.2 s, and no later than the frame after
        EXPECT_TRUE(when[k] - when[k - 1] > 200 && when[k] - when[k - 1] <= 235)
            << when[k] - when[k - 1];
    Pass();
    EXPECT_EQ(stCharacter.frame, 0);
    seams::KeyEvent(DIK_D, true); // sideways: the still picture throughout
    for (int k = 0; k < 30; k++) {
        Pass();
        EXPECT_EQ(stCharacter.frame, 0);
    }
    seams::KeyEvent(DIK_D, false);
}

TEST_F(PlayTest, DeathStartsTheFadeAndTheDefeatTuneAndOnlyEnterCountsOnceTheFadeIsOver) {
    EXPECT_EQ(MusicMgr->currentTrack, kOutdoors);
    stCharacter.health = 0.04f;
    stCharacter.killCount = 4;
    Ahead(0, 0.5f);
    Ahead(1, 0.6f);
    Ahead(9, 30.0f);
    seams::KeyEvent(DIK_W, true); // walking in the frame of death
    Main.Render();
    EXPECT_LE(stCharacter.health, 0.0f);
    EXPECT_EQ(stCharacter.deathCount, 1);
    EXPECT_FLOAT_EQ(Main.deathTimer, 0.99f);
    EXPECT_EQ(MusicMgr->currentTrack, kDefeated);

    // Everything a living player could do, at once and for a while: nothing happens.
    const int frame = stCharacter.frame, distance = Main.drawDistance;
    const float x = stCharacter.posX, z = stCharacter.posZ;
    const structCamera camera = TheCamera;
    stZombies[500].active = false;
    for (uint8_t key : {DIK_COMMA, DIK_3, DIK_RETURN, DIK_GRAVE})
        seams::KeyEvent(key, true);
    seams::MouseButton(0, true);
    seams::MouseButton(1, true);
    seams::UseVirtualClock(seams::VirtualNow() + 5000); // however long a frame takes
    for (int k = 0; k < 40; k++) {
        seams::MouseMotion(200, 100);
        seams::MouseWheel(k % 2 ? 1 : -1);
        Pass();
    }
    EXPECT_EQ(stCharacter.posX * 1000 + stCharacter.posZ, x * 1000 + z);
    EXPECT_EQ(std::memcmp(&camera, &TheCamera, sizeof camera), 0);
    EXPECT_EQ(Main.drawDistance, distance);
    EXPECT_EQ(stCharacter.frame, frame) << "the walk cycle stands still";
    EXPECT_FALSE(MapMgr->firstPerson || stCharacter.weapon || stCharacter.attacking ||
                 stZombies[500].active);
    EXPECT_EQ(stCharacter.deathCount, 1);

    // Enter, held all along, counts from the first pass after the timer is below -3.
    Main.deathTimer = -2.9f;
    int passes = 0;
    for (; stCharacter.health <= 0.0f && passes < 100; passes++) {
        const float timer = Main.deathTimer;
        Pass();
        EXPECT_TRUE(stCharacter.health <= 0.0f || timer - 0.01f < -3.0f)
            << "risen at timer " << timer;
    }
    EXPECT_GE(passes, 10);
    EXPECT_EQ(stCharacter.posX * 1000 + stCharacter.posZ, 130180.0f);
    EXPECT_EQ(stCharacter.killCount * 10 + stCharacter.deathCount, 41);
    EXPECT_EQ(Main.deathTimer, 1.0f);
    EXPECT_EQ(LivingZombies(), kZombies);
    for (uint8_t key : {DIK_W, DIK_COMMA, DIK_3, DIK_RETURN, DIK_GRAVE})
        seams::KeyEvent(key, false);
}

// --- Whole games -------------------------------------------------------------------------

// Turns the view toward a point with the mouse (20 counts a degree).
void TurnTowards(float x, float z) {
    float d = std::fmod(
        std::atan2(x - stCharacter.posX, stCharacter.posZ - z) * 57.29578f - TheCamera.yaw, 360.0f);
    d += d > 180 ? -360 : d < -180 ? 360 : 0;
    seams::MouseMotion(int(std::lround(d * 20)), 0);
}

TEST(WholeGame, KillWithEachWeaponDieReadTheFadeRiseAndDieAgain) {
    FreshPlatform(777); // the seed of the game, through its start-up
    RestartGame();
    seams::ManualWaveOut(true);
    seams::RecordWaveOut(true);
    std::vector<int> tracks;
    int phase = 0, since = 0, weapon = 0, killsBefore = 0, target = 0, styles[3] = {-1, -1, -1};
    int kills[3] = {}, killsAtDeath = 0;
    const int code = PlayGame(
        [&](int pass) {
            tracks.push_back(MusicMgr->currentTrack);
            const int t = pass - since;
            auto next = [&] { phase++, since = pass; };
            switch (phase) {
            case 0: // east along the road, the draw distance brought down to 2 on the way
                seams::KeyEvent(DIK_W, Main.drawDistance > 2);
                seams::KeyEvent(DIK_COMMA, Main.drawDistance > 2);
                if (Main.drawDistance == 2)
                    next();
                return true;
            case 1: { // each weapon in turn: a fresh crowd, the weapon's key, then strike
                if (weapon == 3)
                    return next(), true;
                if (t <= 4) { // the right button, then the number key, each for a pass
                    seams::MouseButton(1, t == 1);
                    seams::KeyEvent(uint8_t(DIK_1 + weapon), t == 3);
                    return true;
                }
                seams::MouseButton(0, false);
                if (stCharacter.attacking || t % 2)
                    return true;
                if (stCharacter.killCount > killsBefore) {
                    kills[weapon] = stCharacter.killCount - killsBefore;
                    styles[weapon] = stZombies[target].cutStyle;
                    killsBefore = stCharacter.killCount;
                    weapon++;
                    since = pass;
                    return true;
                }
                // Turn to the nearest zombie still on its way (one on the player is out of
                // every reach) and strike when it will be about a whole number of cells away.
                float best = 1e9f;
                for (int i = 0; i < kZombies; i++) {
                    const structZombies &z = stZombies[i];
                    const float d =
                        std::hypot(z.posX - stCharacter.posX, z.posZ - stCharacter.posZ);
                    if (z.active && z.health > 0 && d > 1.6f && d < best)
                        best = d, target = i;
                }
                TurnTowards(stZombies[target].posX, stZombies[target].posZ);
                const float at = best - 0.1f;
                if (at > 1.5f && at < (weapon == 2 ? 25.0f : 3.4f) &&
                    std::fabs(at - std::round(at)) < 0.2f)
                    seams::MouseButton(0, true);
                return true;
            }
            case 2: // among them until they have bitten the player to death
                if (stCharacter.health <= 0.0f) {
                    EXPECT_EQ(stCharacter.deathCount, 1);
                    killsAtDeath = stCharacter.killCount;
                    next();
                }
                return true;
            case 3: // Enter too early is ignored; once the fade has stopped, it raises the player
                seams::KeyEvent(DIK_RETURN, t == 200 || t >= 420);
                EXPECT_TRUE(t != 202 || stCharacter.health <= 0.0f)
                    << "Enter before the prompt raised the player";
                EXPECT_TRUE(t != 420 || std::fabs(Main.deathTimer + 3.1f) < 0.001f)
                    << Main.deathTimer;
                if (stCharacter.health > 0.0f) {
                    seams::KeyEvent(DIK_RETURN, false);
                    EXPECT_EQ(stCharacter.posX * 1000 + stCharacter.posZ, 130180.0f);
                    EXPECT_EQ(LivingZombies(), kZombies);
                    EXPECT_EQ(stCharacter.killCount, killsAtDeath);
                    next();
                }
                return true;
            case 4: // the zombies of the hospital come
                if (stCharacter.health <= 0.0f)
                    next();
                return true;
            default:
                EXPECT_EQ(stCharacter.deathCount, 2);
                return t < 5;
            }
        },
        6000);
    EXPECT_EQ(code, 0);
    ASSERT_EQ(phase, 5);
    // Each weapon killed, each its own way: knocked down, cut along a diagonal, shot black.
    EXPECT_TRUE(kills[0] >= 1 && kills[1] >= 1 && kills[2] == 1);
    EXPECT_TRUE(styles[0] == 0 && (styles[1] == 1 || styles[1] == 2) && styles[2] == 3);
    // The tunes on the way: outdoors, defeat, the hospital, defeat again; each from its
    // start in what went to the audio device, two buffers a tune.
    tracks.erase(std::unique(tracks.begin(), tracks.end()), tracks.end());
    EXPECT_EQ(tracks, (std::vector<int>{kOutdoors, kDefeated, kHospital, kDefeated}));
    const auto log = seams::WaveOutLog();
    ASSERT_EQ(log.size(), 8u);
    Player.InitSPCPlayer();
    const char *const heard[] = {"Zombies", "Defeated", "Hospital", "Defeated"};
    for (int k = 0; k < 4; k++)
        EXPECT_TRUE(log[2 * k] == FirstBuffer(heard[k])) << heard[k];
    Player.CloseSPCPlayer();
}

// --- Without the files it can do without -------------------------------------------------

// A whole game from a copy of the run folder without some of its files: it starts, shows
// its menu, plays 200 frames of walking, turning, every weapon and a fresh population, and
// ends with exit code 0 on Escape.
void PlayWithout(const std::function<bool(const std::string &file)> &missing, bool library) {
    ScratchDir scratch;
    for (const auto &entry :
         std::filesystem::recursive_directory_iterator(kRunDir + "/Game Data")) {
        const std::string file = std::filesystem::relative(entry.path(), kRunDir).string();
        if (entry.is_regular_file() && !missing(file)) {
            std::filesystem::create_directories(std::filesystem::path(file).parent_path());
            std::filesystem::create_symlink(entry.path(), file);
        }
    }
    FreshPlatform();
    seams::SetLibraryFolder(library ? kRunDir : scratch.path());
    RestartGame();
    Main.width = 320; // a small window and a short view keep the frames cheap
    Main.height = 240;
    Main.drawDistance = 12;
    int frames = 0;
    EXPECT_EQ(PlayGame([&](int pass) {
                  seams::KeyEvent(DIK_W, pass < 120);
                  if (pass % 10 == 0)
                      seams::MouseMotion(15, pass % 20 ? -3 : 3);
                  if (pass >= 120 && pass < 180) {
                      seams::KeyEvent(uint8_t(DIK_1 + (pass - 120) / 20), pass % 20 == 0);
                      seams::MouseButton(0, pass % 20 >= 2 && pass % 20 < 8);
                  }
                  seams::MouseButton(1, pass == 185);
                  frames = pass;
                  return pass < 200;
              }),
              0);
    EXPECT_EQ(frames, 200);
    for (const structZombies &z : stZombies)
        ASSERT_TRUE(std::isfinite(z.posX) && std::isfinite(z.posZ));
    Main.width = 800;
    Main.height = 600;
}

TEST(WithoutFiles, EveryPictureTheGameStillPlays) {
    PlayWithout(
        [](const std::string &f) { return f.size() > 4 && f.substr(f.size() - 4) == ".png"; },
        true);
    int loaded = 0;
    for (int k = 0; k < 100; k++)
        loaded += (k < 20   ? TextureMgr->GetTexture(k)
                   : k < 24 ? TextureMgr->GetMenuTex(k - 20)
                   : k < 82 ? TextureMgr->GetFloorTexture(k - 24)
                            : TextureMgr->GetWallTexture(k - 82)) != 0;
    EXPECT_EQ(loaded, 0);
}

TEST(WithoutFiles, TheMapTheTunesAndTheEmulatorLibraryTheGamePlaysSilent) {
    PlayWithout([](const std::string &f) { return f.find(".png") == std::string::npos; }, false);
    EXPECT_EQ(Player.library, nullptr);
    EXPECT_EQ(seams::WaveOutOpens(), 0);
    EXPECT_EQ(MusicMgr->currentTrack, kOutdoors) << "chosen, though nothing can play it";
}

// Each face the game asks for, its font file rejected as if uninstalled. Fonts, once made,
// live for the whole process: each face is a test, and ctest runs each in a process.
class WithoutFace : public ::testing::TestWithParam<std::pair<const char *, const char *>> {};

TEST_P(WithoutFace, TheGameStillPlays) {
    ASSERT_TRUE(FcInit());
    auto fileOf = [](const char *family) { // as the game asks: bold, scalable
        std::string file;
        FcPattern *pattern = FcNameParse(reinterpret_cast<const FcChar8 *>(family));
        FcPatternAddInteger(pattern, FC_WEIGHT, FC_WEIGHT_BOLD);
        FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
        FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
        FcDefaultSubstitute(pattern);
        FcResult result;
        if (FcPattern *match = FcFontMatch(nullptr, pattern, &result)) {
            FcChar8 *path = nullptr;
            if (FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch)
                file = reinterpret_cast<const char *>(path);
            FcPatternDestroy(match);
        }
        FcPatternDestroy(pattern);
        return file;
    };
    const std::string file = fileOf(GetParam().second); // the installed stand-in
    ASSERT_FALSE(file.empty());
    const std::string config =
        "<?xml version=\"1.0\"?><!DOCTYPE fontconfig SYSTEM \"urn:fontconfig:"
        "fonts.dtd\"><fontconfig><include ignore_missing=\"yes\">/etc/fonts/"
        "fonts.conf</include><selectfont><rejectfont><glob>" +
        file + "</glob></rejectfont></selectfont></fontconfig>";
    FcConfig *without = FcConfigCreate();
    ASSERT_TRUE(FcConfigParseAndLoadFromMemory(
        without, reinterpret_cast<const FcChar8 *>(config.c_str()), FcTrue));
    ASSERT_TRUE(FcConfigBuildFonts(without) && FcConfigSetCurrent(without));
    FcConfigDestroy(without); // the current configuration keeps its own reference
    ASSERT_NE(fileOf(GetParam().second), file) << "the font file is still offered";
    PlayWithout([](const std::string &) { return false; }, true);
}

INSTANTIATE_TEST_SUITE_P(Faces, WithoutFace,
                         ::testing::Values(std::pair{"Arial", "Liberation Sans"},
                                           std::pair{"OrangeKid", "Bebas Neue"},
                                           std::pair{"MonotypeCorsiva", "TeX Gyre Chorus"}),
                         [](const auto &info) { return std::string(info.param.first); });

} // namespace
