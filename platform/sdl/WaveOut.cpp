// The wave-out device on SDL2 audio. SDL's audio thread plays the written buffers in
// order; each buffer it finishes goes to the device's notifier thread, which calls the
// program's callback with WOM_DONE. The callback runs neither on SDL's audio thread nor
// under any of our locks, so it may render and write the buffer again.
//
// The SDL device is opened with the first wave-out device and stays open, playing
// silence while no wave-out device is open: a program that closes and reopens wave-out
// at every change of tune does not restart the sound hardware each time (and SDL's disk
// driver, which starts its file afresh at every open, records the whole run).
#include "platform/mmsystem.h"

#include "platform/sdl/Internal.h"

#include <SDL2/SDL.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <thread>

struct HWAVEOUT__ {
    bool sdl = false; // false while the seams play the buffers by hand
    LPWAVECALLBACK callback = nullptr;
    DWORD_PTR instance = 0;
    WAVEFORMATEX format = {};

    std::mutex lock;
    std::deque<WAVEHDR *> queue;                    // written, not yet played to the end
    DWORD played = 0;                               // bytes of queue.front() already played
    std::deque<std::pair<UINT, WAVEHDR *>> notices; // for the notifier thread
    std::condition_variable wake;
    bool telling = false;               // the callback is running
    unsigned long posted = 0, told = 0; // notices queued and notices handled, ever
    std::condition_variable toldOne;
    bool closing = false;
    bool shut = false; // waveOutClose has begun: nothing more may be queued
    std::thread notifier;
};

namespace {

struct Registry {
    std::mutex lock;
    std::deque<HWAVEOUT> devices;
};

// The one SDL audio device, and the wave-out device it plays. Lock order: this lock,
// then a device's own.
struct Output {
    std::mutex lock;
    SDL_AudioDeviceID id = 0;
    WAVEFORMATEX format = {};
    HWAVEOUT attached = nullptr;
};

Output &Out() {
    static auto *output = new Output;
    return *output;
}

// Never destroyed: devices may be closed from the application object's destructor.
Registry &Devices() {
    static auto *registry = new Registry;
    return *registry;
}

bool Live(HWAVEOUT device) {
    Registry &r = Devices();
    std::lock_guard<std::mutex> guard(r.lock);
    for (HWAVEOUT d : r.devices)
        if (d == device)
            return true;
    return false;
}

// Called with the device lock held: the head buffer has been played.
void FinishHead(HWAVEOUT d) {
    WAVEHDR *header = d->queue.front();
    d->queue.pop_front();
    d->played = 0;
    header->dwFlags = (header->dwFlags & ~WHDR_INQUEUE) | WHDR_DONE;
    d->notices.push_back({WOM_DONE, header});
    d->posted++;
    d->wake.notify_one();
}

// SDL's audio thread: copies queued buffers into SDL's stream, silence when none waits.
void SDLCALL Fill(void *, Uint8 *stream, int length) {
    Output &out = Out();
    std::lock_guard<std::mutex> outputGuard(out.lock);
    const Uint8 silence = out.format.wBitsPerSample == 8 ? 0x80 : 0;
    HWAVEOUT d = out.attached;
    int filled = 0;
    if (d) {
        std::lock_guard<std::mutex> guard(d->lock);
        while (filled < length && !d->queue.empty()) {
            WAVEHDR *header = d->queue.front();
            const DWORD left = header->dwBufferLength - d->played;
            const int take = static_cast<int>(std::min<DWORD>(left, DWORD(length - filled)));
            std::memcpy(stream + filled, header->lpData + d->played, take);
            filled += take;
            d->played += take;
            if (d->played >= header->dwBufferLength)
                FinishHead(d);
        }
    }
    if (filled < length)
        std::memset(stream + filled, silence, length - filled);
}

bool SameFormat(const WAVEFORMATEX &a, const WAVEFORMATEX &b) {
    return a.nChannels == b.nChannels && a.nSamplesPerSec == b.nSamplesPerSec &&
           a.wBitsPerSample == b.wBitsPerSample;
}

void CloseOutput() {
    Output &out = Out();
    SDL_AudioDeviceID id;
    {
        std::lock_guard<std::mutex> guard(out.lock);
        id = out.id;
        out.id = 0;
        out.attached = nullptr;
    }
    if (id) {
        SDL_CloseAudioDevice(id); // waits for SDL's audio thread to leave Fill
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }
}

// Puts the device on the SDL output, opening it (or opening it again for another
// format) when needed. False when no audio device can be opened.
bool Attach(HWAVEOUT d) {
    Output &out = Out();
    {
        std::lock_guard<std::mutex> guard(out.lock);
        if (out.attached)
            return false; // one wave-out device at a time
        if (out.id && SameFormat(out.format, d->format)) {
            out.attached = d;
            return true;
        }
    }
    CloseOutput();
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0)
        return false;
    static bool once = false;
    if (!once) {
        once = true;
        std::atexit(CloseOutput);
    }
    SDL_AudioSpec want = {}, have = {};
    want.freq = static_cast<int>(d->format.nSamplesPerSec);
    want.format = d->format.wBitsPerSample == 8 ? AUDIO_U8 : AUDIO_S16SYS;
    want.channels = static_cast<Uint8>(d->format.nChannels);
    want.samples = 1024;
    want.callback = Fill;
    // No changes allowed: SDL converts to whatever the hardware wants.
    const SDL_AudioDeviceID id = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (id == 0) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    {
        std::lock_guard<std::mutex> guard(out.lock);
        out.id = id;
        out.format = d->format;
        out.attached = d;
    }
    SDL_PauseAudioDevice(id, 0);
    return true;
}

void Detach(HWAVEOUT d) {
    Output &out = Out();
    std::lock_guard<std::mutex> guard(out.lock); // Fill is not running past here
    if (out.attached == d)
        out.attached = nullptr;
}

void Notify(HWAVEOUT d) {
    std::unique_lock<std::mutex> guard(d->lock);
    for (;;) {
        d->wake.wait(guard, [d] { return d->closing || !d->notices.empty(); });
        if (d->notices.empty())
            return; // closing, and everything has been told
        const auto notice = d->notices.front();
        d->notices.pop_front();
        d->telling = true;
        guard.unlock();
        if (d->callback)
            d->callback(d, notice.first, d->instance, reinterpret_cast<DWORD_PTR>(notice.second),
                        0);
        guard.lock();
        d->telling = false;
        d->told++;
        d->toldOne.notify_all();
    }
}

bool ValidFormat(const WAVEFORMATEX &f) {
    return f.wFormatTag == WAVE_FORMAT_PCM && (f.nChannels == 1 || f.nChannels == 2) &&
           (f.wBitsPerSample == 8 || f.wBitsPerSample == 16) && f.nSamplesPerSec >= 1000 &&
           f.nSamplesPerSec <= 192000 && f.nBlockAlign == f.nChannels * f.wBitsPerSample / 8 &&
           f.nAvgBytesPerSec == f.nSamplesPerSec * f.nBlockAlign;
}

} // namespace

MMRESULT waveOutOpen(HWAVEOUT *out, UINT deviceId, const WAVEFORMATEX *format, DWORD_PTR callback,
                     DWORD_PTR instance, DWORD flags) {
    if (!out || !format)
        return MMSYSERR_INVALPARAM;
    *out = nullptr;
    if (deviceId != WAVE_MAPPER && deviceId != 0)
        return MMSYSERR_BADDEVICEID;
    if ((flags & 0x00070000) != CALLBACK_FUNCTION && (flags & 0x00070000) != 0)
        return MMSYSERR_INVALFLAG;
    if (!ValidFormat(*format))
        return WAVERR_BADFORMAT;
    plat::State &s = plat::S();
    if (plat::Faulted(seams::Fault::WaveOutOpen))
        return MMSYSERR_NODRIVER;

    HWAVEOUT d = new HWAVEOUT__;
    d->callback =
        (flags & CALLBACK_FUNCTION) ? reinterpret_cast<LPWAVECALLBACK>(callback) : nullptr;
    d->instance = instance;
    d->format = *format;
    if (!s.manualWaveOut) {
        if (!Attach(d)) {
            delete d;
            return MMSYSERR_ALLOCATED;
        }
        d->sdl = true;
    }
    d->notifier = std::thread(Notify, d);
    {
        std::lock_guard<std::mutex> guard(Devices().lock);
        Devices().devices.push_back(d);
    }
    {
        std::lock_guard<std::mutex> guard(d->lock);
        d->notices.push_back({WOM_OPEN, nullptr});
        d->posted++;
        d->wake.notify_one();
    }
    s.waveOutOpens++;
    *out = d;
    return MMSYSERR_NOERROR;
}

MMRESULT waveOutPrepareHeader(HWAVEOUT device, WAVEHDR *header, UINT size) {
    if (!Live(device))
        return MMSYSERR_INVALHANDLE;
    if (!header || size < sizeof(WAVEHDR) || !header->lpData)
        return MMSYSERR_INVALPARAM;
    std::lock_guard<std::mutex> guard(device->lock);
    header->dwFlags |= WHDR_PREPARED;
    return MMSYSERR_NOERROR;
}

MMRESULT waveOutUnprepareHeader(HWAVEOUT device, WAVEHDR *header, UINT size) {
    if (!Live(device))
        return MMSYSERR_INVALHANDLE;
    if (!header || size < sizeof(WAVEHDR))
        return MMSYSERR_INVALPARAM;
    std::lock_guard<std::mutex> guard(device->lock);
    if (header->dwFlags & WHDR_INQUEUE)
        return WAVERR_STILLPLAYING;
    header->dwFlags &= ~WHDR_PREPARED;
    return MMSYSERR_NOERROR;
}

MMRESULT waveOutWrite(HWAVEOUT device, WAVEHDR *header, UINT size) {
    if (!Live(device))
        return MMSYSERR_INVALHANDLE;
    if (!header || size < sizeof(WAVEHDR))
        return MMSYSERR_INVALPARAM;
    std::lock_guard<std::mutex> guard(device->lock);
    if (device->shut)
        return MMSYSERR_INVALHANDLE; // being closed
    if (!(header->dwFlags & WHDR_PREPARED))
        return WAVERR_UNPREPARED;
    if (header->dwFlags & WHDR_INQUEUE)
        return WAVERR_STILLPLAYING;
    header->dwFlags = (header->dwFlags & ~WHDR_DONE) | WHDR_INQUEUE;
    device->queue.push_back(header);
    plat::S().waveOutWrites++;
    if (plat::S().recordWaveOut.load()) {
        std::lock_guard<std::mutex> record(plat::S().recordLock);
        plat::S().waveOutLog.emplace_back(header->lpData, header->lpData + header->dwBufferLength);
    }
    return MMSYSERR_NOERROR;
}

MMRESULT waveOutReset(HWAVEOUT device) {
    if (!Live(device))
        return MMSYSERR_INVALHANDLE;
    {
        std::unique_lock<std::mutex> guard(device->lock);
        // Playback stops at once: from here on SDL's thread touches no buffer of the queue.
        while (!device->queue.empty())
            FinishHead(device);
        // A callback that was already running may still write its buffer after the program
        // has decided to stop: wait until everything told so far has been handled, and
        // hand back what was written meanwhile, so that the device can be unprepared and
        // closed right after. (Not from inside the callback, which would wait for itself.)
        if (std::this_thread::get_id() != device->notifier.get_id()) {
            const unsigned long target = device->posted;
            device->toldOne.wait(guard, [device, target] { return device->told >= target; });
            while (!device->queue.empty())
                FinishHead(device);
        }
    }
    if (plat::S().afterWaveOutReset)
        plat::S().afterWaveOutReset();
    return MMSYSERR_NOERROR;
}

MMRESULT waveOutClose(HWAVEOUT device) {
    if (!Live(device))
        return MMSYSERR_INVALHANDLE;
    if (std::this_thread::get_id() == device->notifier.get_id())
        return MMSYSERR_HANDLEBUSY; // from inside its own callback
    {
        std::unique_lock<std::mutex> guard(device->lock);
        // A callback still running, or still to be told, may write a buffer: let those
        // finish first, so that the queue checked below is the queue that stays.
        const unsigned long target = device->posted;
        device->toldOne.wait(guard, [device, target] { return device->told >= target; });
        if (!device->queue.empty())
            return WAVERR_STILLPLAYING;
        device->shut = true;
    }
    if (device->sdl)
        Detach(device);
    {
        std::lock_guard<std::mutex> guard(device->lock);
        device->notices.push_back({WOM_CLOSE, nullptr});
        device->posted++;
        device->closing = true;
        device->wake.notify_one();
    }
    // Every pending notice is told and a callback still running finishes before this
    // returns: the program may reuse the buffers and whatever the callback touched.
    device->notifier.join();
    {
        std::lock_guard<std::mutex> guard(Devices().lock);
        auto &devices = Devices().devices;
        for (auto it = devices.begin(); it != devices.end(); ++it)
            if (*it == device) {
                devices.erase(it);
                break;
            }
    }
    delete device;
    return MMSYSERR_NOERROR;
}

namespace plat {

int LiveWaveOuts() {
    std::lock_guard<std::mutex> guard(Devices().lock);
    return static_cast<int>(Devices().devices.size());
}

// Plays the head buffer of every device with at least `queued` buffers written to its
// end, for tests without SDL audio.
int FinishWaveOutBuffers(int queued) {
    Registry &r = Devices();
    std::lock_guard<std::mutex> guard(r.lock);
    int finished = 0;
    for (HWAVEOUT d : r.devices) {
        std::lock_guard<std::mutex> device(d->lock);
        if (!d->sdl && !d->queue.empty() && d->queue.size() >= size_t(std::max(queued, 1))) {
            FinishHead(d);
            finished++;
        }
    }
    return finished;
}

// Waits until every device's notifier has told all it had to tell, or gives up after
// `milliseconds`: a callback that never returns fails the test instead of hanging it.
bool WaitWaveOutNotices(int milliseconds) {
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    for (;;) {
        bool busy = false;
        {
            Registry &r = Devices();
            std::lock_guard<std::mutex> guard(r.lock);
            for (HWAVEOUT d : r.devices) {
                std::lock_guard<std::mutex> device(d->lock);
                busy = busy || !d->notices.empty() || d->telling;
            }
        }
        if (!busy)
            return true;
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

} // namespace plat
