// The zombies as sprites: facing the camera while they live and fall, lying where they
// fell once still, cut in two or shot black.
#include "actors/ZombieMgr.h"

#include "app/Main.h"
#include "app/Records.h"
#include "world/MapMgr.h"
#include "world/TextureMgr.h"

#include <GL/gl.h>
#include <cmath>

namespace {

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
        float view[16], projection[16], m[16];
        glGetFloatv(GL_MODELVIEW_MATRIX, view);
        glGetFloatv(GL_PROJECTION_MATRIX, projection);
        for (int c = 0; c < 4; c++)
            for (int r = 0; r < 4; r++) {
                float sum = 0.0f;
                for (int k = 0; k < 4; k++)
                    sum += projection[k * 4 + r] * view[c * 4 + k];
                m[c * 4 + r] = sum;
            }
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

void CZombieMgr::DrawZombies() {
    glEnable(GL_BLEND);
    glAlphaFunc(GL_GREATER, 0.0f);
    glEnable(GL_ALPHA_TEST);
    glEnable(GL_TEXTURE_2D);

    // A square of cells around the player's cell; the zombie's own position is not
    // truncated.
    const float r = static_cast<float>(Main.drawDistance);
    const float playerX = static_cast<float>(static_cast<int>(stCharacter.posX));
    const float playerZ = static_cast<float>(static_cast<int>(stCharacter.posZ));
    const ViewVolume volume;
    // The texture the last zombie would have left bound, had every one been sent.
    unsigned leftBound = 0, bound = 0;
    bool binds = false, sent = false;
    for (const structZombies &z : stZombies) {
        if (!z.active)
            continue;
        if (std::fabs(playerX - z.posX) >= r || std::fabs(playerZ - z.posZ) >= r)
            continue;
        const int cx = static_cast<int>(z.posX), cz = static_cast<int>(z.posZ);
        const float floor =
            cx >= 0 && cx < kMapSize && cz >= 0 && cz < kMapSize ? stMap[cx][cz].floorHeight : 0.0f;
        const unsigned picture = TextureMgr->GetTexture(ZombieSprite(z.kind, z.frame));
        if (z.cutStyle >= 0 && z.cutStyle <= 3) {
            leftBound = picture;
            binds = true;
        }
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
        if (z.cutStyle >= 0 && z.cutStyle <= 3) {
            bound = picture;
            sent = true;
        }
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
            if (z.cutStyle == 3)
                ShotColourBack();
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
    // The GL state as if every zombie had been sent.
    if (binds && (!sent || bound != leftBound))
        glBindTexture(GL_TEXTURE_2D, leftBound);

    glDisable(GL_BLEND);
    glDisable(GL_TEXTURE_2D);
}
