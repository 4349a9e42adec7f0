// The hand-over between the game thread and the device's thread: tunes switched again and
// again, each switch closing and reopening the device, while a device thread plays buffers
// and the completion callback refills them. Under ThreadSanitizer (scripts/tsan.sh) a
// missing atomic or lock on the way shows up as a data race; in every build, as what the
// player would hear: a buffer of the previous tune after the switch, a tune that does not
// start from its beginning, or music that stops.
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
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// Ends the process with a message if it is not dismissed within its time: a close that
// waits for a callback that never returns fails here, not at ctest's time limit.
class Watchdog {
  public:
    Watchdog(int seconds, const std::atomic<int> &step)
        : thread_([this, seconds, &step] {
              std::unique_lock<std::mutex> lock(mutex_);
              if (!wake_.wait_for(lock, std::chrono::seconds(seconds), [this] { return done_; })) {
                  std::fprintf(stderr, "the hand-over hung at tune switch %d\n", step.load());
                  std::abort();
              }
          }) {}
    ~Watchdog() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            done_ = true;
        }
        wake_.notify_one();
        thread_.join();
    }

  private:
    std::mutex mutex_;
    std::condition_variable wake_;
    bool done_ = false;
    std::thread thread_;
};

// The sound hardware: whenever a buffer waits behind the one playing, the playing one
// ends, and its completion goes to the device's own thread, as fast as the callback
// refills.
class DeviceThread {
  public:
    DeviceThread()
        : thread_([this] {
              while (!stop_) {
                  finished_ += seams::FinishWaveOutBuffers(2);
                  std::this_thread::yield();
              }
          }) {}
    ~DeviceThread() {
        stop_ = true;
        thread_.join();
    }
    long Finished() const { return finished_; }

  private:
    std::atomic<bool> stop_{false};
    std::atomic<long> finished_{0};
    std::thread thread_;
};

// Waits until the device has taken `writes` buffers in all; false after two seconds.
bool WaitForWrites(int writes) {
    const auto deadline = Clock::now() + std::chrono::seconds(2);
    while (seams::WaveOutWrites() < writes)
        if (Clock::now() > deadline)
            return false;
        else
            std::this_thread::yield();
    return true;
}

using AudioHandoverTest = MusicTest;

TEST_F(AudioHandoverTest, RapidTuneChangesWhileTheCallbackRefillsKeepEveryTuneWhole) {
    // Three rooms, three pitches: every buffer belongs to one tune only.
    const struct {
        int track;
        const char *room;
        unsigned pitch;
    } kTunes[] = {{0, "Zombies", 0x1000}, {3, "Carnival", 0x0800}, {1, "Drugstore", 0x0C00}};
    for (const auto &t : kTunes)
        ASSERT_TRUE(WriteTestTune(std::string("Game Data/Music/BGM/") + t.room + ".spc", t.pitch));
    MusicMgr->InitSound();
    ASSERT_NE(Player.emuAPU, nullptr) << "no emulator library in " << kRunDir;

    const int kSwitches = 200;
    std::vector<int> played;  // index into kTunes, per switch
    std::vector<int> waited;  // refills seen before the next switch
    std::atomic<int> step{0}; // for the watchdog's message
    {
        Watchdog watchdog(20, step);
        DeviceThread device;
        for (int i = 0; i < kSwitches; i++) {
            step = i;
            const int tune = i % 3;
            MusicMgr->PlaySPC(kTunes[tune].track);
            ASSERT_TRUE(Wav.playing) << "switch " << i << ": the new tune is not streaming";
            ASSERT_EQ(seams::LiveWaveOuts(), 1) << "switch " << i << " left the old device open";
            played.push_back(tune);
            // Switch again at once, after one refill, or after two: each lands on a
            // different moment of a completion in flight.
            const int refills = i % 3;
            ASSERT_TRUE(WaitForWrites(seams::WaveOutWrites() + refills))
                << "the music stopped after switch " << i << " to " << kTunes[tune].room
                << ": no refill within two seconds (" << device.Finished()
                << " buffers played so far)";
            waited.push_back(refills);
            // The next completion is on its way: let the switch fall anywhere in its
            // render, which takes a few hundred microseconds.
            const auto until = Clock::now() + std::chrono::microseconds(i * 37 % 300);
            while (Clock::now() < until)
                std::this_thread::yield();
        }
        Player.WavClose();
        EXPECT_EQ(seams::LiveWaveOuts(), 0);
        // The device thread goes on: nothing may reach the closed device.
        const int writes = seams::WaveOutWrites();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        EXPECT_EQ(seams::WaveOutWrites(), writes) << "written after the last close";
    }

    // What the device was given, switch by switch: the new tune from its first buffer on,
    // each refill its next 100 ms, and nothing else until the next switch.
    const auto log = seams::WaveOutLog();
    std::vector<char> expected(Wav.bufferSize);
    size_t at = 0;
    for (size_t i = 0; i < played.size(); i++) {
        std::vector<unsigned char> image = TestTune(kTunes[played[i]].pitch);
        Player.loadSPCFile(image.data());
        int n = 0;
        for (; at < log.size(); n++, at++) {
            Player.emuAPU(expected.data(), 3200, 1);
            if (log[at] != expected)
                break;
        }
        ASSERT_GE(n, 2 + waited[i])
            << "switch " << i << " to " << kTunes[played[i]].room << ": "
            << (at == log.size() ? "no more buffers written"
                                 : "buffer " + std::to_string(at) + " written is not the tune's " +
                                       (n == 0 ? "first (one of the tune before?)" : "next"));
    }
    EXPECT_EQ(at, log.size()) << "buffers written that belong to no switch";
}

// A refill held up in its render, after it has seen the tune still streaming: the stop
// that begins meanwhile must not come between that refill and its write. The render is
// paused on a gate, and the seam at the end of the reset lets it go at the worst moment
// there is, between the reset and the unprepare and close that follow.
struct RenderGate {
    std::mutex lock;
    std::condition_variable changed;
    bool entered = false, open = false;
    int writesAtEntry = 0;
};
RenderGate *gate = nullptr;
EmuAPUProc realRender = nullptr;

void *GatedRender(void *buffer, uint32_t count, uint8_t type) {
    {
        std::unique_lock<std::mutex> hold(gate->lock);
        gate->entered = true;
        gate->writesAtEntry = seams::WaveOutWrites();
        gate->changed.notify_all();
        gate->changed.wait_for(hold, std::chrono::seconds(5), [] { return gate->open; });
    }
    return realRender(buffer, count, type);
}

void OpenGate() {
    std::lock_guard<std::mutex> hold(gate->lock);
    gate->open = true;
    gate->changed.notify_all();
}

TEST_F(AudioHandoverTest, ARefillHeldUpAcrossTheStopCannotKeepTheDeviceOpen) {
    ASSERT_TRUE(WriteTestTune(Tune("Zombies"), 0x1000));
    ASSERT_TRUE(WriteTestTune(Tune("Carnival"), 0x0800));
    MusicMgr->InitSound();
    ASSERT_NE(Player.emuAPU, nullptr) << "no emulator library in " << kRunDir;
    MusicMgr->PlaySPC(0);
    ASSERT_TRUE(Wav.playing);

    RenderGate held;
    gate = &held;
    realRender = Player.emuAPU;
    Player.emuAPU = GatedRender;
    // The head buffer ends; its refill stops in the render.
    ASSERT_EQ(seams::FinishWaveOutBuffers(1), 1);
    {
        std::unique_lock<std::mutex> hold(held.lock);
        ASSERT_TRUE(
            held.changed.wait_for(hold, std::chrono::seconds(2), [&] { return held.entered; }));
    }
    // Once the reset is over, the refill goes on and writes, before the close looks.
    seams::AfterWaveOutReset([&] {
        OpenGate();
        const auto until = Clock::now() + std::chrono::seconds(1);
        while (seams::WaveOutWrites() == held.writesAtEntry && Clock::now() < until)
            std::this_thread::yield();
    });
    std::atomic<bool> stopped{false};
    std::thread stop([&] {
        Player.WavClose();
        stopped = true;
    });
    // The reset waits for the refill that is under way, however long it renders.
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_FALSE(stopped) << "the stop went past a refill still rendering";
    OpenGate();
    stop.join();
    seams::AfterWaveOutReset(nullptr);
    Player.emuAPU = realRender;

    EXPECT_EQ(seams::LiveWaveOuts(), 0) << "the close failed: the device stays attached";
    for (const WAVEHDR &h : Wav.headers)
        EXPECT_FALSE(h.dwFlags & WHDR_INQUEUE) << "a buffer left queued on a closed device";
    // The next room's tune opens and streams.
    MusicMgr->PlaySPC(3);
    EXPECT_TRUE(Wav.playing);
    EXPECT_EQ(seams::LiveWaveOuts(), 1);
    PlayOneBuffer();
    EXPECT_EQ(seams::LiveWaveOuts(), 1);
}

// The same at the device, for a program whose callback refills whatever comes back
// until told to stop: a refill still on its way when the close looks at the queue must
// neither be queued on a device that is gone nor leave the device half closed.
std::atomic<bool> refilling{false};
void CALLBACK GatedRefill(HWAVEOUT device, UINT message, DWORD_PTR, DWORD_PTR header, DWORD_PTR) {
    if (message != WOM_DONE || !refilling)
        return;
    GatedRender(nullptr, 0, 0);
    waveOutWrite(device, reinterpret_cast<WAVEHDR *>(header), sizeof(WAVEHDR));
}

void *NoRender(void *, uint32_t, uint8_t) {
    return nullptr;
}

TEST_F(AudioHandoverTest, ACloseRacingARefillEndsClosedWithNothingQueued) {
    RenderGate held;
    gate = &held;
    realRender = NoRender;
    refilling = true;
    WAVEFORMATEX format = {};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = 2;
    format.nSamplesPerSec = 32000;
    format.nBlockAlign = 4;
    format.nAvgBytesPerSec = 128000;
    format.wBitsPerSample = 16;
    HWAVEOUT device = nullptr;
    ASSERT_EQ(waveOutOpen(&device, WAVE_MAPPER, &format, reinterpret_cast<DWORD_PTR>(GatedRefill),
                          0, CALLBACK_FUNCTION),
              MMSYSERR_NOERROR);
    std::vector<char> data(400);
    WAVEHDR header = {};
    header.lpData = data.data();
    header.dwBufferLength = static_cast<DWORD>(data.size());
    ASSERT_EQ(waveOutPrepareHeader(device, &header, sizeof header), MMSYSERR_NOERROR);
    ASSERT_EQ(waveOutWrite(device, &header, sizeof header), MMSYSERR_NOERROR);
    // The buffer ends; its refill is held before it writes, and the queue is empty.
    ASSERT_EQ(seams::FinishWaveOutBuffers(1), 1);
    {
        std::unique_lock<std::mutex> hold(held.lock);
        ASSERT_TRUE(
            held.changed.wait_for(hold, std::chrono::seconds(2), [&] { return held.entered; }));
    }
    std::atomic<MMRESULT> closed{MMSYSERR_ERROR};
    std::thread close([&] { closed = waveOutClose(device); });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    OpenGate();
    close.join();
    if (closed == MMSYSERR_NOERROR) {
        EXPECT_EQ(seams::LiveWaveOuts(), 0);
        EXPECT_FALSE(header.dwFlags & WHDR_INQUEUE) << "queued on a device that is gone";
    } else {
        // Still playing, as the program made it: stopping it the usual way closes it.
        EXPECT_EQ(closed, WAVERR_STILLPLAYING);
        refilling = false;
        EXPECT_EQ(waveOutReset(device), MMSYSERR_NOERROR);
        EXPECT_EQ(waveOutUnprepareHeader(device, &header, sizeof header), MMSYSERR_NOERROR);
        EXPECT_EQ(waveOutClose(device), MMSYSERR_NOERROR);
        EXPECT_EQ(seams::LiveWaveOuts(), 0);
    }
    refilling = false;
}

} // namespace
