// The world map: 250 x 250 cells laid out from code and written in the game's map file
// format (per cell: floor tile, floor height, wall base, wall height, and side and wall
// tile when the wall height is positive).
#pragma once

#include "Catalogue.h"

#include <string>
#include <vector>

namespace art {

struct Cell {
    int floor = Grass;
    float height = 0.0f;
    int side = 2;
    float wallHeight = 0.0f;
    float wallBase = 0.0f;
    int wallTile = 0;
};

struct World {
    std::vector<Cell> cells = std::vector<Cell>(size_t(mapSize) * mapSize);
    Cell &at(int x, int z) { return cells[size_t(x) * mapSize + z]; }
    const Cell &at(int x, int z) const { return cells[size_t(x) * mapSize + z]; }
    // The walking rule: a wall taller than 0.5 blocks, unless it hangs above head height.
    bool blocks(int x, int z) const {
        const Cell &c = at(x, z);
        return c.wallHeight > 0.5f && !(c.wallBase > 3.0f && c.wallBase < 9.0f);
    }
};

World buildWorld();
std::string mapText(const World &w);

} // namespace art
