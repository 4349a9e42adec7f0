#include "world/TextureMgr.h"

#include <GL/gl.h>
#include <cstdio>
#include <cstring>

namespace {

const char *const kSpriteFiles[CTextureMgr::kSprites] = {
    "Game Data\\Wren\\Wren-still.png",
    "Game Data\\Wren\\Wren-walk-1.png",
    "Game Data\\Wren\\Wren-walk-2.png",
    "Game Data\\Wren\\Wren-hit.png",
    "Game Data\\Wren\\Wren-hurt.png",
    "Game Data\\Zombie\\Zombie-still.png",
    "Game Data\\Zombie\\Zombie-walk-1.png",
    "Game Data\\Zombie\\Zombie-walk-2.png",
    "Game Data\\Zombie\\Zombie-girl-still.png",
    "Game Data\\Zombie\\Zombie-girl-walk-1.png",
    "Game Data\\Zombie\\Zombie-girl-walk-2.png",
    "Game Data\\Zombie\\Zombie-Hippie-still.png",
    "Game Data\\Zombie\\Zombie-Hippie-walk-1.png",
    "Game Data\\Zombie\\Zombie-Hippie-walk-2.png",
    "Game Data\\Zombie\\Monkey-still.png",
    "Game Data\\Zombie\\Monkey-walk-1.png",
    "Game Data\\Zombie\\Monkey-walk-2.png",
    "Game Data\\Zombie\\Gourd-still.png",
    "Game Data\\Zombie\\Gourd-walk-1.png",
    "Game Data\\Zombie\\Gourd-walk-2.png",
};

const char *const kMenuFiles[CTextureMgr::kMenus] = {
    "Game Data\\Menus\\Arrow.png",
    "Game Data\\Menus\\Screen1.png",
    "Game Data\\Menus\\Map.png",
    "Game Data\\Menus\\Tarrow.png",
};

// One level, no mipmaps, nearest-neighbour both ways, the file's own alpha.
unsigned Load(const char *path, pngInfo *info, int wrap) {
    return pngBind(path, PNG_NOMIPMAPS, PNG_ALPHA, info, wrap, GL_NEAREST, GL_NEAREST);
}

// "Game Data\Floor\Floor" + "12" + ".png", built the way the catalogue always has.
void LoadNumbered(const char *prefix, unsigned *slots, int count, pngInfo *info) {
    for (int n = 0; n < count; n++) {
        char path[64];
        char number[16];
        std::strcpy(path, prefix);
        std::snprintf(number, sizeof number, "%d", n);
        std::strcat(number, ".png");
        std::strcat(path, number);
        slots[n] = Load(path, info, GL_REPEAT);
    }
}

} // namespace

CTextureMgr::CTextureMgr() : info(), sprites(), floors(), walls(), menus() {}

void CTextureMgr::InitTextures() {
    for (int i = 0; i < kSprites; i++)
        sprites[i] = Load(kSpriteFiles[i], &info, GL_CLAMP);
    for (int i = 0; i < kMenus; i++)
        menus[i] = Load(kMenuFiles[i], &info, GL_CLAMP);
    LoadNumbered("Game Data\\Floor\\Floor", floors, kFloors, &info);
    LoadNumbered("Game Data\\Walls\\Wall", walls, kWalls, &info);
}
