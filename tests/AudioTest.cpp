// The music without a window, so that it also runs under ThreadSanitizer: the emulator
// library, the wave-out device, the SPC player's streaming and its hand-over between the
// game thread and the device's thread, and the choice of tune by room.
#include "Harness.h"

#include "fuzz/ReaderChecks.h"

#include <sys/wait.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

// A small SPC image: one voice playing a square wave with a slow attack, so that the start
// of a tune differs from what follows. pitch: the DSP's 4.12 step (0x1000: 2000 Hz).
std::vector<uint8_t> TestTune(unsigned pitch) {
    std::vector<uint8_t> image(0x10200, 0);
    std::memcpy(image.data(), "SNES-SPC700 Sound File Data v0.30\x1a\x1a\x1a\x1e", 37);
    image[0x26] = 0x04; // PC $0400
    image[0x2B] = 0xEF; // SP
    uint8_t *ram = &image[0x100], *dsp = &image[0x10100];
    // Key voice 0 on, then loop for ever: MOV $F2,#$4C; MOV $F3,#$01; BRA -2.
    const uint8_t program[] = {0x8F, 0x4C, 0xF2, 0x8F, 0x01, 0xF3, 0x2F, 0xFE};
    std::memcpy(ram + 0x400, program, sizeof program);
    ram[0xF0] = 0x0A;
    ram[0x201] = ram[0x203] = 0x03; // sample 0 starts and loops at $0300
    // One looping BRR block: eight samples high, eight low.
    const uint8_t block[] = {0xB3, 0x77, 0x77, 0x77, 0x77, 0x99, 0x99, 0x99, 0x99};
    std::memcpy(ram + 0x300, block, sizeof block);
    const std::pair<int, int> registers[] = {
        {0x00, 0x40}, {0x01, 0x40}, {0x02, pitch & 0xFF}, {0x03, (pitch >> 8) & 0x3F},
        {0x05, 0x84}, {0x06, 0xE0}, {0x0C, 0x7F},         {0x1C, 0x7F},
        {0x5D, 0x02}, {0x6C, 0x20}};
    for (const auto &[reg, value] : registers) // volumes, pitch, a slow attack, directory $0200
        dsp[reg] = uint8_t(value);
    std::memcpy(&image[0x101C0], ram + 0xFFC0, 64);
    return image;
}

std::string Tune(const char *room) {
    return std::string("Game Data/Music/BGM/") + room + ".spc";
}

class AudioTest : public ::testing::Test {
  protected:
    void SetUp() override {
        seams::Reset();
        seams::SetLibraryFolder(kLibraryDir);
        seams::ManualWaveOut(true);
        seams::RecordWaveOut(true);
        scratch.MakeGameDataFolders();
        stCharacter = kStartCharacter;
    }
    void TearDown() override {
        Player.CloseSPCPlayer();
        seams::Reset();
    }
    // Plays the head buffer to its end and waits for its refill.
    static void PlayOneBuffer() {
        seams::FinishWaveOutBuffers();
        ASSERT_TRUE(seams::WaitWaveOutNotices()) << "the refill did not end within 5 s";
    }
    ScratchDir scratch;
};

double Loudness(const std::vector<char> &pcm) {
    double sum = 0;
    for (size_t k = 0; k + 1 < pcm.size(); k += 2) {
        const double v = int16_t(uint8_t(pcm[k]) | uint8_t(pcm[k + 1]) << 8);
        sum += v * v;
    }
    return std::sqrt(sum / double(pcm.size() / 2));
}

TEST_F(AudioTest, TwoBuffersArePrimedOnceEachPlayedOneIsRefilledAndCloseFreesAll) {
    WriteBytes("a.spc", TestTune(0x1000));
    Player.InitSPCPlayer();
    char *const buffer = Wav.buffers[0];
    Player.InitSPCPlayer(); // a second set-up keeps the library and the buffers
    ASSERT_NE(Player.library, nullptr);
    EXPECT_EQ(Wav.buffers[0], buffer);
    Player.LoadSPC("a.spc");
    EXPECT_EQ(Player.bytesRead, kSpcImageSize);
    ASSERT_TRUE(Player.WavOpen());
    EXPECT_TRUE(Player.WavOpen()); // already streaming: nothing primed again
    EXPECT_EQ(seams::WaveOutOpens() * 10 + seams::WaveOutWrites(), 12);
    for (int i = 0; i < 4; i++)
        PlayOneBuffer();
    const auto log = seams::WaveOutLog();
    ASSERT_EQ(log.size(), 6u);
    EXPECT_EQ(log[0].size(), 12800u); // 100 ms of 32 kHz 16-bit stereo
    EXPECT_NE(log[0], log[5]) << "the tune goes on";
    EXPECT_GT(Loudness(log[5]), 3000.0) << "the tune is sounding, every frame of the buffer";
    EXPECT_GT(Loudness({log[5].begin() + 6400, log[5].end()}), 3000.0);

    const HANDLE file = Player.fileHandle;
    Player.WavClose(); // the reset hands both buffers back as done
    EXPECT_TRUE(!Wav.playing && !Wav.device && !seams::LiveWaveOuts());
    // A late notice, as if it had been in flight during the close: nothing queued again.
    WaveOutDone(nullptr, WOM_DONE, 0, reinterpret_cast<DWORD_PTR>(&Wav.headers[0]), 0);
    EXPECT_EQ(seams::WaveOutWrites(), 6);
    Player.CloseSPCPlayer();
    EXPECT_FALSE(CloseHandle(file)) << "already closed";
    EXPECT_TRUE(!Wav.buffers[0] && !Player.library && !Player.WavOpen());
}

TEST_F(AudioTest, EveryTuneStartsFromItsBeginningAndAMissingOneKeepsTheLast) {
    WriteBytes(Tune("Zombies"), TestTune(0x1000));
    WriteBytes(Tune("Carnival"), TestTune(0x0800));
    MusicMgr->InitSound();
    MusicMgr->PlaySPC(0);
    for (int i = 0; i < 3; i++)
        PlayOneBuffer();
    MusicMgr->PlaySPC(3);
    PlayOneBuffer();
    MusicMgr->PlaySPC(0);
    MusicMgr->PlaySPC(7); // Meadow.spc is not here: the last image again, from its start
    EXPECT_EQ(Player.fileHandle, INVALID_HANDLE_VALUE);
    auto log = seams::WaveOutLog();
    ASSERT_EQ(log.size(), 12u);
    EXPECT_TRUE(log[8] == log[0] && log[9] == log[1] && log[10] == log[0]);
    EXPECT_TRUE(log[4] != log[0] && log[5] != log[0]) << "later on, and another tune";
    EXPECT_EQ(seams::WaveOutOpens() * 10 + seams::LiveWaveOuts(), 41);

    // Two hundred changes with the emulator library and without: no file left open.
    Player.CloseSPCPlayer();
    for (const bool library : {true, false}) {
        seams::SetLibraryFolder(library ? kLibraryDir : scratch.path());
        MusicMgr->InitSound();
        ASSERT_EQ(Player.library != nullptr, library);
        MusicMgr->PlaySPC(0);
        const auto before = OpenDescriptors();
        for (int change = 1; change <= 200; change++)
            MusicMgr->PlaySPC(change % 2 ? 3 : 0);
        EXPECT_EQ(Player.bytesRead, kSpcImageSize);
        EXPECT_EQ(seams::LiveWaveOuts(), library ? 1 : 0);
        EXPECT_SAME_DESCRIPTORS(before, OpenDescriptors());
        Player.CloseSPCPlayer();
    }
}

const char *const kRooms[] = {"Zombies",  "Drugstore", "Orchard",  "Carnival",
                              "Arcade",   "Skyward",   "Cottage",  "Meadow",
                              "Hospital", "Roadhouse", "Defeated", "Skirmish"};

TEST_F(AudioTest, TheRoomDecidesTheTuneAndDeathTheDefeat) {
    MusicMgr->InitSound();
    const float cases[][4] = {
        // x, z, health, track; rooms with bounds inclusive
        {96, 2, 30, 3},    {156, 46, 30, 3},    {95.9f, 2, 30, 0},   {250, 70, 30, 1},
        {175, 0, 30, 1},   {28.5f, 30, 30, 0},  {28.5f, 80, 30, 11}, {2, 29, 30, 11},
        {49, 170, 30, 5},  {48.9f, 170, 30, 0}, {60, 120, 30, 4},    {220, 220, 30, 2},
        {230, 120, 30, 6}, {170, 180, 30, 7},   {130, 180, 30, 8},   {140, 100, 30, 9},
        {1, 59, 30, 0},    {130, 180, 0, 10},   {96, 2, -5, 10}};
    for (const auto &c : cases) {
        stCharacter.posX = c[0], stCharacter.posZ = c[1], stCharacter.health = c[2];
        MusicMgr->HandleRoomMusic();
        EXPECT_EQ(MusicMgr->currentTrack, int(c[3])) << "at " << c[0] << ", " << c[1];
        EXPECT_EQ(MusicMgr->trackPaths[MusicMgr->currentTrack],
                  ".//Game Data//Music//BGM//" + std::string(kRooms[int(c[3])]) + ".spc");
    }
    // Walking within one room never starts the tune again; from one skirmish ground to the
    // other, outdoors in between, it does.
    stCharacter = kStartCharacter;
    stCharacter.posX = 100.0f, stCharacter.posZ = 10.0f;
    MusicMgr->HandleRoomMusic();
    const int opens = seams::WaveOutOpens();
    const float walk[][2] = {{101, 10}, {105, 20}, {10, 35}, {10, 60}, {10, 80}};
    for (const auto &[x, z] : walk) {
        stCharacter.posX = x, stCharacter.posZ = z;
        MusicMgr->HandleRoomMusic();
    }
    EXPECT_EQ(MusicMgr->currentTrack, 11);
    EXPECT_EQ(seams::WaveOutOpens(), opens + 3);
}

// (Without the emulator library: a whole game, PlayTest.)
TEST_F(AudioTest, WithoutAnAudioDeviceTheGameIsSilentAndUnharmed) {
    WriteBytes(Tune("Zombies"), TestTune(0x1000));
    seams::SetFault(seams::Fault::WaveOutOpen);
    MusicMgr->InitSound();
    ASSERT_NE(Player.emuAPU, nullptr);
    stCharacter.posX = 1.0f, stCharacter.posZ = 59.0f;
    MusicMgr->HandleRoomMusic();
    EXPECT_EQ(MusicMgr->currentTrack, 0);
    EXPECT_TRUE(!Wav.playing && !Wav.device && !seams::LiveWaveOuts());
}

TEST_F(AudioTest, OnARealDeviceBuffersAreRefilledFromItsOwnThreadUntilTheClose) {
    seams::ManualWaveOut(false); // SDL's dummy driver plays in real time
    WriteBytes("a.spc", TestTune(0x1000));
    Player.InitSPCPlayer();
    Player.LoadSPC("a.spc");
    ASSERT_TRUE(Player.WavOpen());
    for (const auto start = Clock::now();
         seams::WaveOutWrites() < 6 && Clock::now() - start < std::chrono::seconds(5);)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_GE(seams::WaveOutWrites(), 6);
    Player.WavClose();
    const int writes = seams::WaveOutWrites();
    std::this_thread::sleep_for(std::chrono::milliseconds(250));
    EXPECT_EQ(seams::WaveOutWrites(), writes) << "written after the close";
}

// --- The hand-over between the game thread and the device's thread --------------------
// Under ThreadSanitizer a missing lock on the way shows as a data race; in every build,
// as what the player would hear: a buffer of the last tune after a switch, a tune that
// does not start from its beginning, or music that stops.

TEST_F(AudioTest, RapidTuneChangesWhileTheDeviceRefillsKeepEveryTuneWhole) {
    // Track and pitch of each.
    const std::pair<int, unsigned> tunes[] = {{0, 0x1000}, {3, 0x0800}, {1, 0x0C00}};
    WriteBytes(Tune("Zombies"), TestTune(0x1000));
    WriteBytes(Tune("Carnival"), TestTune(0x0800));
    WriteBytes(Tune("Drugstore"), TestTune(0x0C00));
    MusicMgr->InitSound();
    ASSERT_NE(Player.emuAPU, nullptr);
    std::atomic<bool> stop{false};
    std::atomic<int> step{0};
    // The sound hardware: whenever a buffer waits behind the one playing, that one ends.
    std::thread device([&] {
        while (!stop)
            seams::FinishWaveOutBuffers(2), std::this_thread::yield();
    });
    // A close that waits for a callback that never returns fails here, not at ctest's limit.
    std::thread watchdog([&] {
        for (const auto start = Clock::now(); !stop;
             std::this_thread::sleep_for(std::chrono::milliseconds(10)))
            if (Clock::now() - start > std::chrono::seconds(20))
                std::fprintf(stderr, "the hand-over hung at switch %d\n", step.load()),
                    std::abort();
    });
    std::vector<int> waited;
    for (int i = 0; i < 200; i++) {
        step = i;
        MusicMgr->PlaySPC(tunes[i % 3].first);
        EXPECT_TRUE(Wav.playing && seams::LiveWaveOuts() == 1) << "switch " << i;
        // Switch again at once, after one refill or after two, each at another moment of
        // a completion in flight.
        const int target = seams::WaveOutWrites() + i % 3;
        const auto start = Clock::now();
        while (seams::WaveOutWrites() < target && Clock::now() - start < std::chrono::seconds(2))
            std::this_thread::yield();
        if (seams::WaveOutWrites() < target) {
            ADD_FAILURE() << "the music stopped after switch " << i;
            break;
        }
        waited.push_back(i % 3);
        for (const auto until = Clock::now() + std::chrono::microseconds(i * 37 % 300);
             Clock::now() < until;)
            std::this_thread::yield();
    }
    Player.WavClose();
    const int writes = seams::WaveOutWrites();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    stop = true;
    device.join();
    watchdog.join();
    EXPECT_EQ(seams::LiveWaveOuts(), 0);
    EXPECT_EQ(seams::WaveOutWrites(), writes) << "written after the last close";
    // Switch by switch: the new tune from its first buffer on, each refill its next 100 ms,
    // and nothing else until the next switch.
    const auto log = seams::WaveOutLog();
    std::vector<char> expected(Wav.bufferSize);
    size_t at = 0;
    for (size_t i = 0; i < waited.size(); i++) {
        std::vector<uint8_t> image = TestTune(tunes[i % 3].second);
        Player.loadSPCFile(image.data());
        int n = 0;
        for (; at < log.size(); n++, at++) {
            Player.emuAPU(expected.data(), 3200, 1);
            if (log[at] != expected)
                break;
        }
        ASSERT_GE(n, 2 + waited[i]) << "switch " << i << ": buffer " << at << " is not the tune's "
                                    << (n ? "next" : "first");
    }
    EXPECT_EQ(at, log.size()) << "buffers written that belong to no switch";
}

// A refill held up in its render on a gate, after it has seen the tune still streaming:
// the stop that begins meanwhile must neither be passed by it nor leave the device open.
struct Gate {
    std::mutex lock;
    std::condition_variable changed;
    bool entered = false, open = false;
    int writesAtEntry = 0;
    EmuAPUProc render = nullptr;
} *gate = nullptr;

void *GatedRender(void *buffer, uint32_t count, uint8_t type) {
    std::unique_lock<std::mutex> hold(gate->lock);
    gate->entered = true;
    gate->writesAtEntry = seams::WaveOutWrites();
    gate->changed.notify_all();
    gate->changed.wait_for(hold, std::chrono::seconds(5), [] { return gate->open; });
    return gate->render ? gate->render(buffer, count, type) : nullptr;
}

void OpenGate() {
    std::lock_guard<std::mutex> hold(gate->lock);
    gate->open = true;
    gate->changed.notify_all();
}

bool WaitForEntry() {
    std::unique_lock<std::mutex> hold(gate->lock);
    return gate->changed.wait_for(hold, std::chrono::seconds(2), [] { return gate->entered; });
}

TEST_F(AudioTest, ARefillHeldUpAcrossTheStopCannotKeepTheDeviceOpen) {
    WriteBytes(Tune("Zombies"), TestTune(0x1000));
    WriteBytes(Tune("Carnival"), TestTune(0x0800));
    MusicMgr->InitSound();
    MusicMgr->PlaySPC(0);
    ASSERT_TRUE(Wav.playing);
    Gate held;
    gate = &held;
    held.render = Player.emuAPU;
    Player.emuAPU = GatedRender;
    ASSERT_EQ(seams::FinishWaveOutBuffers(1), 1); // the head buffer ends; its refill waits
    ASSERT_TRUE(WaitForEntry());
    // Right after the reset, the worst moment there is, the refill goes on and writes.
    seams::AfterWaveOutReset([&] {
        OpenGate();
        for (const auto until = Clock::now() + std::chrono::seconds(1);
             seams::WaveOutWrites() == held.writesAtEntry && Clock::now() < until;)
            std::this_thread::yield();
    });
    std::atomic<bool> stopped{false};
    std::thread stop([&] { Player.WavClose(), stopped = true; });
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_FALSE(stopped) << "the stop went past a refill still rendering";
    OpenGate();
    stop.join();
    seams::AfterWaveOutReset(nullptr);
    Player.emuAPU = held.render;
    EXPECT_EQ(seams::LiveWaveOuts(), 0) << "the close failed: the device stays attached";
    for (const WAVEHDR &h : Wav.headers)
        EXPECT_FALSE(h.dwFlags & WHDR_INQUEUE) << "a buffer left queued on a closed device";
    MusicMgr->PlaySPC(3); // the next room's tune opens and streams
    PlayOneBuffer();
    EXPECT_TRUE(Wav.playing && seams::LiveWaveOuts() == 1);
}

// --- The emulator library ---------------------------------------------------------------

// The library probe run in `folder` with this library search path: 0 the real library
// came, 1 none, 2 the decoy.
int ProbeLibrary(const std::string &folder, const char *searchPath, const std::string &own,
                 const char *name = "SNESAPU.DLL") {
    const pid_t child = fork();
    if (child == 0) {
        if (chdir(folder.c_str()) == 0 && setenv("LD_LIBRARY_PATH", searchPath, 1) == 0)
            execl(LIBRARY_PROBE, LIBRARY_PROBE, own.c_str(), name, static_cast<char *>(nullptr));
        _exit(100);
    }
    int status = 0;
    return child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status)
               ? WEXITSTATUS(status)
               : -1;
}

TEST(EmulatorLibrary, OnlyTheProgramsOwnFolderIsLookedIn) {
    const std::string decoys = DECOY_FOLDER;
    ASSERT_TRUE(std::filesystem::exists(decoys + "/libsnesapu.so") &&
                std::filesystem::exists(decoys + "/SNESAPU.DLL"));
    // Decoys in the current folder and on the search path, given as a name and as ".".
    for (const char *searchPath : {DECOY_FOLDER, ".", ""})
        EXPECT_EQ(ProbeLibrary(decoys, searchPath, ""), 1)
            << "search path \"" << searchPath << "\"";
    // A name with a folder in it names no other place either.
    EXPECT_EQ(ProbeLibrary(decoys + "/..", "", "", "decoy/SNESAPU.DLL"), 1);
    EXPECT_EQ(ProbeLibrary(decoys, "", "", "./SNESAPU.DLL"), 1);
    EXPECT_EQ(ProbeLibrary(decoys, "", "", (decoys + "/SNESAPU.DLL").c_str()), 1);
    // With the library in the program's folder, that one comes, decoys or not.
    EXPECT_EQ(ProbeLibrary(decoys, DECOY_FOLDER, kLibraryDir), 0);
    EXPECT_EQ(ProbeLibrary(decoys, ".", kLibraryDir, "..\\SNESAPU.DLL"), 0);
}

TEST(EmulatorLibrary, ATuneSoundsTenMinutesInLoadsRaceNoRenderAndABadImageIsSilent) {
    seams::SetLibraryFolder(kLibraryDir);
    const HMODULE library = LoadLibraryA("SNESAPU.DLL");
    ASSERT_NE(library, nullptr);
    const auto load = reinterpret_cast<LoadSPCFileProc>(
        reinterpret_cast<void (*)()>(GetProcAddress(library, "LoadSPCFile")));
    const auto emu = reinterpret_cast<EmuAPUProc>(
        reinterpret_cast<void (*)()>(GetProcAddress(library, "EmuAPU")));
    ASSERT_TRUE(load && emu && !GetProcAddress(library, "NoSuchEntry"));
    // A length in the tag: libgme must not fade the tune out after it.
    std::vector<uint8_t> image = TestTune(0x1000);
    std::memcpy(&image[0xA9], "06010000", 8);
    load(image.data());
    std::vector<char> buffer(12800);
    for (int part = 0; part < 6000; part++)
        emu(buffer.data(), 3200, 1);
    EXPECT_GT(Loudness(buffer), 1000.0) << "the tune ten minutes in";
    // The device's thread renders while the game thread loads tunes: one emulator, kept
    // whole by the library's lock (a race, and a crash at a change of tune, without it).
    std::atomic<int> rendered{0};
    std::thread device([&] {
        for (std::vector<char> part(1280); rendered < 2000; rendered++)
            emu(part.data(), 320, 1);
    });
    for (int k = 0; k < 300 || rendered < 2000; k++)
        load(image.data());
    device.join();
    // Anything without the SPC signature plays silence, each buffer whole.
    std::vector<uint8_t> garbage(0x10200, 0x5A);
    load(garbage.data());
    std::fill(buffer.begin(), buffer.end(), 1);
    EXPECT_EQ(emu(buffer.data(), 3200, 1), buffer.data() + 12800);
    EXPECT_EQ(buffer, std::vector<char>(12800, 0));
    load(nullptr);
    EXPECT_TRUE(FreeLibrary(library));
    EXPECT_FALSE(FreeLibrary(library));
}

// Damaged and once-crashing tune files (tests/fuzz/regressions/spc/), played the way the
// game switches to a tune: nothing breaks, and an image without the signature is silent.
TEST_F(AudioTest, DamagedTunesPlaySilenceOrPlay) {
    std::vector<std::filesystem::path> files;
    for (const auto &entry :
         std::filesystem::directory_iterator(std::string(GRAVEWAKE_REGRESSIONS) + "/spc"))
        files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    ASSERT_GE(files.size(), 3u);
    Player.InitSPCPlayer();
    for (const auto &file : files) {
        std::memset(Player.spcImage, 0, sizeof Player.spcImage); // no tail of the last tune
        const size_t before = seams::WaveOutLog().size();
        Player.LoadSPC(file.c_str());
        EXPECT_EQ(Player.bytesRead,
                  std::min<uintmax_t>(std::filesystem::file_size(file), kSpcImageSize));
        ASSERT_TRUE(Player.WavOpen());
        PlayOneBuffer();
        Player.WavClose();
        CloseHandle(Player.fileHandle);
        Player.fileHandle = nullptr;
        const auto log = seams::WaveOutLog();
        ASSERT_GE(log.size(), before + 3) << "two primed buffers and a refill";
        for (size_t k = before; k < log.size() && !readerchecks::HasSpcSignature(Player.spcImage);
             k++)
            EXPECT_EQ(log[k], std::vector<char>(log[k].size(), 0))
                << file.filename() << " made sound";
    }
}

} // namespace
