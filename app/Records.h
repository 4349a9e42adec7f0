// The two records nearly every part of the game reads and writes: the player and the
// camera. Plain globals with static storage; their start values are set when the
// player and the camera are initialised.
#pragma once

struct structCharacter {
    float health;   // alive while above 0; full health is 30
    int killCount;  // zombies killed; kept over a respawn
    int deathCount; // times died; kept over a respawn
    float posX;     // world x in map cells
    float posY;     // sprite height above the floor of the player's cell
    float posZ;     // world z in map cells
    int moveState;  // 0 standing, 1 walking forward, 2 walking backward
    int frame;      // sprite shown: 0 still, 1 walk-1, 2 walk-2
    int weapon;     // selected weapon 0..2
    bool shotSpent; // a shot of weapon 2 already killed during this press
    bool attacking; // an attack is running
};

struct structCamera {
    float baseX;    // base displacement of the pivot along x
    float baseY;    // negated pivot height above the floor of the player's cell
    float baseZ;    // base displacement along z (enters negated)
    float trackX;   // accumulated displacement along x
    float trackY;   // displacement along y
    float trackZ;   // accumulated displacement along z
    float yaw;      // degrees about the vertical axis
    float pitch;    // degrees of tilt: 0 level, 90 straight down
    float distance; // from the pivot back to the eye
};

extern structCharacter stCharacter;
extern structCamera TheCamera;

// The start values. The player and camera managers set them at every GL set-up.
extern const structCharacter kStartCharacter;
extern const structCamera kStartCamera;
