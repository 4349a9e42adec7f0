// The sound system's start and stop. The game plays nothing through it (its music goes
// straight to wave-out), so starting it only checks the request and that a wave-out
// device is there, and channel 0 has nothing to stop.
#include "platform/fmod.h"
#include "platform/win32/mmsystem.h"

signed char FSOUND_Init(int mixRate, int maxSoftwareChannels, unsigned int) {
    if (mixRate < 4000 || mixRate > 192000 || maxSoftwareChannels < 0)
        return 0;
    return waveOutGetNumDevs() > 0;
}

signed char FSOUND_StopSound(int channel) {
    return channel >= 0;
}
