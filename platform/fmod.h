// The sound system's start and stop, on SDL's audio subsystem. The game plays no sound
// through it; it is started with the window and its channel 0 stopped with it.
#pragma once

signed char FSOUND_Init(int mixRate, int maxSoftwareChannels, unsigned int flags);
signed char FSOUND_StopSound(int channel);
