// The world: the map drawn exactly as the literal cell-by-cell drawing draws it, walls on
// their edges, the map keys, walking with its collisions and borders, and the orbit camera
// with its mouse look and zoom. (The map file: FilesTest.)
#include "Harness.h"
#include "Literal.h"
#include "../bench/Places.h"

namespace {

class WorldTest : public GameTest {
  protected:
    void SetUp() override {
        GameTest::SetUp();
        InPlay(50.5f, 50.5f);
        TheCamera.yaw = 0.0f;
    }
    // The in-game input of passes of the main loop with these keys held.
    static void Step(std::initializer_list<uint8_t> keys, int passes = 1) {
        for (uint8_t k : keys)
            seams::KeyEvent(k, true);
        for (int p = 0; p < passes; p++) {
            Input->Update();
            Input->ProcessInput();
            CameraMgr->ProcessInputs();
            MapMgr->ProcessInputs();
        }
        for (uint8_t k : keys)
            seams::KeyEvent(k, false);
        Input->Update();
    }

    // What the view transform makes of the world, against what the camera means: the
    // pivot over the player's head straight ahead of the eye at the camera's distance, the
    // eye looking along the heading tilted down by the pitch, the horizon level.
    static void ExpectView(const std::string &what) {
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        CameraMgr->SetCamera();
        float m[16];
        glGetFloatv(GL_MODELVIEW_MATRIX, m);
        auto apply = [&](Vec v, double w) {
            return Vec{m[0] * v[0] + m[4] * v[1] + m[8] * v[2] + m[12] * w,
                       m[1] * v[0] + m[5] * v[1] + m[9] * v[2] + m[13] * w,
                       m[2] * v[0] + m[6] * v[1] + m[10] * v[2] + m[14] * w};
        };
        const structCamera &c = TheCamera;
        const double h = CellAt(stCharacter.posX, stCharacter.posZ).floorHeight;
        const double yaw = c.yaw * M_PI / 180.0, pitch = c.pitch * M_PI / 180.0;
        const Vec pivot = {c.baseX + c.trackX, h - c.baseY - c.trackY,
                           -(c.baseZ + c.trackZ + c.distance)};
        const Vec ahead = {std::sin(yaw) * std::cos(pitch), -std::sin(pitch),
                           -std::cos(yaw) * std::cos(pitch)};
        const Vec right = {std::cos(yaw), 0.0, std::sin(yaw)};
        EXPECT_LT(Length(apply(pivot, 1) - Vec{0, 0, -c.distance}), 5e-3) << what << ": pivot";
        EXPECT_LT(Length(apply(ahead, 0) - Vec{0, 0, -1}), 1e-4) << what << ": heading";
        EXPECT_LT(Length(apply(right, 0) - Vec{1, 0, 0}), 1e-4) << what << ": horizon";
        // The pivot stays over the player, as walking and zooming keep it.
        EXPECT_NEAR(pivot[0], stCharacter.posX, 1e-3) << what;
        EXPECT_NEAR(pivot[2], stCharacter.posZ, 1e-3) << what;
    }
};

// --- Drawing -----------------------------------------------------------------------------

// The map from a viewpoint, the literal way or the game's; the world moved so that the
// view is centred on the player wherever the test puts it. In first person the eye sits on
// the pivot, as the grave key puts it.
Pixels MapFrame(const Place &p, float distance, bool firstPerson, bool literal, float tint) {
    TheCamera.yaw = p.yaw;
    TheCamera.pitch = p.pitch;
    TheCamera.distance = firstPerson ? 0.0f : distance;
    TheCamera.baseZ = firstPerson ? -40.0f : -60.0f;
    StandAt(p.x, p.z);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    glColor3f(1.0f, tint, tint);
    CameraMgr->SetCamera();
    literal ? LiteralDrawMap() : MapMgr->DrawMap();
    return Grab();
}

void ExpectLikeTheLiteralDrawing(const Place &p, float distance, bool firstPerson = false) {
    for (float tint : {1.0f, 0.3f}) {
        const Pixels literal = MapFrame(p, distance, firstPerson, true, tint);
        std::string first;
        EXPECT_EQ(Differing(literal, MapFrame(p, distance, firstPerson, false, tint), &first), 0u)
            << "from " << p.x << ", " << p.z << " yaw " << p.yaw << " pitch " << p.pitch
            << " distance " << distance << (firstPerson ? " first person" : "") << " draw distance "
            << Main.drawDistance << " tint " << tint << ": first at " << first;
        EXPECT_NE(literal, Pixels(literal.size(), 0)) << "nothing drawn";
    }
}

// Two-coloured checks for every tile (a tile turned or mirrored shows), of three heights,
// but for one that fails to load; with an odd tile, one of them a width the tiles cannot
// share one texture with.
void LoadChecks(bool oddTile) {
    ScratchDir scratch;
    scratch.MakeGameDataFolders();
    for (int k = 24; k < 100; k++) {
        PngSpec check;
        check.width = oddTile && k == 40 ? 12 : 8;
        check.height = 8 << (k % 3);
        for (int y = 0; y < check.height; y++)
            for (int x = 0; x < check.width; x++) {
                const Rgba c = CatalogueColour((x < 4) != (y < 2) ? k : 99 - k);
                check.rows.insert(check.rows.end(), {c.r, c.g, c.b});
            }
        if (k != 31)
            WritePng(CataloguePath(k), check);
    }
    TextureMgr->InitTextures();
    MapMgr->compiled = false;
}

TEST_F(WorldTest, TheMapIsDrawnPixelForPixelAsTheLiteralDrawingDrawsIt) {
    // The game's own map and pictures from the benchmarks' places, at draw distances that
    // the map keys change from one frame to the next, in the orbit view and in first person.
    MapMgr->LoadMap();
    for (int d : {75, 30, 140}) {
        Main.drawDistance = d;
        for (const Place &p : kPlaces)
            ExpectLikeTheLiteralDrawing(p, 20.0f, d == 30);
    }
    EXPECT_TRUE(MapMgr->CompiledIntoOneTexture());

    // Then an uneven map of checks, runs of one tile, tiles out of range, walls of every
    // side, height and base, with no texture now and then: the tiles as one texture, and
    // with a tile too wide for that, each tile bound in turn.
    LoadChecks(false);
    std::mt19937 random(1234);
    auto pick = [&](int n) { return int(random() % n); };
    const float heights[] = {0.0f, 0.0f, 0.5f, 1.0f, -0.5f}, walls[] = {0.3f, 1.0f, 2.5f, 6.0f};
    int tile = 0;
    for (auto &row : stMap)
        for (structMap &c : row) {
            if (pick(6) == 0)
                tile = pick(62) - 2;
            c = {tile, heights[pick(5)], 2, 0.0f, 0.0f, 0};
            if (pick(5) == 0)
                c = {
                    tile,        c.floorHeight, pick(6), walls[pick(4)], pick(3) == 2 ? 4.0f : 0.0f,
                    pick(20) - 1};
        }
    const std::vector<Place> views = {{"", 50.5f, 40.5f, 0, 13},
                                      {"", 125, 125, 45, 30},
                                      {"", 3, 246, 200, 5},
                                      {"", 200, 20, 300, 60},
                                      {"", 125, 125, 91, 0}};
    const float distances[] = {20, 20, 49, 6, 0};
    Main.drawDistance = 75;
    for (size_t k = 0; k < views.size(); k++)
        ExpectLikeTheLiteralDrawing(views[k], distances[k]);
    EXPECT_TRUE(MapMgr->CompiledIntoOneTexture());
    LoadChecks(true);
    for (size_t k = 0; k < 3; k++)
        ExpectLikeTheLiteralDrawing(views[k], distances[k]);
    EXPECT_FALSE(MapMgr->CompiledIntoOneTexture());
    // Then at random; a short draw distance puts the edges of the drawn square in view,
    // where rows and cells half inside it must not be left out.
    LoadChecks(false);
    for (int k = 0; k < 24; k++) {
        Main.drawDistance = k < 8 ? 75 : 3 + pick(18);
        const Place p = {"", 2.0f + pick(246), 2.0f + pick(246), float(pick(360)),
                         float(k < 8 ? pick(91) : 10 + pick(81))};
        ExpectLikeTheLiteralDrawing(p, float(pick(45)), k % 4 == 0);
    }
}

TEST_F(WorldTest, TheMapKeysActAsPressedOrHeld) {
    // The grave key: first person and back, once per press however long it is held.
    Mouse->posX = 30.0f;
    Mouse->posY = -40.0f;
    Step({DIK_GRAVE});
    EXPECT_TRUE(MapMgr->firstPerson);
    EXPECT_EQ(TheCamera.distance + TheCamera.yaw + TheCamera.pitch, 0.0f);
    EXPECT_EQ(TheCamera.baseZ, -40.0f);
    Step({}); // a pass with the key let go
    Step({DIK_GRAVE}, 3);
    EXPECT_FALSE(MapMgr->firstPerson);
    EXPECT_EQ(TheCamera.distance, 20.0f);
    EXPECT_EQ(TheCamera.baseZ, -60.0f);
    // Comma and full stop every pass while held: down to 2, up without a limit.
    Step({DIK_COMMA}, 100);
    EXPECT_EQ(Main.drawDistance, 2);
    Step({DIK_PERIOD}, 300);
    EXPECT_EQ(Main.drawDistance, 302);
    // Any listed key held blocks the toggle; comma is not listed, and the toggle wins.
    for (uint8_t blocker : {DIK_LBRACKET, DIK_F9, DIK_1, DIK_UP, DIK_SUBTRACT}) {
        seams::KeyEvent(blocker, true);
        Step({});
        Step({DIK_GRAVE});
        seams::KeyEvent(blocker, false);
        EXPECT_FALSE(MapMgr->firstPerson) << "key " << int(blocker);
        Step({});
        EXPECT_FALSE(MapMgr->keyHeld);
    }
    seams::KeyEvent(DIK_COMMA, true);
    Step({});
    const int distance = Main.drawDistance;
    Step({DIK_GRAVE});
    seams::KeyEvent(DIK_COMMA, false);
    EXPECT_TRUE(MapMgr->firstPerson);
    EXPECT_EQ(Main.drawDistance, distance);
}

// --- Walking and the camera --------------------------------------------------------------

TEST_F(WorldTest, WalkingStepsAlongTheHeadingWithThePivotAndWallsStopIt) {
    const struct {
        std::initializer_list<uint8_t> keys;
        float yaw, dx, dz;
        int moveState;
    } steps[] = {
        {{DIK_W}, 0, 0, -0.4f, 1},           {{DIK_W}, 90, 0.4f, 0, 1},
        {{DIK_S}, 90, -0.4f, 0, 2},          {{DIK_D}, 0, 0.4f, 0, 0},
        {{DIK_A}, 0, -0.4f, 0, 0},           {{DIK_A}, 90, 0, -0.4f, 0},
        {{DIK_W, DIK_S}, 0, 0, -0.4f, 1}, // forward only
        {{DIK_A, DIK_D}, 0, 0, 0, 0},     // they cancel
        {{DIK_W, DIK_D}, 0, 0.4f, -0.4f, 1},
    };
    for (const auto &s : steps) {
        StandAt(50.5f, 50.5f);
        Mouse->posX = s.yaw;
        stCharacter.moveState = 0;
        Step(s.keys);
        SCOPED_TRACE(testing::Message() << "yaw " << s.yaw << " keys " << s.keys.size());
        EXPECT_NEAR(stCharacter.posX - 50.5f, s.dx, 1e-5);
        EXPECT_NEAR(stCharacter.posZ - 50.5f, s.dz, 1e-5);
        EXPECT_EQ(stCharacter.moveState, s.moveState);
        ExpectView("after the step");
    }
    // Letting go of W and S shows the still picture; a sideways step leaves it alone.
    stCharacter.frame = 2;
    Step({});
    EXPECT_EQ(stCharacter.moveState * 10 + stCharacter.frame, 0);
    stCharacter.frame = 1;
    Step({DIK_D}, 2);
    EXPECT_EQ(stCharacter.frame, 1);

    // A wall higher than 0.5 blocks its whole cell, unless it hangs above head height; the
    // probe 1.4 ahead finds one two cells away. A refused move changes nothing.
    const struct {
        float height, base, z;
        bool blocks;
    } walls[] = {{0.5f, 0, 50.5f, false}, {0.6f, 0, 50.5f, true},  {2, 3, 50.5f, true},
                 {2, 3.5f, 50.5f, false}, {2, 8.9f, 50.5f, false}, {2, 9, 50.5f, true},
                 {3, 0, 51.2f, true}};
    for (const auto &w : walls) {
        MapMgr->InitMap();
        StandAt(50.5f, w.z);
        Mouse->posX = 0.0f;
        stCharacter.moveState = 0;
        stMap[50][49] = {1, 0.0f, 4, w.height, w.base, 0};
        Step({DIK_W});
        EXPECT_EQ(stCharacter.posZ == w.z && stCharacter.moveState == 0, w.blocks)
            << "height " << w.height << " base " << w.base << " from z " << w.z;
    }
}

// The position along a border's axis whose probe, 1.4 ahead in single precision as the
// walking control sums it, lands exactly on the border; 0 if none.
float ProbeOnTheBorder(float look, float limit) {
    float p = limit - look;
    for (int i = 0; i < 8; i++)
        p = std::nextafter(p, limit);
    for (int i = 0; i < 16; i++, p = std::nextafter(p, limit - 2 * look))
        if (p + look == limit)
            return p;
    return 0.0f;
}

TEST_F(WorldTest, AProbeExactlyOnABorderRefusesTheMoveAndOneShortTakesIt) {
    const struct {
        uint8_t key;
        float yaw, angle, sign; // the move's heading, and -1 when walking backward
        bool alongX;
        float limit;
    } borders[] = {{DIK_W, 90, 90, 1, true, 250},
                   {DIK_A, 0, -90, 1, true, 0},
                   {DIK_W, 0, 0, 1, false, 0},
                   {DIK_S, 0, 0, -1, false, 250}};
    for (const auto &b : borders) {
        SCOPED_TRACE(testing::Message() << "border " << b.limit << (b.alongX ? " of x" : " of z"));
        float s, c;
        HeadingSinCos(b.angle, s, c);
        const float look = b.sign * (b.alongX ? 1.4f * s : -1.4f * c);
        const float step = b.sign * (b.alongX ? 0.4f * s : -0.4f * c);
        const float on = ProbeOnTheBorder(look, b.limit);
        ASSERT_NE(on, 0.0f);
        auto along = [&] { return b.alongX ? stCharacter.posX : stCharacter.posZ; };
        auto place = [&](float p, float across) {
            StandAt(b.alongX ? p : across, b.alongX ? across : p);
            Mouse->posX = b.yaw;
        };
        // On x = 250 a probe let through would read past the map's end: many rows, so
        // that some of what lies there does not block and the move shows.
        for (int row = 0; row < (b.alongX && b.limit == 250 ? 60 : 1); row++) {
            place(on, row + 0.5f);
            Step({b.key}, 3);
            EXPECT_EQ(along(), on) << "row " << row;
        }
        // One float toward the middle, and a whole step short: taken.
        const float inside = std::nextafter(on, b.limit - 2 * look);
        place(inside, 125.5f);
        Step({b.key});
        EXPECT_EQ(along(), inside + step);
        place(on - step, 125.5f);
        Step({b.key});
        EXPECT_EQ(along(), (on - step) + step);
        Step({b.key}, 5); // held on: the walk stops where the probe meets the border
        EXPECT_LE(std::fabs(along() - on), 0.4f + 1e-4f);
        EXPECT_GE(std::fabs(b.limit - along()), 1.0f - 1e-4f);
    }
}

TEST_F(WorldTest, TheMouseTurnsAndTiltsTheCameraAndTheWheelZoomsAboutThePivot) {
    // The yaw is the mouse's accumulated position, wrapped once; 20 counts a degree.
    const float positions[][2] = {{370, 10}, {-10, 350}, {-400, -40}, {800, 440}};
    for (const auto &p : positions) {
        Mouse->posX = p[0];
        Step({});
        EXPECT_FLOAT_EQ(TheCamera.yaw, p[1]) << "mouse at " << p[0];
    }
    seams::MouseMotion(20, 0);
    Step({});
    EXPECT_FLOAT_EQ(TheCamera.yaw, 441.0f);
    EXPECT_FLOAT_EQ(Mouse->posX, 801.0f) << "the accumulator itself is never wrapped";
    // Toward the user tilts down, held at 90, nothing stored beyond; then up to level.
    seams::MouseMotion(0, 5000);
    Step({});
    EXPECT_EQ(TheCamera.pitch, 90.0f);
    seams::MouseMotion(0, -20);
    Step({});
    EXPECT_FLOAT_EQ(TheCamera.pitch, 89.0f);
    seams::MouseMotion(0, -99999);
    Step({});
    EXPECT_EQ(TheCamera.pitch, 0.0f);

    // One step a pass however far the wheel turns, between 6 and 49, about the pivot;
    // first person moves the pivot by the zoom.
    Mouse->posY = -13.0f;
    StandAt(50.5f, 50.5f);
    stMap[50][50].floorHeight = 1.5f; // the eye rises with the floor under the player
    for (const auto &[notches, passes, distance] :
         {std::tuple{-3, 4, 24.0f}, {-1, 40, 49.0f}, {1, 60, 6.0f}, {-1, 5, 11.0f}}) {
        for (int k = 0; k < passes; k++) {
            seams::MouseWheel(notches);
            Step({});
        }
        EXPECT_EQ(TheCamera.distance, distance);
        ExpectView("zoomed to " + std::to_string(distance));
    }
    const float pivotZ = -(TheCamera.baseZ + TheCamera.trackZ + TheCamera.distance);
    Step({DIK_GRAVE});
    EXPECT_EQ(-(TheCamera.baseZ + TheCamera.trackZ + TheCamera.distance), pivotZ - 9.0f);
    Step({});
    Step({DIK_GRAVE});
    EXPECT_EQ(TheCamera.distance, 20.0f);
    // Not in the game: the wheel does nothing.
    Main.screen = 0;
    seams::MouseWheel(-1);
    Step({});
    EXPECT_EQ(TheCamera.distance, 20.0f);
}

} // namespace
