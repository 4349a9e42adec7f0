// The tile map: reading the map file, which cells are drawn, where walls stand, and the
// map keys.
#include "GameTest.h"
#include "TestPictures.h"

#include "world/CameraMgr.h"
#include "world/MapMgr.h"
#include "world/TextureMgr.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <cmath>
#include <filesystem>
#include <fstream>

namespace {

bool SameCell(const structMap &a, const structMap &b) {
    return a.floorTexture == b.floorTexture && a.floorHeight == b.floorHeight &&
           a.wallSide == b.wallSide && a.wallHeight == b.wallHeight && a.wallBase == b.wallBase &&
           a.wallTexture == b.wallTexture;
}

const structMap kReset = {1, 0.0f, 2, 0.0f, 0.0f, 0};

class MapFileTest : public GameTest {
  protected:
    void SetUp() override {
        GameTest::SetUp();
        ASSERT_FALSE(scratch.path().empty());
        std::filesystem::create_directories("Game Data/Map");
        MapMgr->InitMap();
    }
    static void WriteMap(const std::string &text) {
        std::ofstream("Game Data/Map/Map.txt") << text;
    }
    ScratchDir scratch;
};

TEST_F(MapFileTest, RecordsOfFourAndSixFieldsInAnyLayout) {
    stMap[9][9].floorTexture = 42;             // beyond the end of the file: kept as it is
    WriteMap("3\n0.5 0.000000\n\n 2.5   4\t7 " // (0,0): a wall on its back edge
             "0x1F 1e-1 0 0\n"                 // (0,1): hex tile, no wall
             "010 -2.25 4.0 2.0 3 017 "        // (0,2): octal, a raised wall
             "5 0 0 -1 "                       // (0,3): a negative height is no wall
             "6 1.5");                         // (0,4): cut short after two fields
    MapMgr->LoadMap();

    const structMap expected[] = {
        {3, 0.5f, 4, 2.5f, 0.0f, 7},
        {31, 0.1f, 2, 0.0f, 0.0f, 0}, // a record without a wall
                                      // keeps side 2, tile 0
        {8, -2.25f, 3, 2.0f, 4.0f, 15},
        {5, 0.0f, 2, -1.0f, 0.0f, 0},
        {6, 1.5f, 2, 0.0f, 0.0f, 0},
    };
    for (int j = 0; j < 5; j++)
        EXPECT_TRUE(SameCell(stMap[0][j], expected[j])) << "cell (0, " << j << ")";
    EXPECT_TRUE(SameCell(stMap[0][5], kReset));
    EXPECT_TRUE(SameCell(stMap[249][249], kReset));
    EXPECT_EQ(stMap[9][9].floorTexture, 42);
}

TEST_F(MapFileTest, AFieldThatIsNoNumberStopsTheReading) {
    WriteMap("2 0 0 0  7 x 0 0  9 0 0 0");
    MapMgr->LoadMap();
    EXPECT_EQ(stMap[0][0].floorTexture, 2);
    EXPECT_EQ(stMap[0][1].floorTexture, 7);
    EXPECT_EQ(stMap[0][1].floorHeight, 0.0f);
    EXPECT_TRUE(SameCell(stMap[0][2], kReset)); // nothing after the bad field is read
}

TEST_F(MapFileTest, NoFileChangesNothing) {
    stMap[3][4] = {9, 2.0f, 1, 3.0f, 0.5f, 4};
    MapMgr->LoadMap();
    EXPECT_TRUE(SameCell(stMap[3][4], structMap{9, 2.0f, 1, 3.0f, 0.5f, 4}));
    EXPECT_TRUE(SameCell(stMap[0][0], kReset));
}

TEST_F(MapFileTest, AWholeMapIsReadCellByCellAlongTheSecondIndex) {
    std::string text;
    for (int i = 0; i < kMapSize; i++)
        for (int j = 0; j < kMapSize; j++) {
            const bool wall = (i * 7 + j) % 5 == 0;
            text +=
                std::to_string((i + j) % 58) + " " + std::to_string(i % 4) + ".250000 " +
                (wall ? "3.5 1.000000 " + std::to_string(j % 4 + 1) + " " + std::to_string(i % 18)
                      : "0 0") +
                (j % 3 ? " " : "\n");
        }
    WriteMap(text);
    MapMgr->LoadMap();
    int mismatches = 0;
    for (int i = 0; i < kMapSize; i++)
        for (int j = 0; j < kMapSize; j++) {
            const bool wall = (i * 7 + j) % 5 == 0;
            const structMap want =
                wall ? structMap{(i + j) % 58, i % 4 + 0.25f, j % 4 + 1, 1.0f, 3.5f, i % 18}
                     : structMap{(i + j) % 58, i % 4 + 0.25f, 2, 0.0f, 0.0f, 0};
            mismatches += !SameCell(stMap[i][j], want);
        }
    EXPECT_EQ(mismatches, 0);
}

// --- Drawing -----------------------------------------------------------------------

// The polygons DrawMap sends, caught in GL's feedback mode from a top-down orthographic
// view in which window x is world x + 10 and window y is world z + 10.
struct Polygon {
    std::vector<float> x, y, z; // window coordinates of the corners
};

class MapDrawTest : public GameTest {
  protected:
    void SetUp() override {
        GameTest::SetUp();
        seams::UseVirtualClock(0);
        OpenWindow();
        MapMgr->InitMap();
    }

    static std::vector<Polygon> Capture() {
        glViewport(0, 0, 270, 270);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(-10, 260, -10, 260, -100, 100);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glRotatef(-90.0f, 1.0f, 0.0f, 0.0f); // world z becomes window y; y looks at us
        static std::vector<GLfloat> buffer(4'000'000);
        glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_3D, buffer.data());
        glRenderMode(GL_FEEDBACK);
        MapMgr->DrawMap();
        const GLint used = glRenderMode(GL_RENDER);
        // Mesa hands each quad back as two triangles in a row: join them again.
        std::vector<Polygon> polygons;
        bool half = false;
        for (GLint k = 0; k < used;) {
            const int token = static_cast<int>(buffer[k++]);
            if (token == GL_POLYGON_TOKEN) {
                const int n = static_cast<int>(buffer[k++]);
                if (n == 3 && half) {
                    half = false;
                } else {
                    polygons.emplace_back();
                    half = n == 3;
                }
                Polygon &p = polygons.back();
                for (int v = 0; v < n; v++, k += 3) {
                    p.x.push_back(buffer[k]);
                    p.y.push_back(buffer[k + 1]);
                    p.z.push_back(buffer[k + 2]);
                }
            } else if (token == GL_PASS_THROUGH_TOKEN) {
                k++;
            } else {
                ADD_FAILURE() << "unexpected feedback token " << token;
                break;
            }
        }
        Main.ReSizeGLScene(Main.width, Main.height);
        return polygons;
    }
    static float Mean(const std::vector<float> &v) {
        float sum = 0;
        for (float f : v)
            sum += f;
        return sum / v.size();
    }
};

TEST_F(MapDrawTest, TheSquareAroundThePlayerCutAtTheMapEdges) {
    stCharacter.posX = 50.7f;
    stCharacter.posZ = 40.2f;
    Main.drawDistance = 75;
    const std::vector<Polygon> polygons = Capture();
    ASSERT_EQ(polygons.size(), 125u * 115u); // floors only: no walls on the flat map
    int minI = 1000, maxI = -1000, minJ = 1000, maxJ = -1000;
    for (const Polygon &p : polygons) {
        const int i = static_cast<int>(std::lround(Mean(p.x) - 10));
        const int j = static_cast<int>(std::lround(Mean(p.y) - 10));
        minI = std::min(minI, i);
        maxI = std::max(maxI, i);
        minJ = std::min(minJ, j);
        maxJ = std::max(maxJ, j);
    }
    EXPECT_EQ(minI, 0);
    EXPECT_EQ(maxI, 124);
    EXPECT_EQ(minJ, 0);
    EXPECT_EQ(maxJ, 114);

    // In the middle of the map the window is (2d - 1) x (2d - 1) cells.
    stCharacter.posX = 125.0f;
    stCharacter.posZ = 125.0f;
    Main.drawDistance = 3;
    EXPECT_EQ(Capture().size(), 25u);
}

TEST_F(MapDrawTest, EachWallStandsOnItsOwnEdge) {
    stCharacter.posX = 100.0f;
    stCharacter.posZ = 100.0f;
    Main.drawDistance = 2; // cells 99..101 on both axes
    stMap[100][100] = {1, 0.0f, 1, 2.0f, 4.0f, 3};
    // Window x = world x + 10, window y = world z + 10; depth follows world y.
    const struct {
        int side;
        float x0, x1, z0, z1;
    } sides[] = {{1, 99.5f, 99.5f, 99.5f, 100.5f},
                 {2, 99.5f, 100.5f, 100.5f, 100.5f},
                 {3, 100.5f, 100.5f, 99.5f, 100.5f},
                 {4, 99.5f, 100.5f, 99.5f, 99.5f}};
    for (const auto &s : sides) {
        SCOPED_TRACE(s.side);
        stMap[100][100].wallSide = s.side;
        const std::vector<Polygon> polygons = Capture();
        ASSERT_EQ(polygons.size(), 10u); // nine floors and one wall
        // Cell by cell, floor before wall: the wall follows the floor of (100, 100).
        const Polygon &wall = polygons[5];
        const auto [xMin, xMax] = std::minmax_element(wall.x.begin(), wall.x.end());
        const auto [yMin, yMax] = std::minmax_element(wall.y.begin(), wall.y.end());
        EXPECT_NEAR(*xMin - 10, s.x0, 1e-3);
        EXPECT_NEAR(*xMax - 10, s.x1, 1e-3);
        EXPECT_NEAR(*yMin - 10, s.z0, 1e-3);
        EXPECT_NEAR(*yMax - 10, s.z1, 1e-3);
        // From y = 4 to y = 6: two distinct depths, each shared by two corners.
        const auto [dMin, dMax] = std::minmax_element(wall.z.begin(), wall.z.end());
        EXPECT_GT(*dMax - *dMin, 0.005f);
    }
    for (int side : {0, 5, -1}) {
        stMap[100][100].wallSide = side;
        EXPECT_EQ(Capture().size(), 9u) << "side " << side;
    }
    stMap[100][100].wallSide = 3;
    stMap[100][100].wallHeight = 0.0f;
    EXPECT_EQ(Capture().size(), 9u);
}

TEST_F(MapDrawTest, AWallIsSeenOnItsEdgeFromAFixedCamera) {
    // Red walls over a blue floor, seen from 10 units straight above the cell.
    ScratchDir scratch;
    scratch.MakeGameDataFolders();
    WriteSolidPng("Game Data/Floor/Floor1.png", 4, 4, {0, 0, 255, 255});
    WriteSolidPng("Game Data/Walls/Wall0.png", 4, 4, {255, 0, 0, 255});
    TextureMgr->InitTextures();
    stCharacter.posX = 100.5f;
    stCharacter.posZ = 100.5f;
    Main.drawDistance = 10;
    const float mid[5][2] = {{0, 0}, {99.5f, 100}, {100, 100.5f}, {100.5f, 100}, {100, 99.5f}};
    for (int side = 1; side <= 4; side++) {
        SCOPED_TRACE(side);
        stMap[100][100] = {1, 0.0f, side, 4.0f, 0.0f, 0};
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glLoadIdentity();
        gluLookAt(101.0, 10.0, 101.0, 101.0, 0.0, 101.0, 0.0, 0.0, -1.0);
        GLdouble model[16], projection[16];
        GLint viewport[4];
        glGetDoublev(GL_MODELVIEW_MATRIX, model);
        glGetDoublev(GL_PROJECTION_MATRIX, projection);
        glGetIntegerv(GL_VIEWPORT, viewport);
        glColor3f(1, 1, 1);
        MapMgr->DrawMap();
        // The middle of each edge, 3 units up: red only on the edge that has the wall.
        for (int edge = 1; edge <= 4; edge++) {
            GLdouble wx, wy, wz;
            gluProject(mid[edge][0], 3.0, mid[edge][1], model, projection, viewport, &wx, &wy, &wz);
            uint8_t p[4];
            glReadPixels(static_cast<int>(wx), static_cast<int>(wy), 1, 1, GL_RGBA,
                         GL_UNSIGNED_BYTE, p);
            EXPECT_EQ(p[0] > 200 && p[2] < 50, edge == side) << "edge " << edge;
        }
    }
}

// --- Map keys ------------------------------------------------------------------------

class MapKeysTest : public GameTest {
  protected:
    void SetUp() override {
        GameTest::SetUp();
        OpenWindow();
        Main.SetScreen(1);
    }
    static void Pass() {
        Input->Update();
        MapMgr->ProcessInputs();
    }
};

TEST_F(MapKeysTest, GraveTogglesFirstPersonOncePerPress) {
    TheCamera.yaw = 30.0f;
    TheCamera.pitch = 40.0f;
    seams::KeyEvent(DIK_GRAVE, true);
    for (int pass = 0; pass < 3; pass++)
        Pass();
    EXPECT_TRUE(MapMgr->firstPerson);
    EXPECT_EQ(TheCamera.distance, 0.0f);
    EXPECT_EQ(TheCamera.yaw, 0.0f);
    EXPECT_EQ(TheCamera.pitch, 0.0f);
    EXPECT_EQ(TheCamera.baseZ, -40.0f);
    seams::KeyEvent(DIK_GRAVE, false);
    Pass();
    seams::KeyEvent(DIK_GRAVE, true);
    Pass();
    EXPECT_FALSE(MapMgr->firstPerson);
    EXPECT_EQ(TheCamera.distance, 20.0f);
    EXPECT_EQ(TheCamera.baseZ, -60.0f);
}

TEST_F(MapKeysTest, DrawDistanceFollowsCommaAndFullStopEveryPass) {
    seams::KeyEvent(DIK_COMMA, true);
    for (int pass = 0; pass < 100; pass++)
        Pass();
    EXPECT_EQ(Main.drawDistance, 2); // down to 2 and no further
    seams::KeyEvent(DIK_COMMA, false);
    seams::KeyEvent(DIK_PERIOD, true);
    for (int pass = 0; pass < 300; pass++)
        Pass();
    EXPECT_EQ(Main.drawDistance, 302); // no upper limit
}

TEST_F(MapKeysTest, AnyListedKeyHeldBlocksTheToggle) {
    for (int blocker : {DIK_LBRACKET, DIK_F9, DIK_1, DIK_UP, DIK_SUBTRACT}) {
        SCOPED_TRACE(blocker);
        seams::KeyEvent(static_cast<uint8_t>(blocker), true);
        Pass();
        seams::KeyEvent(DIK_GRAVE, true);
        Pass();
        EXPECT_FALSE(MapMgr->firstPerson);
        seams::KeyEvent(static_cast<uint8_t>(blocker), false);
        seams::KeyEvent(DIK_GRAVE, false);
        Pass();
        EXPECT_FALSE(MapMgr->keyHeld);
    }
    // Comma is not on the list, and the toggle comes first in the chain: it wins.
    seams::KeyEvent(DIK_COMMA, true);
    Pass();
    const int distance = Main.drawDistance;
    seams::KeyEvent(DIK_GRAVE, true);
    Pass();
    EXPECT_TRUE(MapMgr->firstPerson);
    EXPECT_EQ(Main.drawDistance, distance);
}

} // namespace
