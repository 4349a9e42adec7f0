#include "LiteralMapDraw.h"

#include "app/Main.h"
#include "app/Records.h"
#include "world/MapMgr.h"
#include "world/TextureMgr.h"

#include <GL/gl.h>
#include <cstdlib>

void LiteralDrawMap() {
    const int px = static_cast<int>(stCharacter.posX);
    const int pz = static_cast<int>(stCharacter.posZ);
    const int d = Main.drawDistance;
    for (int i = 0; i < 250; i++) {
        if (std::abs(px - i) >= d)
            continue;
        for (int j = 0; j < 250; j++) {
            if (std::abs(pz - j) >= d)
                continue;
            const structMap &c = stMap[i][j];
            const float fi = static_cast<float>(i), fj = static_cast<float>(j);
            glEnable(GL_TEXTURE_2D);
            glBindTexture(GL_TEXTURE_2D, TextureMgr->GetFloorTexture(c.floorTexture));
            glBegin(GL_QUADS);
            glTexCoord2f(0, 0);
            glVertex3f(fi - 0.5f, c.floorHeight, fj + 0.5f);
            glTexCoord2f(1, 0);
            glVertex3f(fi + 0.5f, c.floorHeight, fj + 0.5f);
            glTexCoord2f(1, 1);
            glVertex3f(fi + 0.5f, c.floorHeight, fj - 0.5f);
            glTexCoord2f(0, 1);
            glVertex3f(fi - 0.5f, c.floorHeight, fj - 0.5f);
            glEnd();
            glDisable(GL_TEXTURE_2D);
            if (c.wallHeight > 0.0f) {
                const float b = c.wallBase, t = c.wallBase + c.wallHeight;
                glEnable(GL_TEXTURE_2D);
                glBindTexture(GL_TEXTURE_2D, TextureMgr->GetWallTexture(c.wallTexture));
                glBegin(GL_QUADS);
                switch (c.wallSide) {
                case 1:
                    glTexCoord2f(1, 0);
                    glVertex3f(fi - 0.5f, b, fj + 0.5f);
                    glTexCoord2f(1, 1);
                    glVertex3f(fi - 0.5f, t, fj + 0.5f);
                    glTexCoord2f(0, 1);
                    glVertex3f(fi - 0.5f, t, fj - 0.5f);
                    glTexCoord2f(0, 0);
                    glVertex3f(fi - 0.5f, b, fj - 0.5f);
                    break;
                case 2:
                    glTexCoord2f(0, 0);
                    glVertex3f(fi - 0.5f, b, fj + 0.5f);
                    glTexCoord2f(1, 0);
                    glVertex3f(fi + 0.5f, b, fj + 0.5f);
                    glTexCoord2f(1, 1);
                    glVertex3f(fi + 0.5f, t, fj + 0.5f);
                    glTexCoord2f(0, 1);
                    glVertex3f(fi - 0.5f, t, fj + 0.5f);
                    break;
                case 3:
                    glTexCoord2f(1, 0);
                    glVertex3f(fi + 0.5f, b, fj + 0.5f);
                    glTexCoord2f(1, 1);
                    glVertex3f(fi + 0.5f, t, fj + 0.5f);
                    glTexCoord2f(0, 1);
                    glVertex3f(fi + 0.5f, t, fj - 0.5f);
                    glTexCoord2f(0, 0);
                    glVertex3f(fi + 0.5f, b, fj - 0.5f);
                    break;
                case 4:
                    glTexCoord2f(0, 0);
                    glVertex3f(fi - 0.5f, b, fj - 0.5f);
                    glTexCoord2f(1, 0);
                    glVertex3f(fi + 0.5f, b, fj - 0.5f);
                    glTexCoord2f(1, 1);
                    glVertex3f(fi + 0.5f, t, fj - 0.5f);
                    glTexCoord2f(0, 1);
                    glVertex3f(fi - 0.5f, t, fj - 0.5f);
                    break;
                default:
                    break;
                }
                glEnd();
                glDisable(GL_TEXTURE_2D);
            }
        }
    }
}
