// The player character: start values, weapon choice, the start of an attack, the walk
// cycle, the sprite, and the way back from death.
#pragma once

class CCharacterMgr {
  public:
    void InitCharacter();
    void SelectWeapon(int weapon);
    void Attack();
    void HandleWalking();
    void DrawCharacter();
    void Respawn();

    float lastStepTime; // seconds, when the walk picture last changed
};

extern CCharacterMgr *CharacterMgr;

// The current time as the walk cycles measure it: the tick count in seconds, in single
// precision.
float NowSeconds();

// Half the width and the height of the player's sprite in world units.
const float kPlayerHalfWidth = 1.3956f;
const float kPlayerHeight = 3.0f;
