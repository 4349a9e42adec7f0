// Every picture of the game, loaded into GL textures whenever a context is set up and
// handed out by category and index.
#pragma once

#include "platform/glpng.h"

#include <cstddef>
#include <vector>

// Pictures of one size class as the layers of one 3D texture, so that drawing one after
// another needs no texture change (a texture change costs a software renderer a copy of
// its whole sampler state). Each layer gives exactly the texel its picture gives.
// The 3D texture target of GL 1.2, which Windows' own GL header lacks.
const unsigned kLayeredTarget = 0x806F; // GL_TEXTURE_3D

struct LayeredTexture {
    unsigned name = 0;              // 0: the pictures could not be layers; bind each one
    std::vector<unsigned> pictures; // the pictures' own texture names, ascending
    std::vector<float> layers;      // the r coordinate of each one's layer
    size_t bytes = 0;
    // The r coordinate that draws the picture; one not among them draws as name 0 does,
    // untextured.
    float Layer(unsigned picture) const;
};

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
    LayeredTexture tileLayers;   // the floor and wall tiles
    LayeredTexture spriteLayers; // the sprites (the zombies draw from it)

  private:
    static unsigned Slot(const unsigned *table, int size, int index) {
        return index >= 0 && index < size ? table[index] : 0;
    }
};

extern CTextureMgr *TextureMgr;
