// The files the game reads, with no window, in both the Linux and the Windows build: the
// map file record by record, and demos (the reader against foreign, truncated and damaged
// files, the command line and its exit codes).
#include "Harness.h"

bool operator==(const structMap &a, const structMap &b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

namespace {

const structMap kFlat = {1, 0.0f, 2, 0.0f, 0.0f, 0};

using FilesTest = GameTest;

TEST_F(FilesTest, TheMapFileIsReadRecordByRecordUpToTheFirstFieldThatIsNoNumber) {
    ScratchDir scratch;
    scratch.MakeGameDataFolders();
    const struct {
        const char *text;             // nullptr: no file
        std::vector<structMap> cells; // (0, 0), (0, 1), ...; the next one keeps the reset
    } cases[] = {
        // clang-format off
        // Any white space; hex and octal tiles; a wall on its back edge, a raised wall, a
        // negative height (no wall: side and tile keep the reset), a record cut short.
        {"3\n0.5 0.000000\n\n 2.5   4\t7 0x1F 1e-1 0 0\n010 -2.25 4.0 2.0 3 017 5 0 0 -1 6 1.5",
         {{3, 0.5f, 4, 2.5f, 0.0f, 7}, {31, 0.1f, 2, 0.0f, 0.0f, 0}, {8, -2.25f, 3, 2.0f, 4.0f, 15},
          {5, 0.0f, 2, -1.0f, 0.0f, 0}, {6, 1.5f, 2, 0.0f, 0.0f, 0}}},
        {"2 0 0 0  7 x 0 0  9 0 0 0", {{2, 0.0f, 2, 0.0f, 0.0f, 0}, {7, 0.0f, 2, 0.0f, 0.0f, 0}}},
        {nullptr, {}},
    }; // clang-format on
    for (const auto &c : cases) {
        SCOPED_TRACE(c.text ? c.text : "no file");
        std::remove("Game Data/Map/Map.txt");
        if (c.text)
            std::ofstream("Game Data/Map/Map.txt") << c.text;
        MapMgr->InitMap();
        stMap[9][9].floorTexture = 42; // beyond the end of every file: kept
        MapMgr->LoadMap();
        for (size_t j = 0; j <= c.cells.size(); j++)
            EXPECT_TRUE(stMap[0][j] == (j < c.cells.size() ? c.cells[j] : kFlat)) << "cell " << j;
        EXPECT_EQ(stMap[9][9].floorTexture, 42);
    }
}

TEST_F(FilesTest, TheDemoReaderTakesWhatTheRecorderWritesAndRefusesEveryDamagedFile) {
    const std::vector<uint8_t> file = SmallDemo();
    demo::Demo d;
    std::string error;
    ASSERT_TRUE(demo::Parse(file.data(), file.size(), d, error)) << error;
    EXPECT_EQ(d.identity.sourceHash + d.identity.gameVersion,
              GameIdentity().sourceHash + GameIdentity().gameVersion);
    EXPECT_TRUE(d.frames == 2 && d.ended && d.identity.logicVersion == kLogicVersion);
    const std::vector<demo::Event> events = demo::AllEvents(d);
    ASSERT_EQ(events.size(), 12u);
    EXPECT_TRUE(events[1].kind == demo::Kind::Box && events[1].a == IDNO);
    EXPECT_TRUE(events[4].b == WM_KEYDOWN && events[4].c == 'W' && events[4].d == -7);
    uint8_t state[demo::kKeyBytes];
    demo::StateBytes(d, events[6], state);
    EXPECT_EQ(std::count(state, state + demo::kKeyBytes, 0) * 1000 + state[DIK_W],
              255 * 1000 + 0x80);
    demo::StateBytes(d, events[8], state);
    EXPECT_TRUE(state[4] == 0xFB && state[12] == 0x80 && events[7].a == DIERR_INPUTLOST &&
                events[10].c == 0x5678);
    EXPECT_EQ(Encode(d, events), file) << "the events come out as they went in";

    // Any byte changed: refused. (Cut short: the fuzz regressions, and a recording cut after
    // a frame in DemoPlay.)
    for (size_t n = 0; n < file.size(); n++) {
        std::vector<uint8_t> bad = file;
        bad[n] ^= uint8_t(n % 2 ? 0x80 : 0x01);
        EXPECT_FALSE(demo::Parse(bad.data(), bad.size(), d, error)) << "byte " << n;
    }
    // Refused with their reasons: a foreign file, events that contradict each other, an
    // unknown event, key states out of order or listed as up. (A length beyond the file, a
    // later format, events after the end: the fuzz regressions, FuzzReplayTest.)
    auto events_ = [](std::vector<demo::Event> list) {
        demo::Demo none;
        none.identity = GameIdentity();
        return Encode(none, list);
    };
    auto chunk = [&](std::vector<uint8_t> bytes) {
        std::vector<uint8_t> out = demo::EncodeHeader(GameIdentity());
        demo::EncodeChunk(out, bytes);
        return out;
    };
    const std::pair<std::vector<uint8_t>, const char *> refused[] = {
        {{'P', '3', '\n', '1', ' ', '1', '\n'}, "not a Gravewake demo"},
        {events_({Ev(demo::Kind::Frame, 0, 1)}), "frames out of order"},
        {events_({Ev(demo::Kind::Message, 1000), Ev(demo::Kind::Frame)}), "window"},
        {events_({Ev(demo::Kind::Tick, 5)}), "no frames"},
        {chunk({'Z', 0, 0, 0, 0}), "unknown event"},
        {chunk({'K', 0, 0, 0, 0, 2, 0, 5, 0x80, 3, 0x80}), "key state"},
        {chunk({'K', 0, 0, 0, 0, 1, 0, 5, 0}), "key state"},
    };
    for (const auto &[bytes, why] : refused) {
        EXPECT_FALSE(demo::Parse(bytes.data(), bytes.size(), d, error)) << why;
        EXPECT_NE(error.find(why), std::string::npos) << error;
    }
}

TEST_F(FilesTest, TheDemoCommandLineAndTheExitCodeOfEachRefusal) {
    CommandLine line;
    std::string error;
    const struct {
        std::vector<std::string> args;
        CommandLine::Action action;
        const char *file;
        bool headless;
    } good[] = {{{}, CommandLine::Play, "", false},
                {{"-timedemo", "a.demo", "-headless"}, CommandLine::TimeDemo, "a.demo", true},
                {{"-headless", "-playdemo", "b"}, CommandLine::PlayDemo, "b", true},
                {{"-record", "-x"}, CommandLine::Record, "-x", false}}; // a file may look odd
    for (const auto &g : good) {
        ASSERT_TRUE(ParseCommandLine(g.args, line, error)) << error;
        EXPECT_TRUE(line.action == g.action && line.file == g.file && line.headless == g.headless);
    }
    // Each refusal has the exit code of its kind, before any window is made.
    ScratchDir scratch;
    WriteBytes("other.demo", SmallDemo(kLogicVersion + 1));
    // (The others, a foreign and a cut file among them, as the program prints them:
    // demo_cli.sh.)
    const std::pair<std::vector<std::string>, int> refusals[] = {
        {{"-playdemo", ""}, kExitUsage},
        {{"-record", "a.demo", "-headless"}, kExitUsage},
#ifndef _WIN32
        {{"-record", "/dev/full"}, kExitFile}, // no room for the header
#endif
        {{"-timedemo", "other.demo"}, kExitBadDemo},
    };
    for (const auto &[args, code] : refusals)
        EXPECT_EQ(RunGame(args), code) << args[0] << " " << (args.size() > 1 ? args[1] : "");
    EXPECT_EQ(Main.hWnd, nullptr);
    EXPECT_EQ(demo::CurrentMode(), demo::Mode::Off);
    // From the launcher, a relative file is meant from where the player started.
    std::filesystem::create_directories("caller");
    SetEnv("GRAVEWAKE_CALLER_DIR", (std::filesystem::current_path() / "caller").string());
    WriteBytes("caller/foreign.demo", {'x'});
    WriteBytes("here.demo", {'x'}); // not where the player started: not found
    EXPECT_EQ(RunGame({"-playdemo", "foreign.demo"}), kExitBadDemo);
    EXPECT_EQ(RunGame({"-playdemo", "here.demo"}), kExitFile);
    SetEnv("GRAVEWAKE_CALLER_DIR", "");
    // The timedemo line, for scripts.
    EXPECT_EQ(TimedemoLine({4, 2, 3, 1, 10}, 6),
              "timedemo: frames 6 median_ms 3.000 p99_ms 10.000 worst_ms 10.000 fps 250.0");
}

} // namespace
