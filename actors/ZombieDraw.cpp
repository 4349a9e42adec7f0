// The zombies as sprites: facing the camera while they live and fall, lying where they
// fell once still, cut in two or shot black.
#include "actors/ZombieMgr.h"

#include "app/Main.h"
#include "app/Records.h"
#include "world/CameraMgr.h"
#include "world/MapMgr.h"
#include "world/TextureMgr.h"

#include <GL/gl.h>
#include <cmath>

namespace {

// A corner of a sprite: texture coordinate, and position in half widths and half heights.
struct Corner {
    float s, t, x, y;
};

// The whole picture, mirrored: its left edge on the sprite's right.
const Corner kWhole[4] = {{1, 0, -1, 1}, {0, 0, 1, 1}, {0, 1, 1, -1}, {1, 1, -1, -1}};
// Cut from top-left to bottom-right: the lower-left half stays, the upper-right moves.
const Corner kCutStays1[3] = {{0, 1, 1, -1}, {1, 1, -1, -1}, {1, 0, -1, 1}};
const Corner kCutMoves1[3] = {{1, 0, -1, 1}, {0, 0, 1, 1}, {0, 1, 1, -1}};
// Cut from top-right to bottom-left: the lower-right half stays, the upper-left moves.
const Corner kCutStays2[3] = {{0, 0, 1, 1}, {0, 1, 1, -1}, {1, 1, -1, -1}};
const Corner kCutMoves2[3] = {{1, 1, -1, -1}, {1, 0, -1, 1}, {0, 0, 1, 1}};

// Layer below 0: the picture bound as a texture of its own.
template <int N>
void Emit(GLenum mode, const Corner (&corners)[N], float hw, float hh, float layer) {
    glBegin(mode);
    for (const Corner &c : corners) {
        if (layer < 0.0f)
            glTexCoord2f(c.s, c.t);
        else
            glTexCoord3f(c.s, c.t, layer);
        glVertex3f(c.x * hw, c.y * hh, 0.0f);
    }
    glEnd();
}

void Bind(unsigned picture, float layer) {
    if (layer < 0.0f)
        glBindTexture(GL_TEXTURE_2D, picture);
}

// After a shot zombie's black silhouette, back to the colour of the scene: white, or the
// red of the death fade.
void ShotColourBack() {
    if (stCharacter.health > 0.0f)
        glColor3f(1.0f, 1.0f, 1.0f);
    else
        glColor3f(1.0f, Main.deathTimer, Main.deathTimer);
}

// The view volume as six planes in world space, taken from the projection and the camera
// transform in force. A sprite wholly beyond one of them gives no pixel, so it need not
// be sent: each sprite sent costs a matrix push, a bind and a draw call of its own, and
// most of those around the player are behind or beside the camera.
class ViewVolume {
  public:
    ViewVolume() {
        float m[16];
        WorldToClip(m);
        // Row w plus or minus row x, y or z: the planes -w <= x, y, z <= w.
        for (int axis = 0; axis < 3; axis++)
            for (int side = 0; side < 2; side++) {
                float *plane = planes_[axis * 2 + side];
                const float sign = side ? -1.0f : 1.0f;
                for (int c = 0; c < 4; c++)
                    plane[c] = m[c * 4 + 3] + sign * m[c * 4 + axis];
                const float length =
                    std::sqrt(plane[0] * plane[0] + plane[1] * plane[1] + plane[2] * plane[2]);
                for (int c = 0; c < 4 && length > 0.0f; c++)
                    plane[c] /= length;
            }
    }

    // Surely outside: a sphere beyond one plane, by a margin that rounding cannot cross.
    bool Outside(float x, float y, float z, float radius) const {
        for (const float *p : planes_)
            if (p[0] * x + p[1] * y + p[2] * z + p[3] < -(radius * 1.01f + 0.01f))
                return true;
        return false;
    }

  private:
    float planes_[6][4];
};

} // namespace

bool InDrawSquare(const structZombies &z) {
    // The player's position is truncated to its cell, the zombie's is not.
    const float r = static_cast<float>(Main.drawDistance);
    const float playerX = static_cast<float>(static_cast<int>(stCharacter.posX));
    const float playerZ = static_cast<float>(static_cast<int>(stCharacter.posZ));
    return std::fabs(playerX - z.posX) < r && std::fabs(playerZ - z.posZ) < r;
}

float ZombieFloor(const structZombies &z) {
    const int cx = static_cast<int>(z.posX), cz = static_cast<int>(z.posZ);
    return cx >= 0 && cx < kMapSize && cz >= 0 && cz < kMapSize ? stMap[cx][cz].floorHeight : 0.0f;
}

void DrawZombieSprite(const structZombies &z, unsigned picture, float floor, float layer) {
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
    switch (z.cutStyle) {
    case 0: // whole
        Bind(picture, layer);
        Emit(GL_QUADS, kWhole, hw, hh, layer);
        break;
    case 3: // shot: the same, as a black silhouette
        glColor3f(0.0f, 0.0f, 0.0f);
        Bind(picture, layer);
        Emit(GL_QUADS, kWhole, hw, hh, layer);
        ShotColourBack();
        break;
    case 1:
    case 2: {
        // The two halves, the moving one displaced in the sprite's own frame.
        const bool first = z.cutStyle == 1;
        Bind(picture, layer);
        Emit(GL_TRIANGLES, first ? kCutStays1 : kCutStays2, hw, hh, layer);
        glTranslatef(z.pieceX, z.pieceY, z.pieceZ);
        Emit(GL_TRIANGLES, first ? kCutMoves1 : kCutMoves2, hw, hh, layer);
        break;
    }
    default: // nothing to draw
        break;
    }
    glPopMatrix();
}

void CZombieMgr::DrawZombies() {
    glEnable(GL_BLEND);
    glAlphaFunc(GL_GREATER, 0.0f);
    glEnable(GL_ALPHA_TEST);
    glEnable(GL_TEXTURE_2D);
    // All sprites from one layered texture where there is one: no texture change between
    // them. Otherwise every sprite binds its own picture, so the ones left out change no
    // binding that matters; only a shot zombie's colour outlasts it.
    const LayeredTexture &sprites = TextureMgr->spriteLayers;
    if (sprites.name) {
        glEnable(kLayeredTarget);
        glBindTexture(kLayeredTarget, sprites.name);
    }
    const ViewVolume volume;
    for (const structZombies &z : stZombies) {
        if (!z.active || !InDrawSquare(z))
            continue;
        const float floor = ZombieFloor(z);
        // The sprite turns about its centre; the cut-off half moves by the piece offset.
        const float radius =
            std::sqrt(z.halfWidth * z.halfWidth + z.halfHeight * z.halfHeight) +
            std::sqrt(z.pieceX * z.pieceX + z.pieceY * z.pieceY + z.pieceZ * z.pieceZ);
        if (volume.Outside(z.posX + z.offsetX, z.offsetY + z.posY + floor + z.halfHeight,
                           z.posZ + z.offsetZ - 1.0f, radius)) {
            if (z.cutStyle == 3)
                ShotColourBack(); // what its silhouette would have left behind
            continue;
        }
        const unsigned picture = TextureMgr->GetTexture(ZombieSprite(z.kind, z.frame));
        DrawZombieSprite(z, picture, floor, sprites.name ? sprites.Layer(picture) : -1.0f);
    }

    glDisable(GL_BLEND);
    glDisable(kLayeredTarget);
    glDisable(GL_TEXTURE_2D);
}
