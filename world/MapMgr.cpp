#include "world/MapMgr.h"

#include "actors/CharacterMgr.h"
#include "app/Main.h"
#include "app/Records.h"
#include "input/InputSystem.h"
#include "world/CameraMgr.h"
#include "world/TextureMgr.h"

#include <GL/gl.h>
#include <algorithm>
#include <cmath>
#include <cstdio>

structMap stMap[kMapSize][kMapSize];

CMapMgr::CMapMgr() : firstPerson(false), drawSelector(true), keyHeld(false) {}

void CMapMgr::InitMap() {
    firstPerson = false;
    drawSelector = true;
    keyHeld = false;
    for (auto &row : stMap)
        for (structMap &cell : row)
            cell = {1, 0.0f, 2, 0.0f, 0.0f, 0};
}

void CMapMgr::LoadMap() {
    std::FILE *file = std::fopen(".//Game Data//Map//Map.txt", "r");
    if (!file)
        return; // no map file: the flat map stays
    // One record per cell, i then j: floor tile, floor height, wall base, wall height,
    // and side and wall tile only for a wall. A short or damaged file stops every later
    // read, leaving the remaining cells as they were. The reads stop at the first one that
    // fails: a failed conversion may still consume text (a lone sign), or leave text
    // that another conversion accepts (".5" fails "%i" but not "%f"), so reading on would
    // load the rest of the file into the wrong fields.
    bool reading = true;
    auto read = [&](const char *format, auto *field) {
        reading = reading && std::fscanf(file, format, field) == 1;
        return reading;
    };
    for (auto &row : stMap) {
        for (structMap &cell : row) {
            read("%i ", &cell.floorTexture);
            read("%f ", &cell.floorHeight);
            read("%f ", &cell.wallBase);
            if (read("%f ", &cell.wallHeight) && cell.wallHeight > 0.0f) {
                read("%i ", &cell.wallSide);
                read("%i ", &cell.wallTexture);
            }
            if (!reading)
                break;
        }
        if (!reading)
            break;
    }
    std::fclose(file);
}

namespace {

// Textured quads in the map's own order, without the work that changes no pixel.
//
// Drawn literally, every quad has its own enable, bind, begin, end and disable, and so
// its own draw call; that costs three times the frame budget in software rendering. The
// same pixels come out cheaper:
// - texturing stays on, and a texture is bound only when another one is bound;
// - a quad wholly inside the view volume is sent as a four-vertex triangle fan: Mesa
//   splits such a fan into the same two triangles as a lone quad, and fans are never
//   merged into one primitive (quads run together in one begin/end are split along the
//   other diagonal, which moves pixels on the diagonals);
// - a quad the clipper will cut is drawn exactly as the literal way draws it, as a quad
//   in a draw call of its own;
// - a quad wholly outside one plane of the view volume yields no pixel either way and
//   is left out.
// Each test against the view volume keeps a margin, so that a corner close to a plane
// counts as both possibly inside and possibly outside.
class QuadRun {
  public:
    QuadRun() {
        glEnable(GL_TEXTURE_2D);
        WorldToClip(clip_);
    }
    ~QuadRun() { glDisable(GL_TEXTURE_2D); }

    // What drawing nothing with this texture leaves behind: the texture bound.
    void Bind(unsigned texture) {
        if (!known_ || texture != bound_) {
            glBindTexture(GL_TEXTURE_2D, texture);
            bound_ = texture;
            known_ = true;
        }
    }

    // Corners given as texture coordinate s, t and position x, y, z.
    void Quad(unsigned texture, const float (&corners)[4][5]) {
        unsigned possiblyOutside = 0, surelyOutside = ~0u;
        for (const float *v : corners) {
            unsigned possibly, surely;
            Classify(v[2], v[3], v[4], possibly, surely);
            possiblyOutside |= possibly;
            surelyOutside &= surely;
        }
        if (surelyOutside)
            return;
        const bool cut = possiblyOutside != 0;
        if (cut)
            Separate();
        Bind(texture);
        glBegin(cut ? GL_QUADS : GL_TRIANGLE_FAN);
        for (const float *v : corners) {
            glTexCoord2f(v[0], v[1]);
            glVertex3f(v[2], v[3], v[4]);
        }
        glEnd();
        if (cut)
            Separate();
    }

    // A box wholly beyond one plane of the view volume: nothing inside it gives a pixel.
    bool BoxOutside(float x0, float x1, float y0, float y1, float z0, float z1) const {
        unsigned surelyOutside = ~0u;
        for (float x : {x0, x1})
            for (float y : {y0, y1})
                for (float z : {z0, z1}) {
                    unsigned possibly, surely;
                    Classify(x, y, z, possibly, surely);
                    surelyOutside &= surely;
                }
        return surelyOutside != 0;
    }

  private:
    // Ends the current draw call, as the literal drawing does after every quad.
    static void Separate() {
        glDisable(GL_TEXTURE_2D);
        glEnable(GL_TEXTURE_2D);
    }

    // Outcodes of a corner against the six planes of the view volume (-w..w on x, y
    // and z of clip space): the planes it may lie beyond, and those it surely does.
    void Classify(float x, float y, float z, unsigned &possibly, unsigned &surely) const {
        float c[4];
        for (int r = 0; r < 4; r++)
            c[r] = clip_[r] * x + clip_[4 + r] * y + clip_[8 + r] * z + clip_[12 + r];
        const float in = c[3] * (1.0f - kMargin), out = c[3] * (1.0f + kMargin) + kMargin;
        possibly = surely = 0;
        for (int axis = 0; axis < 3; axis++) {
            const unsigned low = 1u << (2 * axis), high = low << 1;
            possibly |= (c[axis] >= -in ? 0 : low) | (c[axis] <= in ? 0 : high);
            surely |= (c[axis] < -out ? low : 0) | (c[axis] > out ? high : 0);
        }
    }

    static constexpr float kMargin = 1e-3f;
    float clip_[16];
    unsigned bound_ = 0;
    bool known_ = false;
};

} // namespace

void CMapMgr::DrawMap() {
    const int px = static_cast<int>(stCharacter.posX);
    const int pz = static_cast<int>(stCharacter.posZ);
    const int d = Main.drawDistance;
    // The square of cells closer than d to the player's cell on both axes, cut at the
    // map's edges, cell by cell: floor, then wall.
    const int iFirst = px - d + 1 > 0 ? px - d + 1 : 0;
    const int iLast = px + d - 1 < kMapSize - 1 ? px + d - 1 : kMapSize - 1;
    const int jFirst = pz - d + 1 > 0 ? pz - d + 1 : 0;
    const int jLast = pz + d - 1 < kMapSize - 1 ? pz + d - 1 : kMapSize - 1;

    QuadRun run;
    for (int i = iFirst; i <= iLast; i++) {
        const float x0 = i - 0.5f, x1 = i + 0.5f;
        // Most rows of the square lie behind or beside the camera. A row whose cells all
        // lie beyond one plane of the view volume draws nothing, and is passed over
        // whole. (A height that is no number, from a damaged map file, keeps the row.)
        float yLow = stMap[i][jFirst].floorHeight, yHigh = yLow;
        bool finite = true;
        for (int j = jFirst; j <= jLast; j++) {
            const structMap &cell = stMap[i][j];
            finite = finite && std::isfinite(cell.floorHeight);
            yLow = std::min(yLow, cell.floorHeight);
            yHigh = std::max(yHigh, cell.floorHeight);
            if (cell.wallHeight > 0.0f) {
                const float top = cell.wallBase + cell.wallHeight;
                finite = finite && std::isfinite(cell.wallBase) && std::isfinite(top);
                yLow = std::min(yLow, cell.wallBase);
                yHigh = std::max(yHigh, top);
            }
        }
        if (finite && run.BoxOutside(x0, x1, yLow, yHigh, jFirst - 0.5f, jLast + 0.5f))
            continue;
        for (int j = jFirst; j <= jLast; j++) {
            const structMap &cell = stMap[i][j];
            const float z0 = j - 0.5f, z1 = j + 0.5f;
            const float y = cell.floorHeight;
            run.Quad(TextureMgr->GetFloorTexture(cell.floorTexture),
                     {{0, 0, x0, y, z1}, {1, 0, x1, y, z1}, {1, 1, x1, y, z0}, {0, 1, x0, y, z0}});

            if (!(cell.wallHeight > 0.0f))
                continue;
            const unsigned wall = TextureMgr->GetWallTexture(cell.wallTexture);
            const float b = cell.wallBase, t = cell.wallBase + cell.wallHeight;
            switch (cell.wallSide) {
            case 1: // left, x = i - 0.5
                run.Quad(
                    wall,
                    {{1, 0, x0, b, z1}, {1, 1, x0, t, z1}, {0, 1, x0, t, z0}, {0, 0, x0, b, z0}});
                break;
            case 2: // front, z = j + 0.5
                run.Quad(
                    wall,
                    {{0, 0, x0, b, z1}, {1, 0, x1, b, z1}, {1, 1, x1, t, z1}, {0, 1, x0, t, z1}});
                break;
            case 3: // right, x = i + 0.5
                run.Quad(
                    wall,
                    {{1, 0, x1, b, z1}, {1, 1, x1, t, z1}, {0, 1, x1, t, z0}, {0, 0, x1, b, z0}});
                break;
            case 4: // back, z = j - 0.5
                run.Quad(
                    wall,
                    {{0, 0, x0, b, z0}, {1, 0, x1, b, z0}, {1, 1, x1, t, z0}, {0, 1, x0, t, z0}});
                break;
            default: // no side: nothing drawn, the wall texture is left bound
                run.Bind(wall);
                break;
            }
        }
    }
}

void CMapMgr::ProcessInputs() {
    // At most one of these per pass.
    if (Input->KeyDown(DIK_GRAVE) && !keyHeld) {
        firstPerson = !firstPerson;
        if (firstPerson) {
            TheCamera.distance = 0.0f;
            TheCamera.yaw = 0.0f;
            TheCamera.pitch = 0.0f;
            TheCamera.baseZ = -40.0f;
        } else {
            TheCamera.distance = 20.0f;
            TheCamera.baseZ = -60.0f;
        }
    } else if (Input->KeyDown(DIK_COMMA)) {
        if (Main.drawDistance - 1 > 1)
            Main.drawDistance--;
    } else if (Input->KeyDown(DIK_PERIOD)) {
        Main.drawDistance++;
    } else if (Input->KeyDown(DIK_1) && !keyHeld) {
        CharacterMgr->SelectWeapon(0);
    } else if (Input->KeyDown(DIK_2) && !keyHeld) {
        CharacterMgr->SelectWeapon(1);
    } else if (Input->KeyDown(DIK_3) && !keyHeld) {
        CharacterMgr->SelectWeapon(2);
    }

    static const int kHeldKeys[] = {DIK_LBRACKET, DIK_RBRACKET, DIK_1,      DIK_3,  DIK_4,
                                    DIK_F2,       DIK_F3,       DIK_2,      DIK_G,  DIK_C,
                                    DIK_BACK,     DIK_MULTIPLY, DIK_DIVIDE, DIK_F5, DIK_F9};
    static const int kSelectorKeys[] = {DIK_GRAVE, DIK_LEFT, DIK_RIGHT,   DIK_UP,
                                        DIK_DOWN,  DIK_ADD,  DIK_SUBTRACT};
    keyHeld = false;
    for (int key : kHeldKeys)
        keyHeld = keyHeld || Input->KeyDown(key);
    if (drawSelector)
        for (int key : kSelectorKeys)
            keyHeld = keyHeld || Input->KeyDown(key);
}
