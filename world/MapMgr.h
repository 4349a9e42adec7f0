// The 250 x 250 tile map: its cells, the map file, drawing the cells around the player,
// and the map keys (first person, draw distance, weapons).
#pragma once

#include <cstddef>

struct structMap {
    int floorTexture;  // floor tile 0..57
    float floorHeight; // world y of the floor square
    int wallSide;      // 1 left, 2 front, 3 right, 4 back; anything else: no wall drawn
    float wallHeight;  // above 0: the cell has a wall
    float wallBase;    // world y of the wall's lower edge
    int wallTexture;   // wall tile 0..17
};

const int kMapSize = 250;

// First index world x, second index world z; cell (i, j) is drawn as the unit square
// centred on (i, j).
extern structMap stMap[kMapSize][kMapSize];

// The cell under a world point: both coordinates truncated toward zero. So the region a
// cell governs lies half a unit toward +x and +z of the square drawn for it.
inline structMap &CellAt(float x, float z) {
    return stMap[static_cast<int>(x)][static_cast<int>(z)];
}

class CMapMgr {
  public:
    CMapMgr();
    void InitMap();
    void LoadMap();
    void DrawMap();
    void ProcessInputs();
    // Builds the arrays DrawMap sends from stMap and the textures' names. DrawMap does it
    // when the map or the GL set-up is new (InitMap and LoadMap ask for it); whoever
    // changes a cell or the textures afterwards clears compiled.
    void CompileMap();
    size_t CompiledBytes() const;        // memory the compiled world holds, its texture too
    bool CompiledIntoOneTexture() const; // whether it draws the tiles as one texture's layers

    bool firstPerson;  // eye on the pivot, no player sprite
    bool drawSelector; // arrows, grave and keypad +/- also hold the debounce
    bool keyHeld;      // debounce: a listed key was down at the end of the last pass
    bool compiled;     // the arrays DrawMap sends are those of the map and textures now
};

extern CMapMgr *MapMgr;
