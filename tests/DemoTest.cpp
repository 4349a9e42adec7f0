// Demos: the reader against foreign, truncated and damaged files; the command line and
// its exit codes; a scripted game recorded and played back in sync, and the first frame
// that goes another way found when the recording is tampered with; the test demos in
// tests/demos/ played back. GRAVEWAKE_RECORD_DEMOS=<folder> re-records the test demos
// (scripts/record-demos.sh).
#include "DemoScripts.h"
#include "TestPictures.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

namespace {

std::vector<uint8_t> ReadFile(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)),
                                std::istreambuf_iterator<char>());
}

void WriteFile(const std::string &path, const std::vector<uint8_t> &bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char *>(bytes.data()), static_cast<long>(bytes.size()));
}

// A demo as the recorder writes it, one chunk per frame: these events, with the key and
// mouse states of `from`, where the events came from.
std::vector<uint8_t> Encode(const demo::Demo &from, const std::vector<demo::Event> &events,
                            size_t tampered = SIZE_MAX, uint8_t key = 0) {
    std::vector<uint8_t> out = demo::EncodeHeader(from.identity);
    std::vector<uint8_t> chunk;
    for (size_t i = 0; i < events.size(); i++) {
        const demo::Event &e = events[i];
        uint8_t state[demo::kKeyBytes] = {};
        if ((e.kind == demo::Kind::Keyboard || e.kind == demo::Kind::Mouse) && e.a >= 0)
            demo::StateBytes(from, e, state);
        if (i == tampered)
            state[key] = 0x80;
        demo::EncodeEvent(chunk, e, state);
        if (e.kind == demo::Kind::Frame || e.kind == demo::Kind::End) {
            demo::EncodeChunk(out, chunk);
            chunk.clear();
        }
    }
    if (!chunk.empty())
        demo::EncodeChunk(out, chunk);
    return out;
}

std::vector<uint8_t> EncodeEvents(const std::vector<demo::Event> &events) {
    demo::Demo none;
    none.identity = GameIdentity();
    return Encode(none, events);
}

demo::Event Ev(demo::Kind kind, int32_t a = 0, uint32_t b = 0, uint64_t c = 0) {
    demo::Event e;
    e.kind = kind;
    e.a = a;
    e.b = b;
    e.c = c;
    return e;
}

// A small demo of every kind of event, by hand: two frames and the end.
std::vector<uint8_t> SmallDemo(uint16_t logicVersion = kLogicVersion) {
    demo::Identity id = GameIdentity();
    id.logicVersion = logicVersion;
    std::vector<uint8_t> out = demo::EncodeHeader(id);
    std::vector<uint8_t> chunk;
    uint8_t keys[256] = {};
    keys[DIK_W] = 0x80;
    const uint8_t mouse[16] = {5, 0, 0, 0, 0xFB, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0x80, 0, 0, 0};
    demo::EncodeEvent(chunk, Ev(demo::Kind::Tick, 1000), nullptr);
    demo::EncodeEvent(chunk, Ev(demo::Kind::Box, IDNO), nullptr);
    demo::EncodeEvent(chunk, Ev(demo::Kind::Acquire, DI_OK), nullptr);
    demo::EncodeEvent(chunk, Ev(demo::Kind::Frame, 0, 0, 0x1234), nullptr);
    demo::EncodeChunk(out, chunk);
    chunk.clear();
    demo::Event m = Ev(demo::Kind::Message, 0, WM_KEYDOWN, 'W');
    m.d = -7;
    demo::EncodeEvent(chunk, m, nullptr);
    demo::EncodeEvent(chunk, Ev(demo::Kind::NoMessage), nullptr);
    demo::EncodeEvent(chunk, Ev(demo::Kind::Keyboard, DI_OK), keys);
    demo::EncodeEvent(chunk, Ev(demo::Kind::Mouse, DIERR_INPUTLOST), nullptr);
    demo::EncodeEvent(chunk, Ev(demo::Kind::Mouse, DI_OK), mouse);
    demo::EncodeEvent(chunk, Ev(demo::Kind::DisplayMode, DISP_CHANGE_BADMODE), nullptr);
    demo::EncodeEvent(chunk, Ev(demo::Kind::Frame, 0, 1, 0x5678), nullptr);
    demo::EncodeChunk(out, chunk);
    chunk.clear();
    demo::EncodeEvent(chunk, Ev(demo::Kind::End, 0), nullptr);
    demo::EncodeChunk(out, chunk);
    return out;
}

int RunArgs(const std::vector<std::string> &args) {
    return RunGame(args);
}

} // namespace

TEST(DemoFile, ReaderTakesWhatTheRecorderWritesAndRefusesEveryDamagedFile) {
    const std::vector<uint8_t> file = SmallDemo();
    demo::Demo d;
    std::string error;
    ASSERT_TRUE(demo::Parse(file.data(), file.size(), d, error)) << error;
    EXPECT_EQ(d.identity.logicVersion, kLogicVersion);
    EXPECT_EQ(d.identity.sourceHash, GameIdentity().sourceHash);
    EXPECT_EQ(d.identity.gameVersion, GameIdentity().gameVersion);
    EXPECT_EQ(d.frames, 2u);
    EXPECT_TRUE(d.ended);
    const std::vector<demo::Event> events = demo::AllEvents(d);
    ASSERT_EQ(events.size(), 12u);
    EXPECT_EQ(events[1].kind, demo::Kind::Box);
    EXPECT_EQ(events[1].a, IDNO);
    const demo::Event &m = events[4];
    EXPECT_EQ(m.kind, demo::Kind::Message);
    EXPECT_EQ(m.b, static_cast<uint32_t>(WM_KEYDOWN));
    EXPECT_EQ(m.c, uint64_t('W'));
    EXPECT_EQ(m.d, -7);
    uint8_t state[demo::kKeyBytes];
    demo::StateBytes(d, events[6], state);
    EXPECT_EQ(state[DIK_W], 0x80);
    EXPECT_EQ(std::count(state, state + demo::kKeyBytes, 0), 255);
    EXPECT_EQ(events[7].a, DIERR_INPUTLOST);
    demo::StateBytes(d, events[8], state);
    EXPECT_EQ(state[4], 0xFB);
    EXPECT_EQ(state[12], 0x80);
    EXPECT_EQ(events[10].c, 0x5678u);
    // The events come out as they went in.
    EXPECT_EQ(Encode(d, events), file);

    // Cut anywhere: a clean error, or, exactly at the end of a chunk, the frames before
    // the cut without the end (a recording cut short).
    int cutShort = 0;
    for (size_t n = 0; n < file.size(); n++) {
        SCOPED_TRACE(n);
        demo::Demo part;
        std::string why;
        if (demo::Parse(file.data(), n, part, why)) {
            EXPECT_FALSE(part.ended);
            EXPECT_GE(part.frames, 1u);
            cutShort++;
        } else {
            EXPECT_FALSE(why.empty());
            EXPECT_EQ(why.find('\n'), std::string::npos);
        }
    }
    EXPECT_EQ(cutShort, 2); // after frame 0 and after frame 1
    // Any byte changed: refused.
    for (size_t i = 0; i < file.size(); i++) {
        for (uint8_t flip : {0x01, 0x80, 0xFF}) {
            std::vector<uint8_t> bad = file;
            bad[i] ^= flip;
            demo::Demo part;
            std::string why;
            EXPECT_FALSE(demo::Parse(bad.data(), bad.size(), part, why)) << "byte " << i;
        }
    }
    // A length field far beyond the file is refused before anything is taken.
    const size_t header = demo::EncodeHeader(GameIdentity()).size();
    std::vector<uint8_t> huge = file;
    huge[header] = huge[header + 1] = huge[header + 2] = 0xFF, huge[header + 3] = 0x7F;
    EXPECT_FALSE(demo::Parse(huge.data(), huge.size(), d, error));
    EXPECT_NE(error.find("runs past the end"), std::string::npos) << error;
    // Foreign files and other format versions.
    const std::string text = "P3\n1 1\n255\n0 0 0\n";
    EXPECT_FALSE(
        demo::Parse(reinterpret_cast<const uint8_t *>(text.data()), text.size(), d, error));
    EXPECT_NE(error.find("not a Gravewake demo"), std::string::npos) << error;
    std::vector<uint8_t> later = file;
    later[16] = 2;
    EXPECT_FALSE(demo::Parse(later.data(), later.size(), d, error));
    EXPECT_NE(error.find("format version 2"), std::string::npos) << error;

    // Well-formed chunks with events that contradict each other.
    const demo::Identity id = GameIdentity();
    const std::vector<std::pair<std::vector<demo::Event>, std::string>> contradictions = {
        {{Ev(demo::Kind::Frame, 0, 1)}, "frames out of order"},
        {{Ev(demo::Kind::Frame, 0, 0), Ev(demo::Kind::End), Ev(demo::Kind::Tick)},
         "events after the end"},
        {{Ev(demo::Kind::Message, 1000), Ev(demo::Kind::Frame)}, "window"},
        {{Ev(demo::Kind::Tick, 5)}, "no frames"},
    };
    for (const auto &c : contradictions) {
        const std::vector<uint8_t> bytes = EncodeEvents(c.first);
        EXPECT_FALSE(demo::Parse(bytes.data(), bytes.size(), d, error)) << c.second;
        EXPECT_NE(error.find(c.second), std::string::npos) << error;
    }
    // An event of an unknown kind.
    std::vector<uint8_t> unknown = demo::EncodeHeader(id);
    demo::EncodeChunk(unknown, {'Z', 0, 0, 0, 0});
    EXPECT_FALSE(demo::Parse(unknown.data(), unknown.size(), d, error));
    EXPECT_NE(error.find("unknown event"), std::string::npos) << error;
    // Key states out of order, or a key listed as up.
    for (const std::vector<uint8_t> &events :
         {std::vector<uint8_t>{'K', 0, 0, 0, 0, 2, 0, 5, 0x80, 3, 0x80},
          std::vector<uint8_t>{'K', 0, 0, 0, 0, 1, 0, 5, 0}}) {
        std::vector<uint8_t> bytes = demo::EncodeHeader(id);
        demo::EncodeChunk(bytes, events);
        EXPECT_FALSE(demo::Parse(bytes.data(), bytes.size(), d, error));
        EXPECT_NE(error.find("key state"), std::string::npos) << error;
    }
}

class DemoCommandLine : public GameTest {
  protected:
    ScratchDir scratch;
};

TEST_F(DemoCommandLine, OptionsAndExitCodes) {
    CommandLine line;
    std::string error;
    ASSERT_TRUE(ParseCommandLine({}, line, error));
    EXPECT_EQ(line.action, CommandLine::Play);
    ASSERT_TRUE(ParseCommandLine({"-timedemo", "a.demo", "-headless"}, line, error));
    EXPECT_EQ(line.action, CommandLine::TimeDemo);
    EXPECT_EQ(line.file, "a.demo");
    EXPECT_TRUE(line.headless);
    ASSERT_TRUE(ParseCommandLine({"-headless", "-playdemo", "b"}, line, error));
    EXPECT_EQ(line.action, CommandLine::PlayDemo);
    EXPECT_EQ(line.file, "b");
    ASSERT_TRUE(ParseCommandLine({"-record", "-x"}, line, error)); // a file may look odd
    EXPECT_EQ(line.action, CommandLine::Record);
    EXPECT_EQ(line.file, "-x");

    // Each refusal: one line, and the exit code of its kind, before any window is made.
    EXPECT_EQ(RunArgs({"-record"}), kExitUsage);
    EXPECT_EQ(RunArgs({"-playdemo", ""}), kExitUsage);
    EXPECT_EQ(RunArgs({"-fullscreen"}), kExitUsage);
    EXPECT_EQ(RunArgs({"-record", "a", "-timedemo", "b"}), kExitUsage);
    EXPECT_EQ(RunArgs({"-headless"}), kExitUsage);
    EXPECT_EQ(RunArgs({"-record", "a.demo", "-headless"}), kExitUsage);
    EXPECT_EQ(RunArgs({"-record", "no/such/folder/a.demo"}), kExitFile);
    if (std::filesystem::exists("/dev/full")) {
        EXPECT_EQ(RunArgs({"-record", "/dev/full"}), kExitFile); // no room for the header
    }
    EXPECT_EQ(RunArgs({"-playdemo", "missing.demo"}), kExitFile);
    WriteFile("foreign.demo", {'G', 'I', 'F', '8', '9', 'a'});
    EXPECT_EQ(RunArgs({"-playdemo", "foreign.demo"}), kExitBadDemo);
    std::vector<uint8_t> cut = SmallDemo();
    cut.resize(cut.size() - 3);
    WriteFile("cut.demo", cut);
    EXPECT_EQ(RunArgs({"-timedemo", "cut.demo"}), kExitBadDemo);
    WriteFile("other.demo", SmallDemo(kLogicVersion + 1));
    EXPECT_EQ(RunArgs({"-timedemo", "other.demo"}), kExitBadDemo);
    EXPECT_EQ(seams::LiveWindows(), 0);
    EXPECT_EQ(demo::CurrentMode(), demo::Mode::Off);

    // The launcher's folder: a relative file is meant from where the player started.
    std::filesystem::create_directories("caller");
    setenv("GRAVEWAKE_CALLER_DIR", (std::filesystem::current_path() / "caller").c_str(), 1);
    WriteFile("caller/foreign.demo", {'x'});
    EXPECT_EQ(RunArgs({"-playdemo", "foreign.demo"}), kExitBadDemo);
    EXPECT_EQ(RunArgs({"-playdemo", "cut.demo"}), kExitFile);
    unsetenv("GRAVEWAKE_CALLER_DIR");

    // The timedemo line, for scripts.
    EXPECT_EQ(TimedemoLine({4, 2, 3, 1, 10}, 6),
              "timedemo: frames 6 median_ms 3.000 p99_ms 10.000 worst_ms 10.000 fps 250.0");
}

class DemoPlay : public GameTest {
  protected:
    void TearDown() override {
        GameTest::TearDown();
        std::remove(path.c_str());
    }
    // Plays the demo back as the game binary does, here on the virtual clock.
    static demo::Outcome PlayBack(demo::Demo &&d, int &code) {
        FreshPlatform();
        demo::StartPlayback(std::move(d), true);
        RestartGame();
        code = WinMain(GetModuleHandleA(nullptr), nullptr, nullptr, SW_SHOW);
        return demo::Finish(code);
    }
    static demo::Demo Load(const std::string &file) {
        demo::Demo d;
        std::string error;
        EXPECT_TRUE(demo::Load(file, d, error)) << error;
        return d;
    }
    std::string path = (std::filesystem::temp_directory_path() /
                        ("gravewake-demo-" + std::to_string(getpid()) + ".demo"))
                           .string();
};

TEST_F(DemoPlay, ARecordedGamePlaysBackInSyncAndTheFirstFrameThatDiffersIsFound) {
    // The fights of the combat demo without its death (the test demos have that): short
    // enough to play back several times over, also under the sanitizers.
    Coverage seen;
    ASSERT_EQ(RecordScripted(path, CombatScript(seen, false), 1000), 0);
    EXPECT_EQ(seen.weapons, (std::set<int>{0, 1, 2}));
    EXPECT_EQ(seen.repopulations, 1);
    const structCharacter recorded = stCharacter;
    const float recordedYaw = TheCamera.yaw;
    const int recordedTrack = MusicMgr->currentTrack;
    const std::vector<uint8_t> file = ReadFile(path);

    // Played back: in sync to the end, the same game.
    demo::Demo d = Load(path);
    const std::vector<demo::Event> recordedEvents = demo::AllEvents(d);
    const uint32_t frames = d.frames;
    ASSERT_GT(frames, 250u);
    int code = -1;
    demo::Outcome out = PlayBack(Load(path), code);
    EXPECT_TRUE(out.inSync) << out.error;
    EXPECT_FALSE(out.cutShort);
    EXPECT_EQ(out.frames, frames);
    EXPECT_EQ(out.frameMs.size(), frames - 1);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(stCharacter.posX, recorded.posX);
    EXPECT_EQ(stCharacter.posZ, recorded.posZ);
    EXPECT_EQ(stCharacter.killCount, recorded.killCount);
    EXPECT_EQ(stCharacter.deathCount, recorded.deathCount);
    EXPECT_EQ(TheCamera.yaw, recordedYaw);
    EXPECT_EQ(MusicMgr->currentTrack, recordedTrack);

    // I held down in one poll of frame 100 nudges a zombie's piece: the next frame's
    // digest differs.
    const std::vector<demo::Event> &all = recordedEvents;
    size_t frame100 = 0;
    while (!(all[frame100].kind == demo::Kind::Frame && all[frame100].b == 100))
        frame100++;
    size_t poll = frame100;
    while (all[poll].kind != demo::Kind::Keyboard || all[poll].a != DI_OK)
        poll++;
    WriteFile(path, Encode(d, all, poll, DIK_I));
    out = PlayBack(Load(path), code);
    EXPECT_FALSE(out.inSync);
    EXPECT_EQ(out.error, "demo out of sync at frame 101: the game state differs from the "
                         "recorded one");
    EXPECT_EQ(out.frames, 102u);
    EXPECT_EQ(code, 0) << "ended the ordinary way";
    EXPECT_EQ(demo::CurrentMode(), demo::Mode::Off);

    // One recorded tick count left out: the game reads on into what follows.
    std::vector<demo::Event> events = all;
    size_t tick = frame100;
    while (events[tick].kind != demo::Kind::Tick)
        tick++;
    events.erase(events.begin() + static_cast<long>(tick));
    WriteFile(path, Encode(d, events));
    out = PlayBack(Load(path), code);
    EXPECT_FALSE(out.inSync);
    EXPECT_EQ(out.error.rfind("demo out of sync at frame 100: the game reads ", 0), 0u)
        << out.error;

    // Cut short after frame 120, as by a crash: in sync up to there, then it ends.
    events = all;
    size_t cut = 0;
    while (!(events[cut].kind == demo::Kind::Frame && events[cut].b == 120))
        cut++;
    events.resize(cut + 1);
    WriteFile(path, Encode(d, events));
    out = PlayBack(Load(path), code);
    EXPECT_TRUE(out.inSync) << out.error;
    EXPECT_TRUE(out.cutShort);
    EXPECT_EQ(out.frames, 121u);
    EXPECT_EQ(code, 0);

    // Escape in a poll of frame 150: the game ends in the next frame (Escape counts as
    // polled in the pass before), before the recorded one did.
    size_t frame150 = frame100;
    while (!(all[frame150].kind == demo::Kind::Frame && all[frame150].b == 150))
        frame150++;
    poll = frame150;
    while (all[poll].kind != demo::Kind::Keyboard || all[poll].a != DI_OK)
        poll++;
    WriteFile(path, Encode(d, all, poll, DIK_ESCAPE));
    out = PlayBack(Load(path), code);
    EXPECT_FALSE(out.inSync);
    EXPECT_EQ(out.error,
              "demo out of sync at frame 151: the game ended where the recorded one went on");
}

// Each test demo, as `gravewake -playdemo FILE` plays it, here on the virtual clock (no
// real waits); one test each, so that each stays short under the sanitizers.
const char *const kTestDemos[] = {"combat", "rooms"};

class TestDemo : public GameTest, public ::testing::WithParamInterface<const char *> {};

TEST_P(TestDemo, PlaysBackInSync) {
    const std::string file = std::string(GRAVEWAKE_DEMOS) + "/" + GetParam() + ".demo";
    FreshPlatform();
    EXPECT_EQ(RunArgs({"-playdemo", file}), 0);
    EXPECT_GT(seams::Presents(), 500);
    EXPECT_EQ(demo::CurrentMode(), demo::Mode::Off);
}

INSTANTIATE_TEST_SUITE_P(Demos, TestDemo, ::testing::ValuesIn(kTestDemos));

TEST(TestDemos, EveryDemoInTheFolderIsPlayed) {
    std::set<std::string> files, played(std::begin(kTestDemos), std::end(kTestDemos));
    for (const auto &entry : std::filesystem::directory_iterator(GRAVEWAKE_DEMOS))
        if (entry.path().extension() == ".demo")
            files.insert(entry.path().stem().string());
    EXPECT_EQ(files, played);
}

// Re-records the test demos into the folder GRAVEWAKE_RECORD_DEMOS names (normally
// tests/demos: scripts/record-demos.sh); skipped otherwise.
TEST(DemoRecording, RecordTheTestDemos) {
    const char *folder = std::getenv("GRAVEWAKE_RECORD_DEMOS");
    if (!folder || !*folder)
        GTEST_SKIP() << "set GRAVEWAKE_RECORD_DEMOS to a folder to re-record the test demos";
    {
        Coverage seen;
        ASSERT_EQ(RecordScripted(std::string(folder) + "/rooms.demo", RoomsScript(seen), 2500), 0);
        EXPECT_EQ(seen.resolutionChanges, 1);
        EXPECT_GE(seen.tracks.size(), 2u) << "outdoors and at least one room";
        EXPECT_TRUE(seen.tracks.count(11)) << "the skirmish grounds";
        EXPECT_TRUE(seen.tracks.count(4)) << "the arcade";
    }
    Main.KillGLWindow();
    {
        Coverage seen;
        ASSERT_EQ(RecordScripted(std::string(folder) + "/combat.demo", CombatScript(seen), 6000),
                  0);
        EXPECT_EQ(seen.weapons, (std::set<int>{0, 1, 2}));
        EXPECT_EQ(seen.deaths, 1);
        EXPECT_EQ(seen.respawns, 1);
    }
    std::printf("test demos recorded into %s\n", folder);
}
