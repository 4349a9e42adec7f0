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

struct structMap;
// A wall higher than 0.5 stops the player on its whole cell, unless it hangs above head
// height (a base between 3 and 9).
bool BlocksWalking(const structMap &cell);

// The projection times the transform in force (column-major, as GL keeps matrices): what
// takes a world point to clip space, for drawing that leaves out what cannot be seen.
void WorldToClip(float clip[16]);

// Degrees to radians in single precision, as every angle of the game is converted.
const float kDegreesToRadians = 0.017453292f;

// Sine and cosine of a heading in degrees, as the walking and the weapons take them: the
// angle in single-precision radians, the functions in double precision, rounded back. At
// heading h the way ahead on the map is (sin, -cos) and the way to the right (cos, sin).
void HeadingSinCos(float degrees, float &s, float &c);
