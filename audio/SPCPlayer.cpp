#include "audio/SPCPlayer.h"

#include <cstdlib>
#include <cstring>

SPCPlayer Player;
structWav Wav;

// An entry point of the library by name, as the function type it really has.
template <typename Function> Function SPCPlayer::EntryPoint(const char *name) const {
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(library, name)));
}

void SPCPlayer::InitSPCPlayer() {
    // Called at every GL set-up: the library and the buffers of the first call serve
    // all later ones.
    if (!library) {
        library = LoadLibraryA("SNESAPU.DLL");
        loadSPCFile = EntryPoint<LoadSPCFileProc>("LoadSPCFile");
        emuAPU = EntryPoint<EmuAPUProc>("EmuAPU");
    }
    WavInit();
}

void SPCPlayer::WavInit() {
    // Signed 16-bit stereo at the sound processor's own 32 kHz.
    Wav.format.wFormatTag = WAVE_FORMAT_PCM;
    Wav.format.nChannels = 2;
    Wav.format.nSamplesPerSec = 32000;
    Wav.format.nAvgBytesPerSec = 128000;
    Wav.format.nBlockAlign = 4;
    Wav.format.wBitsPerSample = 16;
    Wav.format.cbSize = 0;
    Wav.bufferSize = 12800; // 3200 frames: 100 ms
    for (char *&buffer : Wav.buffers)
        if (!buffer)
            buffer = static_cast<char *>(std::malloc(Wav.bufferSize));
}

void SPCPlayer::LoadSPC(const char *path) {
    fileHandle = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    // Only the bytes read replace the image; a missing file leaves the previous tune.
    ReadFile(fileHandle, spcImage, kSpcImageSize, &bytesRead, nullptr);
}

bool SPCPlayer::WavOpen() {
    if (Wav.playing)
        return true;
    // Without the emulator library, or its entry points, the game runs silent.
    if (!loadSPCFile || !emuAPU || !Wav.buffers[0] || !Wav.buffers[1])
        return false;
    if (waveOutOpen(&Wav.device, WAVE_MAPPER, &Wav.format, reinterpret_cast<DWORD_PTR>(WaveOutDone),
                    0, CALLBACK_FUNCTION | WAVE_ALLOWSYNC) != MMSYSERR_NOERROR) {
        Wav.device = nullptr;
        return false;
    }
    for (int i = 0; i < 2; i++) {
        std::memset(&Wav.headers[i], 0, sizeof(WAVEHDR));
        if (i == 0)
            Wav.playing = true;
        Wav.headers[i].lpData = Wav.buffers[i];
        Wav.headers[i].dwBufferLength = Wav.bufferSize;
        waveOutPrepareHeader(Wav.device, &Wav.headers[i], sizeof(WAVEHDR));
    }
    // Nothing plays yet, so no completion can overlap the load or the two first renders.
    loadSPCFile(spcImage);
    for (int i = 0; i < 2 && Wav.playing; i++) {
        emuAPU(Wav.buffers[i], Wav.bufferSize / Wav.format.nBlockAlign, 1);
        waveOutWrite(Wav.device, &Wav.headers[i], sizeof(WAVEHDR));
    }
    return Wav.playing;
}

void SPCPlayer::WavClose() {
    if (!Wav.playing)
        return;
    // Cleared before the reset, so the buffers it hands back are not queued again.
    Wav.playing = false;
    waveOutReset(Wav.device);
    waveOutUnprepareHeader(Wav.device, &Wav.headers[0], sizeof(WAVEHDR));
    waveOutUnprepareHeader(Wav.device, &Wav.headers[1], sizeof(WAVEHDR));
    // Returns once no completion runs any more: a refill that had begun before the flag
    // was cleared is finished before anything loads a new tune into the library.
    waveOutClose(Wav.device);
    Wav.device = nullptr;
}

void SPCPlayer::CloseSPCPlayer() {
    CloseHandle(fileHandle);
    fileHandle = nullptr;
    WavClose();
    if (Wav.buffers[0]) {
        std::free(Wav.buffers[1]);
        std::free(Wav.buffers[0]);
        Wav.buffers[0] = Wav.buffers[1] = nullptr;
    }
    if (library) {
        FreeLibrary(library);
        library = nullptr;
        loadSPCFile = nullptr;
        emuAPU = nullptr;
    }
}

void CALLBACK WaveOutDone(HWAVEOUT device, UINT message, DWORD_PTR, DWORD_PTR header, DWORD_PTR) {
    if (message != WOM_DONE || !Wav.playing)
        return;
    // The buffer that came back is rendered anew and queued behind the other one.
    WAVEHDR *done = reinterpret_cast<WAVEHDR *>(header);
    Player.emuAPU(done->lpData, Wav.bufferSize / Wav.format.nBlockAlign, 1);
    waveOutWrite(device, done, sizeof(WAVEHDR));
}
