#include "app/Records.h"

const structCharacter kStartCharacter = {30.0f, 0, 0, 50.0f, 0.0f, 40.0f, 0, 0, 0, false, false};
const structCamera kStartCamera = {50.0f, -3.0f, -60.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 20.0f};

// Nothing depends on these first values, since the managers set them before the first
// frame, but the title menu runs before the game and wants a living player.
structCharacter stCharacter = kStartCharacter;
structCamera TheCamera = kStartCamera;
