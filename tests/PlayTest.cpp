// The game in play through its main loop: what one frame does and in which order, the
// shot and the right button once per press, the colours of the scene and its death fade,
// the rules of the dead player, and a game without the files it can do without. The
// other keys and buttons in play, the test demos hold frame by frame.
#include "Harness.h"

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
    GameSrand(3);
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

TEST_F(PlayTest, TheShotIsGivenBackOnlyByLettingGoWithTheShotChosen) {
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
    Tap({DIK_1});
    Button(0, false);
    Button(0, true);
    Button(0, false);
    Button(0, true);
    ASSERT_TRUE(stCharacter.attacking);
    structZombies &third = Ahead(3, 6.0f);
    Tap({DIK_3});
    Passes(2);
    EXPECT_EQ(third.health, 100);
    Button(0, false);
    Button(0, true, 2);
    EXPECT_EQ(third.health, 0);
    Button(0, false);
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

} // namespace
