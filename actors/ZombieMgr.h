// The thousand zombies: placement, chase, wander and bite, the walk cycle, the weapon
// sweep with its kills and death animations, and the drawing.
#pragma once

struct structZombies {
    int kind;      // 0 Zombie, 1 Zombie-girl, 2 Zombie-Hippie, 3 Monkey, 4 Gourd
    float offsetX; // drawn body displaced from posX by the death animation
    float offsetY; // drawn body sunk by the death animation
    float offsetZ; // drawn body displaced from posZ
    float hitYaw;  // camera yaw in degrees when the killing blow landed
    int hitWeapon; // weapon of the killing blow while the body falls; -1 otherwise
    float pieceX;  // the cut-off half of a cut body, displaced
    float pieceY;
    float pieceZ;
    bool active;        // the slot holds a zombie
    int health;         // alive while above 0
    float lastStepTime; // seconds, when the walk picture last changed
    float wanderX;      // what is left of the wander leg along x, signed
    float wanderZ;      // and along z
    int hitSwing;       // swing variant of the killing blow
    float posX;         // world position in map cells
    float posY;
    float posZ;
    bool wandering;   // a wander leg is under way
    float bodyYaw;    // heading of a body that has finished falling
    float fallAngleX; // fall rotation about x, degrees
    float fallAngleZ; // fall rotation about z, degrees
    int cutStyle;     // 0 whole, 1 and 2 cut along a diagonal, 3 shot black
    int frame;        // walk picture: 0 still, 1 walk-1, 2 walk-2
    bool walking;     // the walk cycle runs
    float halfWidth;  // of the sprite
    float halfHeight;
};

const int kZombies = 1000;
extern structZombies stZombies[kZombies];

// A zombie of a kind as the population starts it, before it has a place: full health,
// unhit, standing still, the sprite size of its kind; not yet active.
structZombies FreshZombie(int kind);

class CZombieMgr {
  public:
    void InitZombies();
    void HandleWalking();
    void HandleAI();
    void HitZombies(int weapon);
    bool HitResult(int slot);
    void HandleHit();
    void DrawZombies();
};

extern CZombieMgr *ZombieMgr;

// The cell of a coordinate as the weapon sweep counts it: rounded half up, then
// truncated toward zero (the rest of the game only truncates).
inline int SweepCell(float v) {
    if (v - static_cast<float>(static_cast<int>(v)) >= 0.5f)
        v = v + 1.0f;
    return static_cast<int>(v);
}

// Drawing one zombie: whether it lies in the square of the draw distance around the
// player's cell, the floor it stands on (0 off the map), and its sprite with its own
// transform on that floor, drawn with the given picture under the camera transform: bound
// as a texture of its own, or with a layer, from that layer of the layered texture bound.
bool InDrawSquare(const structZombies &z);
float ZombieFloor(const structZombies &z);
void DrawZombieSprite(const structZombies &z, unsigned picture, float floor, float layer = -1.0f);

// The texture catalogue's sprite of a zombie picture.
inline int ZombieSprite(int kind, int frame) {
    return 5 + 3 * kind + frame;
}
