// The game's map drawing leaves out redundant state changes only: from every viewpoint
// it must give exactly the pixels of the literal cell-by-cell drawing.
#include "GameTest.h"
#include "LiteralMapDraw.h"
#include "TestPictures.h"

#include "world/CameraMgr.h"
#include "world/MapMgr.h"
#include "world/TextureMgr.h"

#include <GL/gl.h>
#include <png.h>

#include <cstring>
#include <filesystem>
#include <random>

namespace {

struct View {
    float x, z, yaw, pitch, distance;
};

class MapPixelsTest : public GameTest {
  protected:
    void SetUp() override {
        GameTest::SetUp();
        OpenWindow();
        Main.SetScreen(1);
    }

    static std::vector<uint8_t> Frame(const View &v, bool literal, float tint) {
        stCharacter.posX = v.x;
        stCharacter.posZ = v.z;
        TheCamera = kStartCamera;
        TheCamera.yaw = v.yaw;
        TheCamera.pitch = v.pitch;
        TheCamera.distance = v.distance;
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glLoadIdentity();
        glColor3f(1.0f, tint, tint);
        CameraMgr->SetCamera();
        // The camera pivot sits at the start position; move the world instead so the
        // view is centred on the player wherever the test puts it.
        glTranslatef(50.0f - v.x, 0.0f, 40.0f - v.z);
        if (literal)
            LiteralDrawMap();
        else
            MapMgr->DrawMap();
        std::vector<uint8_t> pixels(size_t(Main.width) * Main.height * 4);
        glReadPixels(0, 0, Main.width, Main.height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
        return pixels;
    }

    static void ExpectSamePixels(const std::vector<View> &views) {
        int index = 0;
        for (const View &v : views) {
            for (float tint : {1.0f, 0.3f}) {
                const std::vector<uint8_t> literal = Frame(v, true, tint);
                const std::vector<uint8_t> fast = Frame(v, false, tint);
                size_t lit = 0, differ = 0, first = 0;
                for (size_t k = 0; k < literal.size(); k += 4) {
                    lit += literal[k] | literal[k + 1] | literal[k + 2];
                    if (std::memcmp(&literal[k], &fast[k], 4) != 0 && differ++ == 0)
                        first = k / 4;
                }
                EXPECT_GT(lit, 0u) << "view " << index << ": nothing drawn";
                EXPECT_EQ(differ, 0u) << "view " << index << " tint " << tint << ": first at x "
                                      << first % Main.width << " y " << first / Main.width;
            }
            index++;
        }
    }
};

// Two-coloured checks, so that a texture turned or mirrored shows.
void WriteCheckedTile(const std::string &path, int k) {
    PngSpec picture;
    picture.width = picture.height = 8;
    picture.colourType = PNG_COLOR_TYPE_RGB;
    const Rgba a = CatalogueColour(k), b = CatalogueColour(99 - k);
    for (int y = 0; y < 8; y++)
        for (int x = 0; x < 8; x++) {
            const Rgba c = (x < 4) != (y < 2) ? a : b;
            picture.rows.insert(picture.rows.end(), {c.r, c.g, c.b});
        }
    WritePng(path, picture);
}

TEST_F(MapPixelsTest, FastDrawingMatchesTheLiteralOneOnAnUnevenMap) {
    {
        ScratchDir scratch;
        scratch.MakeGameDataFolders();
        for (int k = 24; k < 100; k++)
            WriteCheckedTile(CataloguePath(k), k);
        std::filesystem::remove("Game Data/Floor/Floor7.png"); // a tile that fails to load

        TextureMgr->InitTextures();
    }
    std::mt19937 random(1234);
    auto pick = [&](int n) { return static_cast<int>(random() % n); };
    const float heights[] = {0.0f, 0.0f, 0.5f, 1.0f, -0.5f};
    int tile = 0;
    for (int i = 0; i < kMapSize; i++)
        for (int j = 0; j < kMapSize; j++) {
            if (pick(6) == 0)
                tile = pick(62) - 2; // runs of one tile, now and then out of range
            structMap &c = stMap[i][j];
            c = {tile, heights[pick(5)], 2, 0.0f, 0.0f, 0};
            if (pick(5) == 0) {
                const float wallHeights[] = {0.3f, 1.0f, 2.5f, 6.0f};
                const float bases[] = {0.0f, 0.0f, 4.0f};
                c.wallSide = pick(6); // 0 and 5 draw nothing
                c.wallHeight = wallHeights[pick(4)];
                c.wallBase = bases[pick(3)];
                c.wallTexture = pick(20) - 1; // -1 and 18: no texture
            }
        }
    // Fixed views near the map's corners and edges, then views picked at random.
    std::vector<View> views = {{50.5f, 40.5f, 0.0f, 13.0f, 20.0f},
                               {125.0f, 125.0f, 45.0f, 30.0f, 20.0f},
                               {3.0f, 246.0f, 200.0f, 5.0f, 49.0f},
                               {200.0f, 20.0f, 300.0f, 60.0f, 6.0f},
                               {125.0f, 125.0f, 91.0f, 0.0f, 0.0f}};
    for (int k = 0; k < 8; k++)
        views.push_back({2.0f + pick(246), 2.0f + pick(246), float(pick(360)), float(pick(91)),
                         float(pick(45))});
    ExpectSamePixels(views);

    // A short draw distance puts the edges of the drawn square in view, where rows and
    // cells half inside the view must not be left out.
    for (int k = 0; k < 16; k++) {
        Main.drawDistance = 3 + pick(18);
        ExpectSamePixels({{2.0f + pick(246), 2.0f + pick(246), float(pick(360)),
                           float(10 + pick(81)), float(pick(30))}});
    }
}

TEST_F(MapPixelsTest, FastDrawingMatchesTheLiteralOneOnTheGameMap) {
    // InitGL has loaded the game's own pictures and map from the run directory.
    ASSERT_TRUE(std::filesystem::exists("Game Data/Map/Map.txt"));
    ExpectSamePixels({{1.0f, 59.0f, 91.0f, 13.0f, 20.0f},
                      {130.0f, 180.0f, 289.0f, 21.0f, 20.0f},
                      {125.0f, 125.0f, 0.0f, 25.0f, 30.0f},
                      {60.0f, 200.0f, 135.0f, 10.0f, 12.0f},
                      {200.0f, 60.0f, 250.0f, 45.0f, 40.0f}});
}

} // namespace
