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
#include <vector>

structMap stMap[kMapSize][kMapSize];

CMapMgr::CMapMgr() : firstPerson(false), drawSelector(true), keyHeld(false), compiled(false) {}

void CMapMgr::InitMap() {
    compiled = false; // a new map, and after a new GL set-up new texture names
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
    compiled = false;
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

// One corner as the arrays hold it: texture s, t and layer r, then x, y and z.
struct Corner {
    float s, t, r, x, y, z;
};

// The cells of a row tested against the view volume together.
const int kSegment = 16;
const int kSegments = (kMapSize + kSegment - 1) / kSegment;

// The static world, compiled once per map and GL set-up: every quad of the map in the map's
// own order (i, then j, floor then wall), with the texture it is drawn with.
//
// The order stays the map's own. The depth buffer has 16 bits and the depth test passes
// equal depths, so where two quads meet, or lie close far off, the one drawn later wins:
// drawing the quads grouped by texture changes those pixels. So that a texture change does
// not end every run of quads, the tiles are drawn from the texture catalogue's layered
// texture where there is one, and the map is then sent in a few long runs with no texture
// change at all.
//
// Each quad is held as two triangles (corners 0 1 2 and 0 2 3), so that a run of quads is
// one draw call: Mesa splits a lone quad into these same two triangles, while quads run
// together in one call are split along the other diagonal, which would move pixels on the
// diagonals. A quad the clipper will cut is drawn exactly as the literal drawing draws it,
// as a quad in a call of its own, because a clipped call goes down another path in Mesa
// whose triangles come out a pixel different here and there.
struct CompiledWorld {
    std::vector<Corner> corners;     // 6 a quad: its triangles
    std::vector<unsigned> textures;  // per quad: the tile's own texture
    std::vector<int> cellFirst;      // per cell in map order, and one past: its first quad
    float low[kMapSize][kSegments];  // the lowest and highest y of a row's segment; NaN
    float high[kMapSize][kSegments]; // when a height is no number (a damaged map file)
    int quads = 0;
    unsigned layered = 0; // the tiles' layered texture; 0: each tile's own texture is bound
};

CompiledWorld world;

// The corners of a cell's quads, floor first, then its wall: texture s, t and x, y, z.
int CellQuads(int i, int j, const structMap &cell, Corner (&out)[2][4]) {
    const float x0 = i - 0.5f, x1 = i + 0.5f, z0 = j - 0.5f, z1 = j + 0.5f;
    const float y = cell.floorHeight;
    const float b = cell.wallBase, t = cell.wallBase + cell.wallHeight;
    const Corner quads[5][4] = {
        {{0, 0, 0, x0, y, z1}, {1, 0, 0, x1, y, z1}, {1, 1, 0, x1, y, z0}, {0, 1, 0, x0, y, z0}},
        // walls: 1 left (x = i - 0.5), 2 front (z = j + 0.5), 3 right (x = i + 0.5),
        // 4 back (z = j - 0.5)
        {{1, 0, 0, x0, b, z1}, {1, 1, 0, x0, t, z1}, {0, 1, 0, x0, t, z0}, {0, 0, 0, x0, b, z0}},
        {{0, 0, 0, x0, b, z1}, {1, 0, 0, x1, b, z1}, {1, 1, 0, x1, t, z1}, {0, 1, 0, x0, t, z1}},
        {{1, 0, 0, x1, b, z1}, {1, 1, 0, x1, t, z1}, {0, 1, 0, x1, t, z0}, {0, 0, 0, x1, b, z0}},
        {{0, 0, 0, x0, b, z0}, {1, 0, 0, x1, b, z0}, {1, 1, 0, x1, t, z0}, {0, 1, 0, x0, t, z0}}};
    std::copy(quads[0], quads[0] + 4, out[0]);
    if (!(cell.wallHeight > 0.0f) || cell.wallSide < 1 || cell.wallSide > 4)
        return 1; // no wall, or a side that draws none
    std::copy(quads[cell.wallSide], quads[cell.wallSide] + 4, out[1]);
    return 2;
}

// The world's quads within the view, sent in the map's order as runs of quads, a run
// ending where a texture has to be bound or a quad is left out or cut. Texturing stays on.
// A quad wholly outside one plane of the view volume yields no pixel either way and is left
// out. Each test against the view volume keeps a margin, so that a corner close to a plane
// counts as both possibly inside and possibly outside.
class QuadRun {
    struct Outcodes;

  public:
    QuadRun() {
        glEnable(target_);
        if (world.layered)
            glBindTexture(kLayeredTarget, world.layered);
        glEnableClientState(GL_VERTEX_ARRAY);
        glEnableClientState(GL_TEXTURE_COORD_ARRAY);
        glVertexPointer(3, GL_FLOAT, sizeof(Corner), &world.corners[0].x);
        glTexCoordPointer(world.layered ? 3 : 2, GL_FLOAT, sizeof(Corner), &world.corners[0].s);
        WorldToClip(clip_);
    }
    ~QuadRun() {
        Flush();
        glDisableClientState(GL_VERTEX_ARRAY);
        glDisableClientState(GL_TEXTURE_COORD_ARRAY);
        glDisable(target_);
        glDisable(GL_TEXTURE_2D); // as the literal drawing leaves it
    }

    // Quads first to last of the world, in a box wholly inside the view volume.
    void Inside(int first, int last) {
        for (int q = first; q < last; q++)
            Add(q);
    }

    // Quads first to last, each tested against the view volume.
    void Tested(int first, int last) {
        for (int q = first; q < last; q++) {
            const GLuint corners[4] = {GLuint(6 * q), GLuint(6 * q + 1), GLuint(6 * q + 2),
                                       GLuint(6 * q + 5)};
            Outcodes codes;
            for (GLuint k : corners)
                Classify(world.corners[k].x, world.corners[k].y, world.corners[k].z, codes);
            if (codes.surely)
                continue;
            if (!codes.possibly) {
                Add(q);
                continue;
            }
            Flush();
            Bind(q);
            glDrawElements(GL_QUADS, 4, GL_UNSIGNED_INT, corners);
        }
    }

    // Whether a box lies wholly beyond one plane of the view volume (-1), wholly inside it
    // with the margin (1), or neither (0).
    int Box(float x0, float x1, float y0, float y1, float z0, float z1) const {
        Outcodes codes;
        for (float x : {x0, x1})
            for (float y : {y0, y1})
                for (float z : {z0, z1})
                    Classify(x, y, z, codes);
        return codes.surely ? -1 : codes.possibly ? 0 : 1;
    }

  private:
    void Add(int q) {
        if (q != end_ || (!world.layered && world.textures[q] != bound_)) {
            Flush();
            Bind(q);
            first_ = q;
        }
        end_ = q + 1;
    }

    void Flush() {
        if (end_ > first_)
            glDrawArrays(GL_TRIANGLES, 6 * first_, 6 * (end_ - first_));
        first_ = end_ = -1;
    }

    void Bind(int q) {
        if (!world.layered && (!known_ || world.textures[q] != bound_)) {
            bound_ = world.textures[q];
            glBindTexture(GL_TEXTURE_2D, bound_);
            known_ = true;
        }
    }

    // The planes of the view volume (-w..w on x, y and z of clip space) that some point
    // of a set may lie beyond, and those that every point surely lies beyond.
    struct Outcodes {
        unsigned possibly = 0, surely = ~0u;
    };

    // Adds a point to the set.
    void Classify(float x, float y, float z, Outcodes &codes) const {
        float c[4];
        for (int r = 0; r < 4; r++)
            c[r] = clip_[r] * x + clip_[4 + r] * y + clip_[8 + r] * z + clip_[12 + r];
        const float in = c[3] * (1.0f - kMargin), out = c[3] * (1.0f + kMargin) + kMargin;
        unsigned surely = 0;
        for (int axis = 0; axis < 3; axis++) {
            const unsigned low = 1u << (2 * axis), high = low << 1;
            codes.possibly |= (c[axis] >= -in ? 0 : low) | (c[axis] <= in ? 0 : high);
            surely |= (c[axis] < -out ? low : 0) | (c[axis] > out ? high : 0);
        }
        codes.surely &= surely;
    }

    static constexpr float kMargin = 1e-3f;
    const GLenum target_ = world.layered ? kLayeredTarget : GL_TEXTURE_2D;
    float clip_[16];
    int first_ = -1, end_ = -1; // the run not yet drawn
    unsigned bound_ = 0;
    bool known_ = false;
};

} // namespace

void CMapMgr::CompileMap() {
    world = CompiledWorld();
    world.cellFirst.assign(kMapSize * kMapSize + 1, 0);
    for (int i = 0; i < kMapSize; i++)
        for (int j = 0; j < kMapSize; j++) {
            const structMap &cell = stMap[i][j];
            world.cellFirst[i * kMapSize + j] = static_cast<int>(world.textures.size());
            Corner quads[2][4];
            const int n = CellQuads(i, j, cell, quads);
            for (int k = 0; k < n; k++) {
                world.textures.push_back(k == 0 ? TextureMgr->GetFloorTexture(cell.floorTexture)
                                                : TextureMgr->GetWallTexture(cell.wallTexture));
                for (int c : {0, 1, 2, 0, 2, 3})
                    world.corners.push_back(quads[k][c]);
            }
            // The segment's height range, as far as its cells' quads reach.
            float &low = world.low[i][j / kSegment], &high = world.high[i][j / kSegment];
            if (j % kSegment == 0)
                low = INFINITY, high = -INFINITY;
            float bottom = cell.floorHeight, top = cell.floorHeight;
            bool finite = std::isfinite(bottom);
            if (n == 2) {
                finite = finite && std::isfinite(cell.wallBase) &&
                         std::isfinite(cell.wallBase + cell.wallHeight);
                bottom = std::min(bottom, cell.wallBase);
                top = std::max(top, cell.wallBase + cell.wallHeight);
            }
            if (!finite || std::isnan(low)) {
                low = high = NAN;
            } else {
                low = std::min(low, bottom);
                high = std::max(high, top);
            }
        }
    world.quads = static_cast<int>(world.textures.size());
    world.cellFirst[kMapSize * kMapSize] = world.quads;

    // Each quad's layer of the tiles' layered texture.
    const LayeredTexture &tiles = TextureMgr->tileLayers;
    world.layered = tiles.name;
    if (world.layered)
        for (int q = 0; q < world.quads; q++) {
            const float layer = tiles.Layer(world.textures[q]);
            for (int c = 0; c < 6; c++)
                world.corners[6 * q + c].r = layer;
        }
    compiled = true;
}

size_t CMapMgr::CompiledBytes() const {
    return world.corners.capacity() * sizeof(Corner) +
           world.textures.capacity() * sizeof(unsigned) + world.cellFirst.capacity() * sizeof(int) +
           sizeof world.low + sizeof world.high +
           (world.layered ? TextureMgr->tileLayers.bytes : 0);
}

bool CMapMgr::CompiledIntoOneTexture() const {
    return world.layered != 0;
}

void CMapMgr::DrawMap() {
    if (!compiled)
        CompileMap();
    const int px = static_cast<int>(stCharacter.posX);
    const int pz = static_cast<int>(stCharacter.posZ);
    const int d = Main.drawDistance;
    // The square of cells closer than d to the player's cell on both axes, cut at the
    // map's edges, cell by cell: floor, then wall.
    const int iFirst = px - d + 1 > 0 ? px - d + 1 : 0;
    const int iLast = px + d - 1 < kMapSize - 1 ? px + d - 1 : kMapSize - 1;
    const int jFirst = pz - d + 1 > 0 ? pz - d + 1 : 0;
    const int jLast = pz + d - 1 < kMapSize - 1 ? pz + d - 1 : kMapSize - 1;
    if (iFirst > iLast || jFirst > jLast)
        return;

    // Most of the square lies behind or beside the camera: the cells of a row are tested
    // in segments, and a segment wholly outside the view volume is passed over, one wholly
    // inside it is sent without a test of its own quads.
    QuadRun run;
    for (int i = iFirst; i <= iLast; i++) {
        const int *first = &world.cellFirst[i * kMapSize];
        for (int s = jFirst / kSegment; s <= jLast / kSegment; s++) {
            const int j0 = std::max(s * kSegment, jFirst);
            const int j1 = std::min(s * kSegment + kSegment - 1, jLast);
            const float low = world.low[i][s], high = world.high[i][s];
            const int box =
                std::isnan(low) ? 0 : run.Box(i - 0.5f, i + 0.5f, low, high, j0 - 0.5f, j1 + 0.5f);
            if (box > 0)
                run.Inside(first[j0], first[j1 + 1]);
            else if (box == 0)
                run.Tested(first[j0], first[j1 + 1]);
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
