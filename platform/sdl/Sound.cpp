// The sound system's start and stop, on SDL's audio subsystem. The game plays nothing
// through it, so channel 0 has nothing to stop.
#include "platform/fmod.h"

#include <SDL2/SDL.h>

signed char FSOUND_Init(int mixRate, int maxSoftwareChannels, unsigned int) {
    if (mixRate < 4000 || mixRate > 192000 || maxSoftwareChannels < 0)
        return 0;
    return SDL_WasInit(SDL_INIT_AUDIO) || SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
}

signed char FSOUND_StopSound(int channel) {
    return channel >= 0 && SDL_WasInit(SDL_INIT_AUDIO);
}
