// How the zombies and the player are drawn: which sprites are sent and in what order,
// where every corner of every picture lands in the world (caught in GL's feedback mode),
// what shows on screen through their clear parts, and that sending only what the camera
// sees changes no pixel.
#include "Harness.h"
#include "Literal.h"

namespace {

// A turn of `degrees` about the x, y or z axis (0, 1, 2), as glRotatef turns.
Vec Turn(const Vec &p, int axis, double degrees) {
    const double a = degrees * M_PI / 180.0, c = std::cos(a), s = std::sin(a);
    if (axis == 0)
        return {p[0], p[1] * c - p[2] * s, p[1] * s + p[2] * c};
    if (axis == 1)
        return {p[0] * c + p[2] * s, p[1], -p[0] * s + p[2] * c};
    return {p[0] * c - p[1] * s, p[0] * s + p[1] * c, p[2]};
}

// Where the picture's corner (s, t) of a zombie belongs: the picture mirrored (its left
// edge on the sprite's right), centred half its height above its cell's floor and one cell
// toward -z, moved by the death animation's offsets; facing the camera while alive or
// falling, at rest turned by its own heading; tipped about its own x, then its own z axis;
// the moving half of a cut body displaced by the piece offset in that frame.
Vec CornerOf(const structZombies &z, float floor, float s, float t, bool moving) {
    Vec p = {(s == 0 ? 1 : -1) * z.halfWidth, (t == 0 ? 1 : -1) * z.halfHeight, 0.0};
    if (moving)
        p = p + Vec{z.pieceX, z.pieceY, z.pieceZ};
    p = Turn(Turn(Turn(p, 2, z.fallAngleZ), 0, z.fallAngleX), 1, z.bodyYaw);
    if (z.health > 0 || z.hitWeapon != -1)
        p = Turn(p, 1, -TheCamera.yaw);
    return p + Vec{z.posX + z.offsetX, floor + z.posY + z.offsetY + z.halfHeight,
                   z.posZ + z.offsetZ - 1.0};
}

class ActorsDrawTest : public GameTest {
  protected:
    void SetUp() override {
        GameTest::SetUp();
        InPlay(50.0f, 40.0f, 75);
        TheCamera.yaw = 0.0f;
    }
    static void Clear() {
        for (structZombies &z : stZombies)
            z.active = false;
    }
    static Capture Zombies(std::array<float, 3> colour = {1, 1, 1}) {
        return CaptureDraw([] { ZombieMgr->DrawZombies(); }, colour);
    }
    // Every sprite is two triangles: a quad split in two, or the two halves of a cut body.
    // Each drawn zombie's corners where they belong, in slot order.
    static void ExpectDrawn(const Capture &frame, const std::vector<int> &slots) {
        ASSERT_EQ(frame.triangles.size(), 2 * slots.size());
        for (size_t k = 0; k < slots.size(); k++) {
            const structZombies &z = stZombies[slots[k]];
            // The floor of the cell it stands in, by truncation; 0 off the map.
            const int cx = int(z.posX), cz = int(z.posZ);
            const float floor = cx >= 0 && cx < kMapSize && cz >= 0 && cz < kMapSize
                                    ? stMap[cx][cz].floorHeight
                                    : 0.0f;
            for (int half = 0; half < 2; half++)
                for (const Corner &c : frame.triangles[2 * k + half]) {
                    const Vec want = CornerOf(z, floor, c.s, c.t,
                                              half == 1 && (z.cutStyle == 1 || z.cutStyle == 2));
                    EXPECT_LT(Length(c.world - want), 2e-3)
                        << "slot " << slots[k] << " corner (" << c.s << ", " << c.t << ")";
                }
        }
    }
};

TEST_F(ActorsDrawTest, EveryActiveZombieInTheSquareIsDrawnInSlotOrderWhereItBelongs) {
    // The square of the draw distance around the player's cell (100, 100): the zombies'
    // own coordinates are not truncated. |100 - 174.9| is in, |100 - 175| out.
    StandAt(100.7f, 100.2f);
    const float edges[][3] = {{174.9f, 100.2f, 1}, {175, 100.2f, 0},    {25.5f, 100.2f, 1},
                              {25, 100.2f, 0},     {100.7f, 174.9f, 1}, {100.7f, 175, 0},
                              {100.7f, 25.5f, 1},  {100.7f, 25, 0},     {174.9f, 25.5f, 1},
                              {130, 175.5f, 0},    {175.2f, 130, 0}};
    std::vector<int> drawn;
    for (int i = 0; i < 11; i++) {
        PlaceZombie(3 * i, i % 5, edges[i][0], edges[i][1]);
        if (edges[i][2])
            drawn.push_back(3 * i);
    }
    ExpectDrawn(Zombies(), drawn);

    // Every state of life and death round the player on floors of every height, some
    // slots empty and two of a style that draws nothing.
    StandAt(60.0f, 60.0f);
    drawn.clear();
    std::mt19937 random(5);
    for (auto &row : stMap)
        for (structMap &c : row)
            c.floorHeight = float(random() % 5) - 1.0f;
    for (int slot = 0; slot < kZombies; slot++) {
        structZombies &z =
            PlaceZombie(slot, slot % 5, 35.3f + slot % 40 * 1.25f, 35.7f + slot / 40 * 2.0f);
        if (slot % 4) { // falling, or at rest; whole, cut or shot
            z.health = 0;
            z.hitWeapon = slot % 4 == 1 ? slot % 3 : -1;
            z.cutStyle = slot / 4 % 4;
            z.fallAngleX = slot % 4 == 1 ? -40.0f : 90.0f;
            z.fallAngleZ = slot % 8 == 3 ? 90.0f : 0.0f;
            z.bodyYaw = float(slot);
            z.pieceX = 0.7f, z.pieceY = -0.4f, z.pieceZ = 0.3f;
            z.offsetX = 0.3f, z.offsetY = -0.4f, z.offsetZ = 0.6f;
        }
        z.active = slot % 7 != 3;
        if (slot == 501 || slot == 502)
            z.cutStyle = slot == 501 ? 4 : -1;
        else if (z.active)
            drawn.push_back(slot);
    }
    for (const auto &[yaw, pitch] : {std::pair{30.0f, 20.0f}, {200.0f, 70.0f}}) {
        TheCamera.yaw = yaw, TheCamera.pitch = pitch;
        ExpectDrawn(Zombies(), drawn);
    }
    // Off the map the floor is 0: cell [130][250] would read [131][0] in memory.
    Clear();
    StandAt(200.5f, 200.5f);
    PlaceZombie(0, 3, 130.5f, 250.5f);
    PlaceZombie(1, 4, 250.0f, 200.5f);
    stMap[131][0].floorHeight = stMap[130][249].floorHeight = stMap[249][200].floorHeight = 7.0f;
    ExpectDrawn(Zombies(), {0, 1});
}

TEST_F(ActorsDrawTest, CutBodiesAndThePlayerShowTheirPicturesAsMeant) {
    // Cut along one diagonal or the other: the moving half shows these picture corners.
    structZombies &cut = PlaceZombie(0, 0, 44.5f, 30.5f);
    for (int style : {1, 2}) {
        cut.cutStyle = style;
        cut.pieceX = 0.7f;
        const Capture frame = Zombies();
        std::set<std::pair<float, float>> moving;
        for (const Corner &c : frame.triangles[1])
            moving.insert({c.s, c.t});
        EXPECT_EQ(moving, (style == 1 ? std::set<std::pair<float, float>>{{1, 0}, {0, 0}, {0, 1}}
                                      : std::set<std::pair<float, float>>{{1, 1}, {1, 0}, {0, 0}}));
    }

    // The player: on its cell's floor, 3 tall and 2 x 1.3956 wide, facing the camera
    // unmirrored; the weapon step follows under the transform left at its feet, also in
    // first person, where no sprite is drawn.
    stMap[120][80].floorHeight = 1.5f;
    stMap[121][80].floorHeight = stMap[120][81].floorHeight = 4.0f; // rounding would read these
    StandAt(120.6f, 80.7f);
    stCharacter.posY = 0.2f;
    const Vec feet = {120.6, 1.7, 79.7};
    for (bool firstPerson : {false, true}) {
        MapMgr->firstPerson = firstPerson;
        TheCamera.yaw = 37.0f;
        GLdouble after[16];
        const Capture frame = CaptureDraw([&] {
            CharacterMgr->DrawCharacter();
            glGetDoublev(GL_MODELVIEW_MATRIX, after);
        });
        ASSERT_EQ(frame.triangles.size(), firstPerson ? 0u : 2u);
        const Vec eyeFeet = frame.ToEye(feet);
        for (const Triangle &tri : frame.triangles)
            for (const Corner &c : tri) {
                EXPECT_NEAR(c.world[1], feet[1] + (c.t == 0 ? 3.0 : 0.0), 2e-3);
                EXPECT_NEAR(c.eye[0] - eyeFeet[0], (c.s == 0 ? -1 : 1) * 1.3956, 2e-3);
            }
        EXPECT_LT(Length(Vec{after[12], after[13], after[14]} - eyeFeet), 2e-3);
        EXPECT_LT(Length(Vec{after[0], after[1], after[2]} - Vec{1, 0, 0}), 1e-4);
    }
}

// (The colours they are drawn in: the shot one's silhouette on screen below, the tint of
// the death fade over the whole scene in PlayTest, the colour left behind in the last test.)
TEST_F(ActorsDrawTest, DrawingLeavesBlendingAndTexturingOffAndTheAlphaTestOn) {
    PlaceZombie(0, 0, 40.0f, 30.0f);
    for (bool player : {false, true}) {
        glEnable(GL_BLEND);
        glEnable(GL_TEXTURE_2D);
        glDisable(GL_ALPHA_TEST);
        glAlphaFunc(GL_ALWAYS, 0.5f);
        glPushMatrix();
        player ? CharacterMgr->DrawCharacter() : ZombieMgr->DrawZombies();
        glPopMatrix();
        GLint func = 0;
        GLfloat ref = -1;
        glGetIntegerv(GL_ALPHA_TEST_FUNC, &func);
        glGetFloatv(GL_ALPHA_TEST_REF, &ref);
        EXPECT_TRUE(!glIsEnabled(GL_BLEND) && !glIsEnabled(GL_TEXTURE_2D) &&
                    glIsEnabled(GL_ALPHA_TEST));
        EXPECT_TRUE(func == GL_GREATER && ref == 0.0f);
    }
}

// --- On screen -----------------------------------------------------------------------------

// A game frame without the map: the player's sprite, then the zombies.
void Render(bool player) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    glColor3f(1.0f, 1.0f, 1.0f);
    CameraMgr->SetCamera();
    glPushMatrix();
    if (player)
        CharacterMgr->DrawCharacter();
    glPopMatrix();
    glPushMatrix();
    ZombieMgr->DrawZombies();
    glPopMatrix();
}

TEST_F(ActorsDrawTest, EachShowsItsOwnPictureCutOutBlendedOrAsASilhouette) {
    {
        ScratchDir scratch;
        scratch.MakeGameDataFolders();
        WriteCatalogue(); // every picture its own colour
        TextureMgr->InitTextures();
    }
    TheCamera.pitch = 10.0f;
    for (int k = 0; k < 18; k++) {
        const bool player = k >= 15;
        structZombies &z = PlaceZombie(0, k / 3 % 5, 50.0f, 30.0f);
        z.frame = k % 3;
        z.active = !player;
        stCharacter.frame = k % 3;
        Render(player);
        const Rgba got =
            player ? ProjectedPixel(50.0, 1.5, 39.0) : ProjectedPixel(50.0, z.halfHeight, 29.0);
        const Rgba want = CatalogueColour(player ? k % 3 : 5 + k);
        EXPECT_TRUE(Near(got, want)) << (player ? "player" : "zombie") << " picture " << k % 3
                                     << " of " << k / 3 << ": " << got << " instead of " << want;
    }

    // Pictures whose left half is painted and right half clear.
    auto halfClear = [](int k, Rgba left) {
        PngSpec picture;
        picture.width = picture.height = 8;
        picture.colourType = PNG_COLOR_TYPE_RGB_ALPHA;
        for (int i = 0; i < 64; i++) {
            const Rgba c = i % 8 < 4 ? left : Rgba{0, 0, 0, 0};
            picture.rows.insert(picture.rows.end(), {c.r, c.g, c.b, c.a});
        }
        WritePng(CataloguePath(k), picture);
    };
    const Rgba red = {255, 0, 0, 255}, green = {0, 255, 0, 255}, black = {0, 0, 0, 255},
               grey = {128, 128, 128, 255}, halfBlue = {0, 0, 255, 128},
               blueOverGrey = {64, 64, 191, 255};
    {
        ScratchDir scratch;
        scratch.MakeGameDataFolders();
        halfClear(0, halfBlue); // the player standing
        halfClear(5, red);      // a zombie standing
        WriteSolidPng(CataloguePath(8), 4, 4, green);
        WriteSolidPng(CataloguePath(11), 4, 4, halfBlue);
        TextureMgr->InitTextures();
    }
    stCharacter.frame = 0;
    glClearColor(0.5f, 0.5f, 0.5f, 1.0f);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA); // as the title menu leaves it
    TheCamera.pitch = 0.0f;
    PlaceZombie(0, 0, 46.0f, 30.0f); // in front, half clear...
    PlaceZombie(1, 1, 45.4f, 25.0f); // ...and a green one behind it, drawn later
    structZombies &shot = PlaceZombie(2, 0, 54.0f, 30.0f);
    shot.health = 0;
    shot.hitWeapon = 2;
    shot.cutStyle = 3;
    PlaceZombie(3, 0, 50.0f, 30.0f); // straight behind the player
    PlaceZombie(4, 2, 42.0f, 30.0f); // see-through
    Render(true);
    const struct {
        double x, y, z;
        Rgba want;
        const char *what;
    } points[] = {
        {46.75, 1.875, 29, red, "the front zombie's painted half, mirrored"},
        {45.25, 1.875, 29, green, "the zombie behind, through the clear half"},
        {54.75, 1.875, 29, black, "the shot zombie's silhouette"},
        {53.25, 1.875, 29, grey, "the background, through the shot one's clear half"},
        {50.75, 1.875, 29, red, "the zombie behind the player's clear half, after the black one"},
        {49.3, 1.5, 39, blueOverGrey, "the player's half-transparent half"},
        {42.0, 1.875, 29, blueOverGrey, "the half-transparent zombie"},
    };
    for (const auto &p : points) {
        const Rgba got = ProjectedPixel(p.x, p.y, p.z);
        EXPECT_TRUE(Near(got, p.want)) << p.what << ": " << got << " instead of " << p.want;
    }
}

TEST_F(ActorsDrawTest, DrawingOnlyWhatTheCameraSeesChangesNoPixelNorTheColourLeft) {
    MapMgr->LoadMap();
    std::mt19937 random(77);
    auto uniform = [&](float lo, float hi) {
        return std::uniform_real_distribution<float>(lo, hi)(random);
    };
    std::vector<std::array<float, 5>> views = {
        {1, 59, 91, 13, 20}, {130, 180, 289, 21, 20}, {125, 125, 0, 0, 0}, {3, 3, 225, 60, 6}};
    for (int k = 0; k < 6; k++)
        views.push_back(
            {uniform(2, 248), uniform(2, 248), uniform(-400, 400), uniform(0, 90), uniform(0, 49)});
    for (size_t index = 0; index < views.size(); index++) {
        const auto &v = views[index];
        // The population as placed, then crowded round the player in every state, so that
        // many sprites straddle the edges of the view.
        GameSrand(unsigned(index) + 1);
        ZombieMgr->InitZombies();
        for (int i = 0; i < 400; i++) {
            structZombies &z = stZombies[(i * 7 + index) % kZombies];
            z.posX = v[0] + uniform(-20, 20);
            z.posZ = v[1] + uniform(-20, 20);
            z.frame = i % 3;
            z.health = i % 6 < 3 ? 0 : 100;
            z.hitWeapon = i % 6 == 0 ? i % 3 : i % 6 == 1 ? 1 : -1;
            z.cutStyle = i % 6 == 1 ? 1 + i % 2 : i % 6 == 2 ? 3 : i % 6 == 3 ? 4 : 0;
            z.fallAngleX = i % 6 == 0 ? uniform(-90, 90) : i % 6 == 2 ? -90.0f : 0.0f;
            z.fallAngleZ = i % 6 == 0 ? uniform(-90, 90) : 0.0f;
            z.pieceX = i % 6 == 1 ? uniform(-1.4f, 1.4f) : 0.0f;
            z.pieceZ = i % 12 == 1 ? uniform(0, 3) : 0.0f;
            z.bodyYaw = i % 6 == 2 ? uniform(-360, 360) : 0.0f;
        }
        // White in play, the red of the death fade, and the red the death message leaves
        // when the player has just risen again.
        for (int scene = 0; scene < 3; scene++) {
            Pixels pixels[2];
            GLfloat colour[2][4];
            for (int literal = 0; literal < 2; literal++) {
                TheCamera = kStartCamera;
                TheCamera.yaw = v[2], TheCamera.pitch = v[3], TheCamera.distance = v[4];
                StandAt(v[0], v[1]);
                stCharacter.health = scene == 1 ? 0.0f : 30.0f;
                Main.deathTimer = scene == 1 ? 0.4f : 1.0f;
                glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
                glLoadIdentity();
                glColor3f(1.0f, scene == 2 ? 0.0f : Main.deathTimer,
                          scene == 2 ? 0.0f : Main.deathTimer);
                CameraMgr->SetCamera();
                glPushMatrix();
                MapMgr->DrawMap();
                glPopMatrix();
                glPushMatrix();
                literal ? LiteralDrawZombies() : ZombieMgr->DrawZombies();
                glPopMatrix();
                pixels[literal] = Grab();
                glGetFloatv(GL_CURRENT_COLOR, colour[literal]);
            }
            std::string first;
            EXPECT_EQ(Differing(pixels[0], pixels[1], &first), 0u)
                << "view " << index << " scene " << scene << ": first at " << first;
            EXPECT_EQ(std::memcmp(colour[0], colour[1], sizeof colour[0]), 0) << "view " << index;
        }
    }
}

} // namespace
