#include "LiteralZombieDraw.h"

#include "actors/ZombieMgr.h"

#include "app/Main.h"
#include "app/Records.h"
#include "world/MapMgr.h"
#include "world/TextureMgr.h"

#include <GL/gl.h>
#include <cmath>

void LiteralDrawZombies() {
    glEnable(GL_BLEND);
    glAlphaFunc(GL_GREATER, 0.0f);
    glEnable(GL_ALPHA_TEST);
    glEnable(GL_TEXTURE_2D);

    // A square of cells around the player's cell; the zombie's own position is not
    // truncated.
    const float r = static_cast<float>(Main.drawDistance);
    const float playerX = static_cast<float>(static_cast<int>(stCharacter.posX));
    const float playerZ = static_cast<float>(static_cast<int>(stCharacter.posZ));
    for (const structZombies &z : stZombies) {
        if (!z.active)
            continue;
        if (std::fabs(playerX - z.posX) >= r || std::fabs(playerZ - z.posZ) >= r)
            continue;
        const int cx = static_cast<int>(z.posX), cz = static_cast<int>(z.posZ);
        const float floor =
            cx >= 0 && cx < kMapSize && cz >= 0 && cz < kMapSize ? stMap[cx][cz].floorHeight : 0.0f;
        glPushMatrix();
        glTranslatef(z.posX + z.offsetX, z.offsetY + z.posY + floor, z.posZ + z.offsetZ);
        glTranslatef(0.0f, z.halfHeight, -1.0f); // the sprite's centre, like the player's
        // Alive or still falling: facing the camera. A body at rest keeps its heading.
        if (z.health > 0 || z.hitWeapon != -1)
            glRotatef(-TheCamera.yaw, 0.0f, 1.0f, 0.0f);
        glRotatef(z.bodyYaw, 0.0f, 1.0f, 0.0f);
        glRotatef(z.fallAngleX, 1.0f, 0.0f, 0.0f);
        glRotatef(z.fallAngleZ, 0.0f, 0.0f, 1.0f);

        const float hw = z.halfWidth, hh = z.halfHeight;
        const unsigned picture = TextureMgr->GetTexture(ZombieSprite(z.kind, z.frame));
        switch (z.cutStyle) {
        case 0: // whole; the pictures are drawn mirrored
        case 3: // shot: the same, as a black silhouette
            if (z.cutStyle == 3)
                glColor3f(0.0f, 0.0f, 0.0f);
            glBindTexture(GL_TEXTURE_2D, picture);
            glBegin(GL_QUADS);
            glTexCoord2f(1.0f, 0.0f);
            glVertex3f(-hw, hh, 0.0f);
            glTexCoord2f(0.0f, 0.0f);
            glVertex3f(hw, hh, 0.0f);
            glTexCoord2f(0.0f, 1.0f);
            glVertex3f(hw, -hh, 0.0f);
            glTexCoord2f(1.0f, 1.0f);
            glVertex3f(-hw, -hh, 0.0f);
            glEnd();
            // Back to the colour of the scene: white, or the red of the death fade.
            if (z.cutStyle == 3) {
                if (stCharacter.health > 0.0f)
                    glColor3f(1.0f, 1.0f, 1.0f);
                else
                    glColor3f(1.0f, Main.deathTimer, Main.deathTimer);
            }
            break;
        case 1: // cut from top-left to bottom-right; the upper-right half slides off
            glBindTexture(GL_TEXTURE_2D, picture);
            glBegin(GL_TRIANGLES);
            glTexCoord2f(0.0f, 1.0f);
            glVertex3f(hw, -hh, 0.0f);
            glTexCoord2f(1.0f, 1.0f);
            glVertex3f(-hw, -hh, 0.0f);
            glTexCoord2f(1.0f, 0.0f);
            glVertex3f(-hw, hh, 0.0f);
            glEnd();
            glTranslatef(z.pieceX, z.pieceY, z.pieceZ);
            glBegin(GL_TRIANGLES);
            glTexCoord2f(1.0f, 0.0f);
            glVertex3f(-hw, hh, 0.0f);
            glTexCoord2f(0.0f, 0.0f);
            glVertex3f(hw, hh, 0.0f);
            glTexCoord2f(0.0f, 1.0f);
            glVertex3f(hw, -hh, 0.0f);
            glEnd();
            break;
        case 2: // cut from top-right to bottom-left; the upper-left half slides off
            glBindTexture(GL_TEXTURE_2D, picture);
            glBegin(GL_TRIANGLES);
            glTexCoord2f(0.0f, 0.0f);
            glVertex3f(hw, hh, 0.0f);
            glTexCoord2f(0.0f, 1.0f);
            glVertex3f(hw, -hh, 0.0f);
            glTexCoord2f(1.0f, 1.0f);
            glVertex3f(-hw, -hh, 0.0f);
            glEnd();
            glTranslatef(z.pieceX, z.pieceY, z.pieceZ);
            glBegin(GL_TRIANGLES);
            glTexCoord2f(1.0f, 1.0f);
            glVertex3f(-hw, -hh, 0.0f);
            glTexCoord2f(1.0f, 0.0f);
            glVertex3f(-hw, hh, 0.0f);
            glTexCoord2f(0.0f, 0.0f);
            glVertex3f(hw, hh, 0.0f);
            glEnd();
            break;
        default: // nothing to draw
            break;
        }
        glPopMatrix();
    }

    glDisable(GL_BLEND);
    glDisable(GL_TEXTURE_2D);
}
