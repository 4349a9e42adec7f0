// The SPC music player: an emulator library loaded at run time renders the tune, and two
// buffers of 100 ms take turns on the wave-out device, refilled by its completion
// callback on the device's thread.
#pragma once

#include "platform/mmsystem.h"

#include <atomic>

const unsigned kSpcImageSize = 0x10200; // 66048 bytes

typedef void (*LoadSPCFileProc)(void *image);
typedef void *(*EmuAPUProc)(void *buffer, uint32_t count, uint8_t type);

class SPCPlayer {
  public:
    void InitSPCPlayer();
    void WavInit();
    void LoadSPC(const char *path);
    bool WavOpen();
    void WavClose();
    void CloseSPCPlayer();

    LoadSPCFileProc loadSPCFile;
    EmuAPUProc emuAPU;
    HANDLE fileHandle; // the tune file of the last LoadSPC, open until the next switch
    HMODULE library;
    DWORD bytesRead;
    unsigned char spcImage[kSpcImageSize];

  private:
    template <typename Function> Function EntryPoint(const char *name) const;
};

struct structWav {
    HWAVEOUT device;
    WAVEFORMATEX format;
    WAVEHDR headers[2];
    // Shared with the completion thread: set once the device is open and cleared before
    // it is reset, so that buffers handed back are not queued again.
    std::atomic<bool> playing;
    DWORD bufferSize;
    char *buffers[2];
};

extern SPCPlayer Player;
extern structWav Wav;

void CALLBACK WaveOutDone(HWAVEOUT device, UINT message, DWORD_PTR instance, DWORD_PTR header,
                          DWORD_PTR second);
