// Setting a scene for tests, benchmarks and the screenshot tool: the player put down
// somewhere with the camera following, as if walked there.
#pragma once

#include "app/Records.h"

// The pivot stays over the player: the camera's track takes up the player's position
// from the base, along x as it is and along z negated, less the distance.
inline void StandAt(float x, float z) {
    stCharacter.posX = x;
    stCharacter.posZ = z;
    TheCamera.trackX = x - TheCamera.baseX;
    TheCamera.trackZ = -z - TheCamera.baseZ - TheCamera.distance;
}
