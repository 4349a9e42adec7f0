// The wave-out audio device the game streams its music to, on SDL2 audio. Written
// buffers play in order; each one played (or handed back by a reset) is reported to the
// callback as WOM_DONE on a thread of the device's own, never on the caller's thread.
// The callback may write buffers again. waveOutClose returns only once no callback runs
// any more.
#pragma once

#include "platform/Win32.h"

typedef uintptr_t DWORD_PTR;
typedef UINT MMRESULT;
struct HWAVEOUT__;
typedef HWAVEOUT__ *HWAVEOUT;

#define WAVE_MAPPER ((UINT)-1)
#define WAVE_FORMAT_PCM 1
#define CALLBACK_FUNCTION 0x00030000
#define WAVE_ALLOWSYNC 0x00000002

#define WOM_OPEN 0x3BB
#define WOM_CLOSE 0x3BC
#define WOM_DONE 0x3BD

#define MMSYSERR_NOERROR 0
#define MMSYSERR_ERROR 1
#define MMSYSERR_BADDEVICEID 2
#define MMSYSERR_ALLOCATED 4
#define MMSYSERR_INVALHANDLE 5
#define MMSYSERR_NODRIVER 6
#define MMSYSERR_NOMEM 7
#define MMSYSERR_INVALFLAG 10
#define MMSYSERR_INVALPARAM 11
#define MMSYSERR_HANDLEBUSY 12
#define WAVERR_BADFORMAT 32
#define WAVERR_STILLPLAYING 33
#define WAVERR_UNPREPARED 34

#define WHDR_DONE 0x00000001
#define WHDR_PREPARED 0x00000002
#define WHDR_INQUEUE 0x00000010

struct WAVEFORMATEX {
    WORD wFormatTag;
    WORD nChannels;
    DWORD nSamplesPerSec;
    DWORD nAvgBytesPerSec;
    WORD nBlockAlign;
    WORD wBitsPerSample;
    WORD cbSize;
};

struct WAVEHDR {
    LPSTR lpData;
    DWORD dwBufferLength;
    DWORD dwBytesRecorded;
    DWORD_PTR dwUser;
    DWORD dwFlags;
    DWORD dwLoops;
    WAVEHDR *lpNext;
    DWORD_PTR reserved;
};

typedef void(CALLBACK *LPWAVECALLBACK)(HWAVEOUT device, UINT message, DWORD_PTR instance,
                                       DWORD_PTR param1, DWORD_PTR param2);

MMRESULT waveOutOpen(HWAVEOUT *device, UINT deviceId, const WAVEFORMATEX *format,
                     DWORD_PTR callback, DWORD_PTR instance, DWORD flags);
MMRESULT waveOutPrepareHeader(HWAVEOUT device, WAVEHDR *header, UINT size);
MMRESULT waveOutUnprepareHeader(HWAVEOUT device, WAVEHDR *header, UINT size);
MMRESULT waveOutWrite(HWAVEOUT device, WAVEHDR *header, UINT size);
MMRESULT waveOutReset(HWAVEOUT device);
MMRESULT waveOutClose(HWAVEOUT device);
