#include "app/Records.h"

// The start values; the player and the camera managers set them again at every GL
// set-up, so nothing depends on these, but the title menu runs with a living player.
structCharacter stCharacter = {30.0f, 0, 0, 50.0f, 0.0f, 40.0f, 0, 0, 0, false, false};
structCamera TheCamera = {50.0f, -3.0f, -60.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 20.0f};
