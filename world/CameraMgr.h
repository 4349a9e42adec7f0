// The orbit camera around a pivot on the player's head, and the walking control that
// moves the player and the pivot together.
#pragma once

class CCameraMgr {
  public:
    void InitCamera();
    void SetCamera();
    void ProcessInputs();
};

extern CCameraMgr *CameraMgr;

// Degrees to radians in single precision, as every angle of the game is converted.
const float kDegreesToRadians = 0.017453292f;
