// The music: the emulator library, the wave-out device, the SPC player's streaming and
// the choice of tune by room. No window: these also run under ThreadSanitizer.
#include "MusicTest.h"
#include "TestTunes.h"

#include "app/Main.h"
#include "app/Records.h"
#include "audio/Music.h"
#include "audio/SPCPlayer.h"
#include "platform/testing.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstring>
#include <algorithm>
#include <filesystem>
#include <thread>

#include <sys/wait.h>
#include <unistd.h>

namespace {

using AudioTest = MusicTest;

TEST_F(AudioTest, OpeningPrimesTwoBuffersOnceAndEachPlayedBufferIsRefilled) {
    ASSERT_TRUE(WriteTestTune("a.spc", 0x1000));
    Player.InitSPCPlayer();
    ASSERT_NE(Player.library, nullptr);
    Player.LoadSPC("a.spc");
    EXPECT_EQ(Player.bytesRead, kSpcImageSize);
    ASSERT_TRUE(Player.WavOpen());
    EXPECT_EQ(seams::WaveOutWrites(), 2);
    EXPECT_TRUE(Player.WavOpen()); // already streaming: nothing primed again
    EXPECT_EQ(seams::WaveOutOpens(), 1);
    EXPECT_EQ(seams::WaveOutWrites(), 2);

    for (int i = 0; i < 4; i++)
        PlayOneBuffer();
    EXPECT_EQ(seams::WaveOutWrites(), 6);
    const auto log = seams::WaveOutLog();
    ASSERT_EQ(log.size(), 6u);
    EXPECT_EQ(log[0].size(), 12800u);
    // The tune goes on: a later buffer is not the first one again.
    EXPECT_NE(log[0], log[5]);
    size_t loud = 0;
    for (size_t k = 0; k + 1 < log[5].size(); k += 2)
        loud += std::abs(static_cast<int16_t>((log[5][k] & 0xFF) |
                                              (static_cast<uint8_t>(log[5][k + 1]) << 8))) > 1000;
    EXPECT_GT(loud, 1000u) << "the tune is sounding";

    Player.WavClose();
    EXPECT_FALSE(Wav.playing);
    EXPECT_EQ(Wav.device, nullptr);
    EXPECT_EQ(seams::LiveWaveOuts(), 0);
    Player.WavClose(); // not streaming: nothing to do
    EXPECT_EQ(seams::LiveWaveOuts(), 0);
}

TEST_F(AudioTest, BuffersHandedBackAfterCloseAreNotQueuedAgain) {
    ASSERT_TRUE(WriteTestTune("a.spc", 0x1000));
    Player.InitSPCPlayer();
    Player.LoadSPC("a.spc");
    ASSERT_TRUE(Player.WavOpen());
    Player.WavClose(); // the reset hands both buffers back as done
    EXPECT_EQ(seams::WaveOutWrites(), 2);
    // A late notification, as if it had been in flight during the close.
    WaveOutDone(nullptr, WOM_DONE, 0, reinterpret_cast<DWORD_PTR>(&Wav.headers[0]), 0);
    EXPECT_EQ(seams::WaveOutWrites(), 2);
}

TEST_F(AudioTest, SwitchingAwayAndBackStartsATuneFromItsBeginning) {
    ASSERT_TRUE(WriteTestTune(Tune("Zombies"), 0x1000));
    ASSERT_TRUE(WriteTestTune(Tune("Carnival"), 0x0800));
    MusicMgr->InitSound();
    MusicMgr->PlaySPC(0);
    for (int i = 0; i < 3; i++)
        PlayOneBuffer();
    MusicMgr->PlaySPC(3);
    PlayOneBuffer();
    MusicMgr->PlaySPC(0);
    const auto log = seams::WaveOutLog();
    ASSERT_EQ(log.size(), 2u + 3u + 2u + 1u + 2u);
    EXPECT_EQ(log[8], log[0]); // Zombies again, from its first buffer
    EXPECT_EQ(log[9], log[1]);
    EXPECT_NE(log[0], log[4]); // ...which is not what it played later
    EXPECT_NE(log[5], log[0]); // Carnival is another tune
    EXPECT_EQ(seams::WaveOutOpens(), 3);
    EXPECT_EQ(seams::LiveWaveOuts(), 1);
}

TEST_F(AudioTest, TeardownAfterTheDeviceIsClosedFreesTheRest) {
    ASSERT_TRUE(WriteTestTune("a.spc", 0x1000));
    Player.InitSPCPlayer();
    Player.InitSPCPlayer(); // a second set-up keeps the library and the buffers
    char *buffer = Wav.buffers[0];
    HMODULE library = Player.library;
    Player.InitSPCPlayer();
    EXPECT_EQ(Wav.buffers[0], buffer);
    EXPECT_EQ(Player.library, library);
    Player.LoadSPC("a.spc");
    HANDLE file = Player.fileHandle;
    ASSERT_TRUE(Player.WavOpen());
    Player.WavClose();
    Player.CloseSPCPlayer();
    EXPECT_FALSE(CloseHandle(file)); // already closed
    EXPECT_EQ(Wav.buffers[0], nullptr);
    EXPECT_EQ(Wav.buffers[1], nullptr);
    EXPECT_EQ(Player.library, nullptr);
    Player.CloseSPCPlayer(); // and again: nothing left to do
    EXPECT_FALSE(Player.WavOpen());
}

TEST_F(AudioTest, TheRoomDecidesTheTune) {
    MusicMgr->InitSound();
    const struct {
        float x, z, health;
        int track;
    } cases[] = {
        {96.0f, 2.0f, 30, 3},    {156.0f, 46.0f, 30, 3},  {95.9f, 2.0f, 30, 0},
        {250.0f, 70.0f, 30, 1},  {175.0f, 0.0f, 30, 1},   {28.5f, 30.0f, 30, 0},
        {28.5f, 80.0f, 30, 11},  {2.0f, 29.0f, 30, 11},   {49.0f, 170.0f, 30, 5},
        {48.9f, 170.0f, 30, 0},  {60.0f, 120.0f, 30, 4},  {220.0f, 220.0f, 30, 2},
        {230.0f, 120.0f, 30, 6}, {170.0f, 180.0f, 30, 7}, {130.0f, 180.0f, 30, 8},
        {140.0f, 100.0f, 30, 9}, {1.0f, 59.0f, 30, 0},    {130.0f, 180.0f, 0, 10},
        {96.0f, 2.0f, -5, 10},
    };
    for (const auto &c : cases) {
        stCharacter.posX = c.x;
        stCharacter.posZ = c.z;
        stCharacter.health = c.health;
        MusicMgr->HandleRoomMusic();
        EXPECT_EQ(MusicMgr->currentTrack, c.track) << "at " << c.x << ", " << c.z;
    }
    // Standing, or walking within one room, never opens the tune again.
    stCharacter = kStartCharacter;
    stCharacter.posX = 100.0f;
    stCharacter.posZ = 10.0f;
    MusicMgr->HandleRoomMusic();
    const int opens = seams::WaveOutOpens();
    for (int i = 0; i < 5; i++) {
        stCharacter.posX += 1.0f;
        MusicMgr->HandleRoomMusic();
    }
    EXPECT_EQ(seams::WaveOutOpens(), opens);
    // From one Skirmish ground to the other: outdoors in between, so it starts again.
    stCharacter.posX = 10.0f;
    stCharacter.posZ = 35.0f;
    MusicMgr->HandleRoomMusic();
    stCharacter.posZ = 60.0f;
    MusicMgr->HandleRoomMusic();
    EXPECT_EQ(MusicMgr->currentTrack, 0);
    stCharacter.posZ = 80.0f;
    MusicMgr->HandleRoomMusic();
    EXPECT_EQ(MusicMgr->currentTrack, 11);
    EXPECT_EQ(seams::WaveOutOpens(), opens + 3);
}

TEST_F(AudioTest, AMissingTuneFileKeepsThePreviousImage) {
    ASSERT_TRUE(WriteTestTune(Tune("Zombies"), 0x1000));
    MusicMgr->InitSound();
    MusicMgr->PlaySPC(0);
    MusicMgr->PlaySPC(7); // Meadow.spc does not exist here
    EXPECT_EQ(Player.fileHandle, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(Wav.playing);
    const auto log = seams::WaveOutLog();
    ASSERT_EQ(log.size(), 4u);
    EXPECT_EQ(log[2], log[0]); // the previous tune, from its start
}

TEST_F(AudioTest, WithoutTheEmulatorLibraryTheGameRunsSilent) {
    seams::SetLibraryFolder(scratch.path()); // a run directory without the library
    ASSERT_TRUE(WriteTestTune(Tune("Zombies"), 0x1000));
    MusicMgr->InitSound();
    EXPECT_EQ(Player.library, nullptr);
    EXPECT_EQ(Player.emuAPU, nullptr);
    stCharacter.posX = 1.0f;
    stCharacter.posZ = 59.0f;
    MusicMgr->HandleRoomMusic();
    EXPECT_EQ(MusicMgr->currentTrack, 0);
    EXPECT_FALSE(Wav.playing);
    EXPECT_EQ(seams::WaveOutOpens(), 0);
    MusicMgr->ShutdownSound();
}

TEST_F(AudioTest, NoAudioDeviceMeansNoMusicAndNoHarm) {
    ASSERT_TRUE(WriteTestTune(Tune("Zombies"), 0x1000));
    seams::SetFault(seams::Fault::WaveOutOpen);
    MusicMgr->InitSound();
    MusicMgr->HandleRoomMusic();
    EXPECT_FALSE(Wav.playing);
    EXPECT_EQ(Wav.device, nullptr);
}

TEST_F(AudioTest, ARealDeviceRefillsOnAThreadOfItsOwn) {
    seams::ManualWaveOut(false); // SDL's dummy driver plays in real time
    ASSERT_TRUE(WriteTestTune("a.spc", 0x1000));
    Player.InitSPCPlayer();
    Player.LoadSPC("a.spc");
    ASSERT_TRUE(Player.WavOpen());
    const auto start = std::chrono::steady_clock::now();
    while (seams::WaveOutWrites() < 6 &&
           std::chrono::steady_clock::now() - start < std::chrono::seconds(5))
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_GE(seams::WaveOutWrites(), 6);
    Player.WavClose();
    const int writes = seams::WaveOutWrites();
    std::this_thread::sleep_for(std::chrono::milliseconds(250));
    EXPECT_EQ(seams::WaveOutWrites(), writes); // nothing after the close
}

// The wave-out device itself, as the player relies on it.
std::atomic<int> doneCount{0};
std::atomic<bool> onOtherThread{true};
std::thread::id mainThread;

void CALLBACK CountDone(HWAVEOUT, UINT message, DWORD_PTR instance, DWORD_PTR, DWORD_PTR) {
    if (message != WOM_DONE)
        return;
    doneCount++;
    if (std::this_thread::get_id() == mainThread)
        onOtherThread = false;
    EXPECT_EQ(instance, 42u);
}

TEST_F(AudioTest, WaveOutPlaysInOrderAndResetHandsEverythingBack) {
    seams::ManualWaveOut(false);
    mainThread = std::this_thread::get_id();
    doneCount = 0;
    onOtherThread = true;
    WAVEFORMATEX format = {WAVE_FORMAT_PCM, 2, 32000, 128000, 4, 16, 0};
    WAVEFORMATEX bad = format;
    bad.nBlockAlign = 3;
    HWAVEOUT device = nullptr;
    EXPECT_EQ(waveOutOpen(&device, WAVE_MAPPER, &bad, 0, 0, CALLBACK_FUNCTION), WAVERR_BADFORMAT);
    ASSERT_EQ(waveOutOpen(&device, WAVE_MAPPER, &format, reinterpret_cast<DWORD_PTR>(CountDone), 42,
                          CALLBACK_FUNCTION | WAVE_ALLOWSYNC),
              MMSYSERR_NOERROR);
    std::vector<char> data(3200, 0);
    WAVEHDR headers[3] = {};
    for (WAVEHDR &h : headers) {
        h.lpData = data.data();
        h.dwBufferLength = static_cast<DWORD>(data.size());
        EXPECT_EQ(waveOutWrite(device, &h, sizeof h), WAVERR_UNPREPARED);
        ASSERT_EQ(waveOutPrepareHeader(device, &h, sizeof h), MMSYSERR_NOERROR);
    }
    ASSERT_EQ(waveOutWrite(device, &headers[0], sizeof(WAVEHDR)), MMSYSERR_NOERROR);
    const auto start = std::chrono::steady_clock::now();
    while (doneCount < 1 && std::chrono::steady_clock::now() - start < std::chrono::seconds(5))
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_EQ(doneCount, 1);
    EXPECT_TRUE(headers[0].dwFlags & WHDR_DONE);
    EXPECT_TRUE(onOtherThread);

    for (WAVEHDR &h : headers)
        waveOutWrite(device, &h, sizeof h);
    EXPECT_EQ(waveOutUnprepareHeader(device, &headers[2], sizeof(WAVEHDR)), WAVERR_STILLPLAYING);
    EXPECT_EQ(waveOutClose(device), WAVERR_STILLPLAYING);
    EXPECT_EQ(waveOutReset(device), MMSYSERR_NOERROR);
    for (WAVEHDR &h : headers) {
        EXPECT_FALSE(h.dwFlags & WHDR_INQUEUE);
        EXPECT_EQ(waveOutUnprepareHeader(device, &h, sizeof h), MMSYSERR_NOERROR);
    }
    EXPECT_EQ(waveOutClose(device), MMSYSERR_NOERROR);
    EXPECT_EQ(doneCount, 4); // every buffer reported, the reset ones before the close ended
    EXPECT_EQ(waveOutWrite(device, &headers[0], sizeof(WAVEHDR)), MMSYSERR_INVALHANDLE);
}

// --- The emulator library -------------------------------------------------------------

// The library from the run directory, and its two entry points, looked up by name as the
// player looks them up.
void OpenEmulatorLibrary(HMODULE &library, LoadSPCFileProc &load, EmuAPUProc &emu) {
    seams::SetLibraryFolder(kRunDir);
    library = LoadLibraryA("SNESAPU.DLL");
    if (!library)
        return;
    load = reinterpret_cast<LoadSPCFileProc>(
        reinterpret_cast<void (*)()>(GetProcAddress(library, "LoadSPCFile")));
    emu = reinterpret_cast<EmuAPUProc>(
        reinterpret_cast<void (*)()>(GetProcAddress(library, "EmuAPU")));
}

// Runs the library probe in `folder` with the given library search path, and returns its
// exit code: 0 the real library, 1 none, 2 the decoy.
int ProbeLibrary(const std::string &folder, const char *searchPath,
                 const std::string &libraryFolder, const char *name = "SNESAPU.DLL") {
    const pid_t child = fork();
    if (child == 0) {
        if (chdir(folder.c_str()) != 0)
            _exit(100);
        setenv("LD_LIBRARY_PATH", searchPath, 1);
        execl(LIBRARY_PROBE, LIBRARY_PROBE, libraryFolder.c_str(), name,
              static_cast<char *>(nullptr));
        _exit(101);
    }
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

TEST(EmulatorLibrary, OnlyTheProgramsOwnFolderIsLookedIn) {
    const std::string decoys = DECOY_FOLDER;
    ASSERT_TRUE(std::filesystem::exists(decoys + "/libsnesapu.so"));
    ASSERT_TRUE(std::filesystem::exists(decoys + "/SNESAPU.DLL"));
    // The probe's own folder has no emulator library; decoys lie in the current directory
    // and on the library search path, given by name and as "the current directory".
    for (const char *searchPath : {DECOY_FOLDER, ".", ""})
        EXPECT_EQ(ProbeLibrary(decoys, searchPath, ""), 1)
            << "a library was loaded from outside the program's folder (search path \""
            << searchPath << "\")";
    // A name with a folder in it names no other place either.
    EXPECT_EQ(ProbeLibrary(decoys + "/..", "", "", "decoy/SNESAPU.DLL"), 1);
    EXPECT_EQ(ProbeLibrary(decoys, "", "", "./SNESAPU.DLL"), 1);
    EXPECT_EQ(ProbeLibrary(decoys, "", "", (decoys + "/SNESAPU.DLL").c_str()), 1);
    // With the library in the program's folder, that one comes, decoys or not.
    EXPECT_EQ(ProbeLibrary(decoys, DECOY_FOLDER, kRunDir), 0);
    EXPECT_EQ(ProbeLibrary(decoys, ".", kRunDir, "..\\SNESAPU.DLL"), 0);
}

TEST(EmulatorLibrary, ATuneStillSoundsAfterTenMinutesAndABadImageIsSilent) {
    HMODULE library = nullptr;
    LoadSPCFileProc load = nullptr;
    EmuAPUProc emu = nullptr;
    OpenEmulatorLibrary(library, load, emu);
    ASSERT_TRUE(load && emu);
    EXPECT_EQ(GetProcAddress(library, "NoSuchEntry"), nullptr);

    std::vector<unsigned char> image = TestTune(0x1000);
    // A length in the tag: the library must not let libgme fade the tune out after it.
    std::memcpy(&image[0xA9], "060", 3);
    std::memcpy(&image[0xAC], "10000", 5);
    load(image.data());
    std::vector<int16_t> buffer(3200 * 2);
    double lastRms = 0.0;
    for (int second = 0; second < 600; second++) {
        for (int part = 0; part < 10; part++)
            emu(buffer.data(), 3200, 1);
        if (second == 599) {
            double sum = 0.0;
            for (int16_t v : buffer)
                sum += double(v) * v;
            lastRms = std::sqrt(sum / buffer.size());
        }
    }
    EXPECT_GT(lastRms, 1000.0) << "the tune ten minutes in";

    std::vector<unsigned char> garbage(0x10200, 0x5A);
    load(garbage.data());
    std::fill(buffer.begin(), buffer.end(), 1234);
    int16_t *end = static_cast<int16_t *>(emu(buffer.data(), 3200, 1));
    EXPECT_EQ(end, buffer.data() + 6400);
    EXPECT_TRUE(std::all_of(buffer.begin(), buffer.end(), [](int16_t v) { return v == 0; }));
    load(nullptr);
    EXPECT_TRUE(FreeLibrary(library));
    EXPECT_FALSE(FreeLibrary(library));
}

// The player renders on the device's thread while the game thread may load the next tune:
// the library keeps its one emulator whole across both.
TEST(EmulatorLibrary, ALoadWhileAnotherThreadRendersLeavesOneWholeTune) {
    HMODULE library = nullptr;
    LoadSPCFileProc load = nullptr;
    EmuAPUProc emu = nullptr;
    OpenEmulatorLibrary(library, load, emu);
    ASSERT_TRUE(load && emu);
    std::vector<unsigned char> low = TestTune(0x0800), high = TestTune(0x1000);
    load(low.data());
    std::atomic<bool> stop{false};
    std::atomic<int> rendered{0};
    std::thread device([&] {
        std::vector<int16_t> buffer(320 * 2);
        while (!stop && rendered < 20000) {
            emu(buffer.data(), 320, 1);
            rendered++;
        }
    });
    // Loads go on until the other thread has rendered a good many buffers meanwhile.
    for (int k = 0; k < 300 || (rendered < 2000 && k < 1000000); k++)
        load(k % 2 ? high.data() : low.data());
    stop = true;
    device.join();
    EXPECT_GE(rendered.load(), 2000);
    // Whatever was loaded last plays, from its start.
    std::vector<int16_t> after(3200 * 2), fresh(3200 * 2);
    load(high.data());
    emu(after.data(), 3200, 1);
    load(high.data());
    emu(fresh.data(), 3200, 1);
    EXPECT_EQ(after, fresh);
    load(nullptr);
    EXPECT_TRUE(FreeLibrary(library));
}

} // namespace
