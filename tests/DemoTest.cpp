// Demos: a scripted game recorded and played back in sync, and the first frame that goes
// another way found when the recording is tampered with; the test demos in tests/demos/
// played back, and re-recorded from their scripts when GRAVEWAKE_RECORD_DEMOS=<folder> is
// set (scripts/record-demos.sh). The reader and the command line: FilesTest.
#include "Harness.h"

namespace {

// --- The scripted games of the test demos ------------------------------------------------

// What a scripted game went through, to show a demo covers what it is meant to.
struct Coverage {
    std::set<int> tracks, weapons;
    int repopulations = 0, deaths = 0, respawns = 0, resolutionChanges = 0, width = 0;
    bool dead = false;
    void Note() {
        tracks.insert(MusicMgr ? MusicMgr->currentTrack : -1);
        if (Main.screen == 1 && stCharacter.attacking)
            weapons.insert(stCharacter.weapon);
        deaths += stCharacter.health <= 0.0f && !dead;
        respawns += stCharacter.health > 0.0f && dead;
        dead = stCharacter.health <= 0.0f;
        resolutionChanges += width && Main.width != width;
        width = Main.width;
    }
};

// A way over the map from the player's cell into a rectangle, through cells whose
// neighbours are all free (the walk looks ahead), a cell at a time in eight directions.
std::vector<std::pair<int, int>> WayInto(int x0, int x1, int z0, int z1) {
    auto clear = [](int x, int z) {
        for (int i = x - 1; i <= x + 1; i++)
            for (int j = z - 1; j <= z + 1; j++)
                if (i < 0 || j < 0 || i >= kMapSize || j >= kMapSize || BlocksWalking(stMap[i][j]))
                    return false;
        return true;
    };
    std::vector<int> from(kMapSize * kMapSize, -1), queue;
    const int start = int(stCharacter.posX) * kMapSize + int(stCharacter.posZ);
    queue.push_back(from[start] = start);
    for (size_t q = 0; q < queue.size(); q++) {
        const int x = queue[q] / kMapSize, z = queue[q] % kMapSize;
        if (x >= x0 && x <= x1 && z >= z0 && z <= z1) {
            std::vector<std::pair<int, int>> way;
            for (int c = queue[q]; c != start; c = from[c])
                way.insert(way.begin(), {c / kMapSize, c % kMapSize});
            return way;
        }
        for (int dx = -1; dx <= 1; dx++)
            for (int dz = -1; dz <= 1; dz++) {
                const int n = (x + dx) * kMapSize + z + dz;
                if ((dx || dz) && clear(x + dx, z + dz) &&
                    (!dx || !dz || (clear(x + dx, z) && clear(x, z + dz))) && from[n] < 0)
                    queue.push_back(n), from[n] = queue[q];
            }
    }
    return {};
}

// The options screen first (640 x 480), then into both skirmish grounds and the arcade
// by ways found over the map; dead on the way, Enter once the message allows it, and on.
std::function<bool(int)> RoomsScript(Coverage &seen) {
    struct State {
        size_t room = 0, step = 0;
        std::vector<std::pair<int, int>> way;
    };
    auto st = std::make_shared<State>();
    return [&seen, st](int pass) {
        seen.Note();
        // Menu keys held for one frame and let go for three: one action per press.
        const uint8_t menu[] = {DIK_DOWN,   DIK_RETURN, DIK_LEFT,  DIK_DOWN,
                                DIK_RETURN, DIK_UP,     DIK_RETURN};
        if (pass < 28)
            return seams::KeyEvent(menu[pass / 4], pass % 4 == 0), true;
        if (Main.screen != 1)
            return pass < 48;
        if (stCharacter.health <= 0.0f) {
            seams::KeyEvent(DIK_W, false);
            seams::KeyEvent(DIK_RETURN, Main.deathTimer < -3.0f && pass % 4 == 0);
            st->way.clear(); // the player rises elsewhere
            return true;
        }
        seams::KeyEvent(DIK_RETURN, false);
        static const int rooms[][4] = {{4, 26, 31, 39}, {4, 27, 76, 89}, {51, 65, 105, 146}};
        if (st->room == 3)
            return false;
        if (st->way.empty()) {
            const int *r = rooms[st->room];
            st->way = WayInto(r[0], r[1], r[2], r[3]);
            st->step = 0;
            if (st->way.empty())
                return ADD_FAILURE() << "no way into room " << st->room, false;
        }
        // Turn toward the next cell with the mouse and walk there with W.
        const auto &cell = st->way[std::min(st->step, st->way.size() - 1)];
        const float dx = cell.first + 0.5f - stCharacter.posX,
                    dz = cell.second + 0.5f - stCharacter.posZ;
        if (std::fabs(dx) < 0.5f && std::fabs(dz) < 0.5f) {
            seams::KeyEvent(DIK_W, false);
            if (++st->step >= st->way.size())
                st->room++, st->way.clear();
            return true;
        }
        float turn = std::fmod(std::atan2(dx, -dz) * 57.29578f - Mouse->posX, 360.0f);
        turn += turn > 180 ? -360 : turn < -180 ? 360 : 0;
        if (const int counts = int(std::lround(turn / Mouse->sensitivity)))
            seams::MouseMotion(counts, 0);
        seams::KeyEvent(DIK_W, std::fabs(turn) < 10.0f);
        return pass < 3000;
    };
}

// Straight into the game: three strikes with every weapon, the view zoomed, a fresh
// population, then among the zombies until dead; Enter once the message allows it, a few
// steps alive, the focus lost and found, and the close button. Without `untilDeath` it
// ends (Escape) after the fresh population.
std::function<bool(int)> CombatScript(Coverage &seen, bool untilDeath = true) {
    auto state = std::make_shared<std::array<int, 2>>(); // phase, the pass it began
    return [&seen, state, untilDeath](int pass) {
        seen.Note();
        int &phase = (*state)[0], &since = (*state)[1];
        const int t = pass - since;
        auto next = [&] { phase++, since = pass; };
        switch (phase) {
        case 0: // Enter on "Start Game"
            seams::KeyEvent(DIK_RETURN, t < 2);
            if (t >= 3 && Main.screen == 1)
                next();
            return true;
        case 1: // each weapon: chosen, then three strikes
            if (t / 90 > 2)
                return seams::MouseButton(0, false), next(), true;
            seams::KeyEvent(uint8_t(DIK_1 + t / 90), t % 90 < 2);
            seams::MouseButton(0, t % 90 >= 5 && t % 30 < 12);
            if (t % 30 == 0)
                seams::MouseMotion(40, t % 60 ? 10 : -10);
            return true;
        case 2: // zoom out and in, a fresh population
            if (t == 0 || t == 4 || t == 8)
                seams::MouseWheel(t == 8 ? 1 : -1);
            seams::MouseButton(1, t >= 10 && t < 12);
            seen.repopulations += t == 12;
            if (t > 14)
                next();
            return untilDeath || t <= 14;
        case 3: // among them until dead
            if (stCharacter.health <= 0.0f)
                next();
            return t < 4000;
        case 4: // the death message, then Enter
            seams::KeyEvent(DIK_RETURN, Main.deathTimer < -3.0f && t % 4 < 2);
            if (stCharacter.health > 0.0f)
                next();
            return t < 1000;
        default: // alive again: a few steps back, the focus lost a while, the close button
            seams::KeyEvent(DIK_RETURN, false);
            seams::KeyEvent(DIK_S, t < 20);
            if (t == 25)
                seams::FocusLost();
            if (t == 35)
                seams::FocusGained();
            if (t == 40)
                seams::CloseButton();
            return t < 60;
        }
    };
}

// A small window and a short view, for demos played back many times over.
void Small(bool small) {
    if (small)
        Main.width = 320, Main.height = 240, Main.drawDistance = 12;
}

// Records a scripted game into `path`; the game's exit code, or -1 without a recording.
int RecordScripted(const std::string &path, const std::function<bool(int)> &script, int maxPasses,
                   bool small = false) {
    FreshPlatform();
    std::string error;
    if (!demo::StartRecording(path, GameIdentity(), error))
        return ADD_FAILURE() << error, -1;
    RestartGame();
    Small(small);
    const int code = DriveGame(script, maxPasses);
    const demo::Outcome out = demo::Finish(code);
    EXPECT_FALSE(out.writeFailed) << out.error;
    return out.writeFailed ? -1 : code;
}

// Plays a demo back as the game program does, here on the virtual clock.
demo::Outcome PlayBack(const std::string &path, int &code) {
    demo::Demo d;
    std::string error;
    EXPECT_TRUE(demo::Load(path, d, error)) << error;
    FreshPlatform();
    demo::StartPlayback(std::move(d), true);
    RestartGame();
    Small(true);
    code = WinMain(GetModuleHandleA(nullptr), nullptr, nullptr, SW_SHOW);
    return demo::Finish(code);
}

TEST(DemoPlay, ARecordedGamePlaysBackInSyncAndTheFirstFrameThatDiffersIsFound) {
    // The fights of the combat demo without its death (the test demos have that): short
    // enough to play back several times over, also under the sanitizers.
    const std::string path = std::filesystem::temp_directory_path() /
                             ("gravewake-demo-" + std::to_string(getpid()) + ".demo");
    Coverage seen;
    ASSERT_EQ(RecordScripted(path, CombatScript(seen, false), 1000, true), 0);
    EXPECT_EQ(seen.weapons, (std::set<int>{0, 1, 2}));
    EXPECT_EQ(seen.repopulations, 1);
    const structCharacter recorded = stCharacter;
    const float yaw = TheCamera.yaw;
    demo::Demo d;
    std::string error;
    ASSERT_TRUE(demo::Load(path, d, error)) << error;
    const std::vector<demo::Event> all = demo::AllEvents(d);
    ASSERT_GT(d.frames, 250u);

    // Played back: in sync to the end, the same game.
    int code = -1;
    demo::Outcome out = PlayBack(path, code);
    EXPECT_TRUE(out.inSync && !out.cutShort) << out.error;
    EXPECT_EQ(out.frames, d.frames);
    EXPECT_EQ(out.frameMs.size(), d.frames - 1);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(stCharacter.posX * 1000 + stCharacter.posZ, recorded.posX * 1000 + recorded.posZ);
    EXPECT_EQ(stCharacter.killCount * 100 + stCharacter.deathCount,
              recorded.killCount * 100 + recorded.deathCount);
    EXPECT_EQ(TheCamera.yaw, yaw);

    // The first event of a kind at or after a frame.
    auto at = [&](uint32_t frame, demo::Kind kind) {
        size_t k = 0;
        while (!(all[k].kind == demo::Kind::Frame && all[k].b == frame))
            k++;
        while (all[k].kind != kind || (kind == demo::Kind::Keyboard && all[k].a != DI_OK))
            k++;
        return k;
    };
    std::vector<demo::Event> lessTick = all, cut = all;
    lessTick.erase(lessTick.begin() + long(at(100, demo::Kind::Tick)));
    cut.resize(at(120, demo::Kind::Frame) + 1);
    const struct {
        std::vector<uint8_t> file;
        const char *error; // the start of the one line that tells where it went another way
        uint32_t frames;
        bool cutShort;
    } variants[] = {
        // I held down in one poll of frame 100 nudges a zombie's piece: the next digest differs.
        {Encode(d, all, at(100, demo::Kind::Keyboard), DIK_I),
         "demo out of sync at frame 101: the game state differs from the recorded one", 102, false},
        // One tick count left out: the game reads on into what follows.
        {Encode(d, lessTick), "demo out of sync at frame 100: the game reads ", 0, false},
        // Cut short after frame 120, as by a crash: in sync up to there, then it ends.
        {Encode(d, cut), "", 121, true},
        // Escape in a poll of frame 150: the game ends in the next frame, before the
        // recorded one did; its window, deactivated as it goes, acquires the devices.
        {Encode(d, all, at(150, demo::Kind::Keyboard), DIK_ESCAPE),
         "demo out of sync at frame 151: the game reads an input device acquired where", 0, false},
    };
    for (const auto &v : variants) {
        WriteBytes(path, v.file);
        out = PlayBack(path, code);
        EXPECT_EQ(out.error.substr(0, std::string(v.error).size()), v.error);
        EXPECT_EQ(out.inSync, !*v.error) << out.error;
        EXPECT_EQ(out.cutShort, v.cutShort);
        EXPECT_TRUE(!v.frames || (out.frames == v.frames && code == 0))
            << out.frames << ", code " << code;
        EXPECT_EQ(demo::CurrentMode(), demo::Mode::Off);
    }
    std::remove(path.c_str());
}

// Each test demo, as `gravewake -playdemo FILE` plays it, here on the virtual clock; one
// test each, so that each stays short under the sanitizers.
std::vector<std::string> TestDemos() {
    std::vector<std::string> names;
    for (const auto &entry : std::filesystem::directory_iterator(GRAVEWAKE_DEMOS))
        if (entry.path().extension() == ".demo")
            names.push_back(entry.path().stem().string());
    std::sort(names.begin(), names.end());
    return names;
}

class TestDemo : public ::testing::TestWithParam<std::string> {};

TEST_P(TestDemo, PlaysBackInSync) {
    FreshPlatform();
    EXPECT_EQ(RunGame({"-playdemo", std::string(GRAVEWAKE_DEMOS) + "/" + GetParam() + ".demo"}), 0);
    EXPECT_GT(seams::Presents(), 500);
    EXPECT_EQ(demo::CurrentMode(), demo::Mode::Off);
}

INSTANTIATE_TEST_SUITE_P(Demos, TestDemo, ::testing::ValuesIn(TestDemos()),
                         [](const auto &info) { return info.param; });

// Re-records the test demos into the folder GRAVEWAKE_RECORD_DEMOS names.
TEST(DemoRecording, RecordTheTestDemos) {
    const char *folder = std::getenv("GRAVEWAKE_RECORD_DEMOS");
    if (!folder || !*folder)
        GTEST_SKIP() << "set GRAVEWAKE_RECORD_DEMOS to a folder to re-record the test demos";
    Coverage rooms, combat;
    ASSERT_EQ(RecordScripted(std::string(folder) + "/rooms.demo", RoomsScript(rooms), 2500), 0);
    EXPECT_EQ(rooms.resolutionChanges, 1);
    EXPECT_TRUE(rooms.tracks.count(11) && rooms.tracks.count(4))
        << "the skirmish grounds and the arcade";
    Main.KillGLWindow();
    ASSERT_EQ(RecordScripted(std::string(folder) + "/combat.demo", CombatScript(combat), 6000), 0);
    EXPECT_EQ(combat.weapons, (std::set<int>{0, 1, 2}));
    EXPECT_EQ(combat.deaths * 10 + combat.respawns, 11);
    std::printf("test demos recorded into %s\n", folder);
}

} // namespace
