// The three weapons: the sweep numbers of the selected one, and an attack run frame by
// frame (one sweep, then one step of the swing).
#pragma once

struct structWeapon {
    int reach;          // rows 1 to reach - 1 ahead of the player are swept
    int hitColumnExtra; // added to hitColumnEnd for the column bound
    int hitColumnStart; // first swept column; negative is to the player's left
    int hitColumnEnd;   // columns up to, not including, hitColumnEnd + hitColumnExtra
    float angleX;       // swing 2 of weapon 0: degrees about x
    float angleY;       // swings 0 and 1 of weapon 0: degrees about y
    int swing;          // variant 0..2 of the last attack
};

extern structWeapon stWeapon;

class CWeaponMgr {
  public:
    void InitWeapons();
    void HandleWeapon();
    bool AnimateWeapon();
};

extern CWeaponMgr *WeaponMgr;

// Loads the sweep numbers of weapon 0, 1 or 2 into the (cleared) weapon record; any other
// number loads nothing.
void LoadWeaponRow(int weapon);
