// Every picture of the game, loaded into GL textures whenever a context is set up and
// handed out by category and index.
#pragma once

#include "platform/glpng.h"

class CTextureMgr {
  public:
    static const int kSprites = 20;
    static const int kFloors = 58;
    static const int kWalls = 18;
    static const int kMenus = 4;

    CTextureMgr();
    void InitTextures();
    // Texture names; 0 (drawn untextured) for a picture that failed to load and for an
    // index outside the table, since map cells carry tile numbers read from a file.
    unsigned GetTexture(int index) const { return Slot(sprites, kSprites, index); }
    unsigned GetFloorTexture(int index) const { return Slot(floors, kFloors, index); }
    unsigned GetWallTexture(int index) const { return Slot(walls, kWalls, index); }
    unsigned GetMenuTex(int index) const { return Slot(menus, kMenus, index); }

    pngInfo info;
    unsigned sprites[kSprites];
    unsigned floors[kFloors];
    unsigned walls[kWalls];
    unsigned menus[kMenus];

  private:
    static unsigned Slot(const unsigned *table, int size, int index) {
        return index >= 0 && index < size ? table[index] : 0;
    }
};

extern CTextureMgr *TextureMgr;
