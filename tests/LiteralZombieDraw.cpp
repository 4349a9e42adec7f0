#include "LiteralZombieDraw.h"

#include "actors/ZombieMgr.h"
#include "world/TextureMgr.h"

#include <GL/gl.h>

void LiteralDrawZombies() {
    glEnable(GL_BLEND);
    glAlphaFunc(GL_GREATER, 0.0f);
    glEnable(GL_ALPHA_TEST);
    glEnable(GL_TEXTURE_2D);
    for (const structZombies &z : stZombies)
        if (z.active && InDrawSquare(z))
            DrawZombieSprite(z, TextureMgr->GetTexture(ZombieSprite(z.kind, z.frame)),
                             ZombieFloor(z));
    glDisable(GL_BLEND);
    glDisable(GL_TEXTURE_2D);
}
