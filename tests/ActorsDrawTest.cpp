// How the zombies and the player's sprite are drawn. GL's feedback mode hands back every
// triangle with its window position, colour and texture coordinates; under a large
// orthographic projection that maps straight back to the camera's own space (x to the
// right of the screen, y up, z toward the eye) and, through the camera transform, to the
// world. Which picture is shown and what shows through its clear parts is read from real
// pixels.
#include "GameTest.h"
#include "TestPictures.h"

#include "actors/CharacterMgr.h"
#include "actors/ZombieMgr.h"
#include "world/CameraMgr.h"
#include "world/MapMgr.h"
#include "world/TextureMgr.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <png.h>

#include <array>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace {

using Vec = std::array<double, 3>;

Vec operator+(const Vec &a, const Vec &b) {
    return {a[0] + b[0], a[1] + b[1], a[2] + b[2]};
}
Vec operator-(const Vec &a, const Vec &b) {
    return {a[0] - b[0], a[1] - b[1], a[2] - b[2]};
}
double Length(const Vec &a) {
    return std::sqrt(a[0] * a[0] + a[1] * a[1] + a[2] * a[2]);
}

// A turn of `degrees` about the x, y or z axis (0, 1, 2), counter-clockwise seen from
// the positive end of the axis.
Vec Turn(const Vec &p, int axis, double degrees) {
    const double a = degrees * M_PI / 180.0, c = std::cos(a), s = std::sin(a);
    switch (axis) {
    case 0:
        return {p[0], p[1] * c - p[2] * s, p[1] * s + p[2] * c};
    case 1:
        return {p[0] * c + p[2] * s, p[1], -p[0] * s + p[2] * c};
    default:
        return {p[0] * c - p[1] * s, p[0] * s + p[1] * c, p[2]};
    }
}

struct Corner {
    Vec eye; // seen by the camera: x to the right, y up, z toward the eye
    Vec world;
    float colour[4];
    float s, t;
};
using Triangle = std::array<Corner, 3>;

// What one draw call sent, and the camera transform it was drawn under.
struct Frame {
    std::vector<Triangle> triangles;
    double camera[16];

    Vec ToEye(const Vec &w) const {
        Vec e;
        for (int i = 0; i < 3; i++)
            e[i] = camera[i] * w[0] + camera[4 + i] * w[1] + camera[8 + i] * w[2] + camera[12 + i];
        return e;
    }
};

// Window units are eye units: x and y offset by half the viewport, depth spread over
// -kDepth..kDepth. Large enough that nothing in these tests is clipped.
const int kViewport = 1000;
const double kDepth = 1000.0;

// Draws under the game's camera transform, with `colour` current as the frame loop leaves
// it, and catches what was sent.
Frame Capture(const std::function<void()> &draw, std::array<float, 3> colour = {1, 1, 1}) {
    glViewport(0, 0, kViewport, kViewport);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-kViewport / 2.0, kViewport / 2.0, -kViewport / 2.0, kViewport / 2.0, -kDepth, kDepth);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glColor3f(colour[0], colour[1], colour[2]);
    CameraMgr->SetCamera();
    Frame frame;
    glGetDoublev(GL_MODELVIEW_MATRIX, frame.camera);

    static std::vector<GLfloat> buffer(400'000);
    glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_3D_COLOR_TEXTURE, buffer.data());
    glRenderMode(GL_FEEDBACK);
    glPushMatrix();
    draw();
    glPopMatrix();
    const GLint used = glRenderMode(GL_RENDER);
    Main.ReSizeGLScene(Main.width, Main.height);
    EXPECT_GE(used, 0) << "feedback buffer too small";

    const double *m = frame.camera;
    auto corner = [&](const GLfloat *v) {
        Corner c;
        c.eye = {v[0] - kViewport / 2.0, v[1] - kViewport / 2.0, kDepth * (1.0 - 2.0 * v[2])};
        // The camera transform is rigid: its inverse is the transposed rotation.
        const Vec d = {c.eye[0] - m[12], c.eye[1] - m[13], c.eye[2] - m[14]};
        for (int j = 0; j < 3; j++)
            c.world[j] = m[4 * j] * d[0] + m[4 * j + 1] * d[1] + m[4 * j + 2] * d[2];
        for (int k = 0; k < 4; k++)
            c.colour[k] = v[3 + k];
        c.s = v[7];
        c.t = v[8];
        return c;
    };
    const int stride = 11; // x y z, r g b a, s t r q
    for (GLint k = 0; k < used;) {
        const int token = static_cast<int>(buffer[k++]);
        if (token == GL_POLYGON_TOKEN) {
            const int n = static_cast<int>(buffer[k++]);
            std::vector<Corner> corners;
            for (int v = 0; v < n; v++, k += stride)
                corners.push_back(corner(&buffer[k]));
            for (int v = 1; v + 1 < n; v++) // a fan, should a quad come back whole
                frame.triangles.push_back({corners[0], corners[v], corners[v + 1]});
        } else if (token == GL_PASS_THROUGH_TOKEN) {
            k++;
        } else {
            ADD_FAILURE() << "unexpected feedback token " << token;
            break;
        }
    }
    return frame;
}

// Every sprite is two triangles: a quad split in two, or the two halves of a cut body.
using Sprite = std::array<Triangle, 2>;

std::vector<Sprite> Sprites(const Frame &frame) {
    EXPECT_EQ(frame.triangles.size() % 2, 0u);
    std::vector<Sprite> sprites;
    for (size_t k = 0; k + 1 < frame.triangles.size(); k += 2)
        sprites.push_back({frame.triangles[k], frame.triangles[k + 1]});
    return sprites;
}

// The corner of a triangle or sprite that shows the picture's corner (s, t).
const Corner *Find(const Triangle &tri, float s, float t) {
    for (const Corner &c : tri)
        if (c.s == s && c.t == t)
            return &c;
    return nullptr;
}
const Corner &At(const Sprite &sprite, float s, float t) {
    for (const Triangle &tri : sprite)
        if (const Corner *c = Find(tri, s, t))
            return *c;
    ADD_FAILURE() << "no corner with texture coordinate (" << s << ", " << t << ")";
    static const Corner none{};
    return none;
}
// The half of a cut body that shows the three picture corners given.
const Triangle &Half(const Sprite &sprite, const std::array<std::array<float, 2>, 3> &st) {
    for (const Triangle &tri : sprite) {
        bool all = true;
        for (const auto &c : st)
            all = all && Find(tri, c[0], c[1]);
        if (all)
            return tri;
    }
    ADD_FAILURE() << "no triangle with these texture coordinates";
    return sprite[0];
}

// Between the picture's top-left and bottom-right corners.
Vec Middle(const Sprite &sprite) {
    const Vec a = At(sprite, 0, 0).world, b = At(sprite, 1, 1).world;
    return {(a[0] + b[0]) / 2, (a[1] + b[1]) / 2, (a[2] + b[2]) / 2};
}

void ExpectNear(const Vec &got, const Vec &want, const char *what, double tolerance = 2e-3) {
    EXPECT_LT(Length(got - want), tolerance)
        << what << ": got (" << got[0] << ", " << got[1] << ", " << got[2] << "), want (" << want[0]
        << ", " << want[1] << ", " << want[2] << ")";
}

void ExpectColour(const Sprite &sprite, float r, float g, float b, const char *what) {
    for (const Triangle &tri : sprite)
        for (const Corner &c : tri) {
            EXPECT_NEAR(c.colour[0], r, 1e-3) << what;
            EXPECT_NEAR(c.colour[1], g, 1e-3) << what;
            EXPECT_NEAR(c.colour[2], b, 1e-3) << what;
        }
}

class ActorsDrawTest : public GameTest {
  protected:
    void SetUp() override {
        GameTest::SetUp();
        OpenWindow();
        Main.SetScreen(1);
        MapMgr->InitMap(); // flat at height 0, third-person view
        for (structZombies &z : stZombies)
            z.active = false;
        Main.drawDistance = 75;
        Main.deathTimer = 1.0f;
        Look(50.0f, 40.0f, 0.0f, 13.0f);
    }

    // The player at (x, z), with the camera's pivot on its head as walking keeps it.
    static void Look(float x, float z, float yaw, float pitch) {
        stCharacter.posX = x;
        stCharacter.posZ = z;
        TheCamera = kStartCamera;
        TheCamera.trackX = x - 50.0f;
        TheCamera.trackZ = 40.0f - z;
        TheCamera.yaw = yaw;
        TheCamera.pitch = pitch;
    }

    // A living, standing zombie as a fresh population has it.
    static structZombies &Place(int slot, int kind, float x, float z) {
        static const float kHalfSize[5][2] = {
            {1.5f, 1.875f}, {1.5f, 1.875f}, {1.5f, 1.875f}, {1.25f, 1.36f}, {1.25f, 0.989f}};
        structZombies &zb = stZombies[slot];
        zb = structZombies();
        zb.kind = kind;
        zb.active = true;
        zb.health = 100;
        zb.hitWeapon = -1;
        zb.hitSwing = -1;
        zb.posX = x;
        zb.posZ = z;
        zb.halfWidth = kHalfSize[kind][0];
        zb.halfHeight = kHalfSize[kind][1];
        return zb;
    }

    // Where the middle of a zombie's picture belongs: half its height above its cell's
    // floor, one cell toward -z, moved by the death animation's offsets.
    static Vec Centre(const structZombies &z, float floor = 0.0f) {
        return {z.posX + z.offsetX, floor + z.posY + z.offsetY + z.halfHeight,
                z.posZ + z.offsetZ - 1.0};
    }

    static Frame Zombies(std::array<float, 3> colour = {1, 1, 1}) {
        return Capture([] { ZombieMgr->DrawZombies(); }, colour);
    }
};

// --- Which zombies -----------------------------------------------------------------

TEST_F(ActorsDrawTest, OnlyZombiesInsideTheSquareAroundThePlayersCellAreDrawn) {
    // The player's cell is (100, 100); the zombies' own coordinates are not truncated.
    Look(100.7f, 100.2f, 0.0f, 13.0f);
    const struct {
        float x, z;
        bool drawn;
    } cases[] = {
        // |100 - 174.9| = 74.9 is in, |100 - 175| = 75 is out; 25.5 is in (74.5).
        {174.9f, 100.2f, true},  {175.0f, 100.2f, false},
        {25.5f, 100.2f, true},   {25.0f, 100.2f, false},
        {100.7f, 174.9f, true},  {100.7f, 175.0f, false},
        {100.7f, 25.5f, true},   {100.7f, 25.0f, false},
        {174.9f, 25.5f, true}, // a corner, 105 cells away: a square, not a circle
        {130.0f, 175.5f, false}, {175.2f, 130.0f, false},
    };
    int slot = 0, expected = 0;
    for (const auto &c : cases) {
        Place(slot, 0, c.x, c.z);
        slot += 3;
        expected += c.drawn;
    }
    const std::vector<Sprite> sprites = Sprites(Zombies());
    EXPECT_EQ(sprites.size(), static_cast<size_t>(expected));
    for (const auto &c : cases) {
        bool found = false;
        for (const Sprite &s : sprites) {
            const Vec m = Middle(s);
            found = found || (std::fabs(m[0] - c.x) < 1e-3 && std::fabs(m[2] - (c.z - 1)) < 1e-3);
        }
        EXPECT_EQ(found, c.drawn) << "zombie at (" << c.x << ", " << c.z << ")";
    }
}

TEST_F(ActorsDrawTest, EveryActiveSlotIsDrawnInSlotOrderAliveDyingOrDead) {
    Look(60.0f, 60.0f, 30.0f, 20.0f);
    std::vector<Vec> want;
    for (int slot = 0; slot < kZombies; slot++) {
        structZombies &z =
            Place(slot, slot % 5, 35.0f + slot % 40 * 1.25f, 35.0f + slot / 40 * 2.0f);
        switch (slot % 4) {
        case 1: // falling
            z.health = 0;
            z.hitWeapon = slot % 3;
            z.cutStyle = slot / 4 % 4;
            z.fallAngleX = -40.0f;
            break;
        case 2: // lying still
        case 3:
            z.health = 0;
            z.cutStyle = slot % 4 == 2 ? 3 : slot / 4 % 3;
            z.bodyYaw = static_cast<float>(slot);
            z.fallAngleX = -90.0f;
            break;
        default:
            break;
        }
        z.active = slot % 7 != 3;
        // No such style: nothing to draw.
        const bool unknownStyle = slot == 501 || slot == 502;
        if (unknownStyle)
            z.cutStyle = slot == 501 ? 4 : -1;
        if (z.active && !unknownStyle)
            want.push_back(Centre(z));
    }
    const std::vector<Sprite> sprites = Sprites(Zombies());
    ASSERT_EQ(sprites.size(), want.size());
    for (size_t k = 0; k < want.size(); k++) {
        SCOPED_TRACE(k);
        ExpectNear(Middle(sprites[k]), want[k], "middle of the picture");
    }
}

// --- Where and how they stand ------------------------------------------------------

TEST_F(ActorsDrawTest, ALivingZombieStandsOnItsCellsFloorFacingTheCameraMirrored) {
    Look(190.5f, 190.5f, 0.0f, 13.0f);
    // Cells are found by truncation: the neighbours a rounding would pick stand high.
    stMap[140][160].floorHeight = 2.5f;
    stMap[141][160].floorHeight = stMap[140][161].floorHeight = stMap[141][161].floorHeight = 9.0f;
    Place(0, 0, 140.9f, 160.7f);
    // Past the map's edge the floor is 0; cell [130][250] would read [131][0] in memory.
    stMap[131][0].floorHeight = 7.0f;
    stMap[130][249].floorHeight = 7.0f;
    Place(1, 3, 130.5f, 250.5f);
    Place(2, 4, 250.0f, 200.5f);
    // Standing higher and pushed by the offsets.
    stMap[150][170].floorHeight = 1.0f;
    structZombies &pushed = Place(3, 2, 150.2f, 170.7f);
    pushed.posY = 0.25f;
    pushed.offsetX = 0.3f;
    pushed.offsetY = -0.4f;
    pushed.offsetZ = 0.6f;
    stMap[201][199].floorHeight = -0.5f;
    Place(4, 1, 201.6f, 199.4f);
    const float floors[] = {2.5f, 0.0f, 0.0f, 1.0f, -0.5f};

    for (float yaw : {0.0f, 37.0f, 90.0f, 180.0f, 289.0f}) {
        TheCamera.yaw = yaw;
        const std::vector<Sprite> sprites = Sprites(Zombies());
        ASSERT_EQ(sprites.size(), 5u) << "yaw " << yaw;
        for (int i = 0; i < 5; i++) {
            SCOPED_TRACE(testing::Message() << "yaw " << yaw << " zombie " << i);
            const structZombies &z = stZombies[i];
            const Sprite &s = sprites[i];
            ExpectNear(Middle(s), Centre(z, floors[i]), "middle of the picture");
            // The picture's lower edge on the floor, its upper edge 2 * halfHeight above.
            const double base = floors[i] + z.posY + z.offsetY;
            EXPECT_NEAR(At(s, 1, 1).world[1], base, 2e-3);
            EXPECT_NEAR(At(s, 0, 1).world[1], base, 2e-3);
            EXPECT_NEAR(At(s, 1, 0).world[1], base + 2 * z.halfHeight, 2e-3);
            EXPECT_NEAR(At(s, 0, 0).world[1], base + 2 * z.halfHeight, 2e-3);
            // Seen flat on: the top corners level with each other and at one depth, the
            // picture's left column (s = 0) on the right of the screen.
            for (float t : {0.0f, 1.0f}) {
                const Vec left = At(s, 1, t).eye, right = At(s, 0, t).eye;
                EXPECT_NEAR(right[0] - left[0], 2 * z.halfWidth, 2e-3) << "row t " << t;
                EXPECT_NEAR(right[1], left[1], 2e-3);
                EXPECT_NEAR(right[2], left[2], 2e-3);
            }
            EXPECT_GT(At(s, 0, 0).eye[1], At(s, 0, 1).eye[1]); // first image row on top
        }
    }
}

TEST_F(ActorsDrawTest, AFallingZombieFacesTheCameraAndTipsOverInItsOwnFrame) {
    // A level camera: a zombie facing it has its own axes along the screen's.
    Look(50.0f, 40.0f, 37.0f, 0.0f);
    structZombies &shot = Place(0, 0, 44.0f, 30.0f);
    shot.health = 0;
    shot.hitWeapon = 2;
    shot.cutStyle = 3;
    shot.fallAngleX = -40.0f;
    shot.offsetY = -0.6f;
    structZombies &knocked = Place(1, 3, 52.0f, 31.0f);
    knocked.health = 0;
    knocked.hitWeapon = 0;
    knocked.hitSwing = 0;
    knocked.fallAngleX = 36.0f;
    knocked.fallAngleZ = 36.0f;
    knocked.offsetX = -1.1f;

    for (float yaw : {37.0f, 150.0f}) {
        TheCamera.yaw = yaw;
        const Frame frame = Zombies();
        const std::vector<Sprite> sprites = Sprites(frame);
        ASSERT_EQ(sprites.size(), 2u);
        for (int i = 0; i < 2; i++) {
            SCOPED_TRACE(testing::Message() << "yaw " << yaw << " zombie " << i);
            const structZombies &z = stZombies[i];
            const Vec centre = frame.ToEye(Centre(z));
            const double hw = z.halfWidth, hh = z.halfHeight;
            const struct {
                float s, t;
                double x, y;
            } corners[] = {{1, 0, -hw, hh}, {0, 0, hw, hh}, {0, 1, hw, -hh}, {1, 1, -hw, -hh}};
            for (const auto &c : corners) {
                // Tipped about its own x axis, then about its own z axis.
                const Vec p = Turn(Turn({c.x, c.y, 0.0}, 2, z.fallAngleZ), 0, z.fallAngleX);
                ExpectNear(At(sprites[i], c.s, c.t).eye, centre + p, "corner");
            }
        }
        // The shot one tips backwards: its top goes away from the camera.
        EXPECT_LT(At(sprites[0], 0, 0).eye[2], frame.ToEye(Centre(shot))[2] - 1.0);
        // The knocked one tips toward the camera and to the left.
        const Vec topMiddle = {(At(sprites[1], 0, 0).eye[0] + At(sprites[1], 1, 0).eye[0]) / 2, 0.0,
                               (At(sprites[1], 0, 0).eye[2] + At(sprites[1], 1, 0).eye[2]) / 2};
        EXPECT_GT(topMiddle[2], frame.ToEye(Centre(knocked))[2] + 0.5);
        EXPECT_LT(topMiddle[0], frame.ToEye(Centre(knocked))[0] - 0.5);
    }
}

TEST_F(ActorsDrawTest, ABodyThatHasFinishedFallingNoLongerTurnsWithTheCamera) {
    Look(50.0f, 40.0f, 37.0f, 13.0f);
    Place(0, 1, 46.0f, 32.0f); // alive
    // Two kinds of fall: tipped backwards by a shot, and knocked down to the left.
    structZombies &shot = Place(1, 0, 50.0f, 32.0f);
    shot.cutStyle = 3;
    shot.fallAngleX = -90.0f;
    structZombies &knocked = Place(2, 4, 54.0f, 32.0f);
    knocked.fallAngleX = 90.0f;
    knocked.fallAngleZ = 90.0f;
    for (structZombies *z : {&shot, &knocked}) {
        z->health = 0;
        z->offsetY = 0.06f - z->halfHeight; // down on the floor
    }
    shot.hitWeapon = 2;
    knocked.hitWeapon = 0;

    // The last frame of the fall, at the camera's heading of that moment.
    const std::vector<Sprite> falling = Sprites(Zombies());
    ASSERT_EQ(falling.size(), 3u);
    for (int i = 1; i < 3; i++)
        for (const Triangle &tri : falling[i])
            for (const Corner &c : tri)
                EXPECT_NEAR(c.world[1], 0.06, 2e-3) << "zombie " << i << " lies flat";

    // The fall ends: the heading is kept in bodyYaw, as the death animation stores it.
    for (structZombies *z : {&shot, &knocked}) {
        z->hitWeapon = -1;
        z->bodyYaw = 0.0f - TheCamera.yaw;
    }
    for (float yaw : {37.0f, 120.0f, 300.0f}) {
        TheCamera.yaw = yaw;
        const std::vector<Sprite> resting = Sprites(Zombies());
        ASSERT_EQ(resting.size(), 3u);
        for (int i = 1; i < 3; i++)
            for (float s : {0.0f, 1.0f})
                for (float t : {0.0f, 1.0f})
                    ExpectNear(At(resting[i], s, t).world, At(falling[i], s, t).world,
                               yaw == 37.0f ? "where the fall ended" : "after the camera turned");
        // The living one still turns.
        if (yaw != 37.0f) {
            EXPECT_GT(Length(At(resting[0], 0, 0).world - At(falling[0], 0, 0).world), 0.5);
        }
    }

    // Still falling, it keeps facing the camera.
    shot.hitWeapon = 2;
    shot.bodyYaw = 0.0f;
    TheCamera.yaw = 120.0f;
    const std::vector<Sprite> turned = Sprites(Zombies());
    ASSERT_EQ(turned.size(), 3u);
    EXPECT_GT(Length(At(turned[1], 0, 0).world - At(falling[1], 0, 0).world), 0.5);
}

TEST_F(ActorsDrawTest, ACutBodyIsTwoHalvesTheUpperOneDisplacedAsSeenByTheCamera) {
    Look(50.0f, 40.0f, 63.0f, 0.0f);
    // Cut by weapon 1, the upper halves sliding off: style 1 to the right, style 2 left.
    structZombies &one = Place(0, 0, 44.0f, 30.0f);
    one.cutStyle = 1;
    one.pieceX = 0.7f;
    one.pieceY = -0.4f;
    one.pieceZ = 0.3f;
    structZombies &two = Place(1, 3, 52.0f, 31.0f);
    two.cutStyle = 2;
    two.pieceX = -0.9f;
    two.pieceY = -0.2f;
    two.pieceZ = -0.5f;
    for (structZombies *z : {&one, &two}) {
        z->health = 0;
        z->hitWeapon = 1;
        z->hitSwing = z->cutStyle == 1 ? 0 : 2;
    }
    // Picture corners (s, t) and their place in the zombie's frame, as multiples of the
    // half width and half height.
    struct Point {
        float s, t;
        double x, y;
    };
    const Point topLeft = {1, 0, -1, 1}, topRight = {0, 0, 1, 1}, bottomRight = {0, 1, 1, -1},
                bottomLeft = {1, 1, -1, -1};
    const struct {
        std::array<Point, 3> stays, slides;
    } halves[] = {{{bottomRight, bottomLeft, topLeft}, {topLeft, topRight, bottomRight}},
                  {{topRight, bottomRight, bottomLeft}, {bottomLeft, topLeft, topRight}}};

    // First the halves come apart; then the body falls backwards with the piece in place.
    for (float fall : {0.0f, -50.0f}) {
        one.fallAngleX = two.fallAngleX = fall;
        const Frame frame = Zombies();
        const std::vector<Sprite> sprites = Sprites(frame);
        ASSERT_EQ(sprites.size(), 2u);
        for (int i = 0; i < 2; i++) {
            SCOPED_TRACE(testing::Message() << "style " << i + 1 << " fall " << fall);
            const structZombies &z = stZombies[i];
            const Vec centre = frame.ToEye(Centre(z));
            const Vec piece = {z.pieceX, z.pieceY, z.pieceZ};
            auto expect = [&](const std::array<Point, 3> &half, bool moved) {
                const Triangle &tri = Half(
                    sprites[i],
                    {{{half[0].s, half[0].t}, {half[1].s, half[1].t}, {half[2].s, half[2].t}}});
                for (const Point &p : half) {
                    Vec local = {p.x * z.halfWidth, p.y * z.halfHeight, 0.0};
                    if (moved)
                        local = local + piece;
                    const Corner *c = Find(tri, p.s, p.t);
                    ASSERT_NE(c, nullptr);
                    ExpectNear(c->eye, centre + Turn(local, 0, fall), moved ? "piece" : "stays");
                }
            };
            expect(halves[i].stays, false);
            expect(halves[i].slides, true);
        }
    }
}

// --- Colour ------------------------------------------------------------------------

TEST_F(ActorsDrawTest, AShotZombieIsBlackAndTheOthersKeepTheSceneColour) {
    Place(0, 0, 40.0f, 30.0f);
    structZombies &falling = Place(1, 1, 44.0f, 30.0f);
    falling.health = 0;
    falling.hitWeapon = 2;
    falling.cutStyle = 3;
    falling.fallAngleX = -40.0f;
    Place(2, 2, 48.0f, 30.0f);
    structZombies &cut = Place(3, 3, 52.0f, 30.0f);
    cut.health = 0;
    cut.hitWeapon = 1;
    cut.cutStyle = 1;
    cut.pieceX = 0.5f;
    structZombies &lying = Place(4, 4, 56.0f, 30.0f);
    lying.health = 0;
    lying.cutStyle = 3;
    lying.fallAngleX = -90.0f;
    Place(5, 0, 60.0f, 30.0f);
    const bool black[] = {false, true, false, false, true, false};

    // Alive, the scene is white; dead (health 0 counts), it fades to red.
    const struct {
        float health, timer;
    } players[] = {{30.0f, 1.0f}, {0.5f, 1.0f}, {0.0f, 0.4f}, {-6.0f, 0.7f}};
    for (const auto &p : players) {
        stCharacter.health = p.health;
        Main.deathTimer = p.timer;
        const float tint = p.health > 0.0f ? 1.0f : p.timer;
        const std::vector<Sprite> sprites = Sprites(Zombies({1.0f, tint, tint}));
        ASSERT_EQ(sprites.size(), 6u);
        for (int i = 0; i < 6; i++) {
            SCOPED_TRACE(testing::Message() << "health " << p.health << " zombie " << i);
            if (black[i])
                ExpectColour(sprites[i], 0, 0, 0, "shot");
            else
                ExpectColour(sprites[i], 1, tint, tint, "scene colour");
        }
    }
}

// --- The player ----------------------------------------------------------------------

TEST_F(ActorsDrawTest, ThePlayerStandsOnItsCellFacingTheCameraUnmirrored) {
    stMap[120][80].floorHeight = 1.5f;
    stMap[121][80].floorHeight = stMap[120][81].floorHeight = 4.0f;
    Look(120.6f, 80.7f, 0.0f, 13.0f);
    stCharacter.posY = 0.2f;
    const Vec feet = {120.6, 1.7, 79.7};
    const double halfWidth = 1.3956, height = 3.0;

    for (float yaw : {0.0f, 37.0f, 200.0f}) {
        SCOPED_TRACE(testing::Message() << "yaw " << yaw);
        TheCamera.yaw = yaw;
        GLdouble after[16];
        const Frame frame = Capture([&] {
            CharacterMgr->DrawCharacter();
            glGetDoublev(GL_MODELVIEW_MATRIX, after);
        });
        const std::vector<Sprite> sprites = Sprites(frame);
        ASSERT_EQ(sprites.size(), 1u);
        const Sprite &s = sprites[0];
        // Standing on the floor, the picture's left column on the left of the screen.
        const Vec centre = {feet[0], feet[1] + height / 2, feet[2]};
        ExpectNear(Middle(s), centre, "middle of the picture");
        for (float sCoord : {0.0f, 1.0f}) {
            EXPECT_NEAR(At(s, sCoord, 1).world[1], feet[1], 2e-3);
            EXPECT_NEAR(At(s, sCoord, 0).world[1], feet[1] + height, 2e-3);
        }
        for (float t : {0.0f, 1.0f}) {
            const Vec left = At(s, 0, t).eye, right = At(s, 1, t).eye;
            EXPECT_NEAR(right[0] - left[0], 2 * halfWidth, 2e-3);
            EXPECT_NEAR(right[1], left[1], 2e-3);
            EXPECT_NEAR(right[2], left[2], 2e-3);
        }
        EXPECT_GT(At(s, 0, 0).eye[1], At(s, 0, 1).eye[1]);
        // The weapon is drawn next under the transform left behind: origin at the feet,
        // x to the right of the screen.
        Vec origin = {after[12], after[13], after[14]};
        Vec xAxis = {after[0], after[1], after[2]};
        EXPECT_LT(Length(origin - frame.ToEye(feet)), 2e-3);
        EXPECT_LT(Length(xAxis - Vec{1, 0, 0}), 1e-4);
    }

    // In first person there is no sprite, but the transform is the same.
    MapMgr->firstPerson = true;
    TheCamera.yaw = 37.0f;
    GLdouble after[16];
    const Frame frame = Capture([&] {
        CharacterMgr->DrawCharacter();
        glGetDoublev(GL_MODELVIEW_MATRIX, after);
    });
    EXPECT_TRUE(frame.triangles.empty());
    EXPECT_LT(Length(Vec{after[12], after[13], after[14]} - frame.ToEye(feet)), 2e-3);
    EXPECT_LT(Length(Vec{after[0], after[1], after[2]} - Vec{1, 0, 0}), 1e-4);
}

TEST_F(ActorsDrawTest, DrawingLeavesBlendingAndTexturingOffAndTheAlphaTestOn) {
    auto expectLeftBehind = [](const char *what) {
        EXPECT_FALSE(glIsEnabled(GL_BLEND)) << what;
        EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D)) << what;
        EXPECT_TRUE(glIsEnabled(GL_ALPHA_TEST)) << what;
        GLint func = 0;
        GLfloat ref = -1;
        glGetIntegerv(GL_ALPHA_TEST_FUNC, &func);
        glGetFloatv(GL_ALPHA_TEST_REF, &ref);
        EXPECT_EQ(func, GL_GREATER) << what;
        EXPECT_EQ(ref, 0.0f) << what;
    };
    auto scramble = [] {
        glEnable(GL_BLEND);
        glEnable(GL_TEXTURE_2D);
        glDisable(GL_ALPHA_TEST);
        glAlphaFunc(GL_ALWAYS, 0.5f);
    };
    Place(7, 2, 48.0f, 30.0f);
    scramble();
    glPushMatrix();
    ZombieMgr->DrawZombies();
    glPopMatrix();
    expectLeftBehind("zombies");
    stZombies[7].active = false;
    scramble();
    glPushMatrix();
    ZombieMgr->DrawZombies();
    glPopMatrix();
    expectLeftBehind("no zombie in sight");
    scramble();
    glPushMatrix();
    CharacterMgr->DrawCharacter();
    glPopMatrix();
    expectLeftBehind("player");
}

// --- On screen -----------------------------------------------------------------------

class ActorsPixelsTest : public ActorsDrawTest {
  protected:
    // A game frame without the map: the player's sprite, then the zombies.
    void Render(bool player) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glLoadIdentity();
        glColor3f(1.0f, 1.0f, 1.0f);
        CameraMgr->SetCamera();
        glGetDoublev(GL_MODELVIEW_MATRIX, model);
        glGetDoublev(GL_PROJECTION_MATRIX, projection);
        glGetIntegerv(GL_VIEWPORT, viewport);
        if (player) {
            glPushMatrix();
            CharacterMgr->DrawCharacter();
            glPopMatrix();
        }
        glPushMatrix();
        ZombieMgr->DrawZombies();
        glPopMatrix();
    }
    // The colour on screen at a world point.
    Rgba At(double x, double y, double z) const {
        GLdouble wx, wy, wz;
        gluProject(x, y, z, model, projection, viewport, &wx, &wy, &wz);
        uint8_t p[4];
        glReadPixels(static_cast<int>(wx), static_cast<int>(wy), 1, 1, GL_RGBA, GL_UNSIGNED_BYTE,
                     p);
        return {p[0], p[1], p[2], p[3]};
    }
    static bool Same(Rgba a, Rgba b) {
        return std::abs(a.r - b.r) <= 2 && std::abs(a.g - b.g) <= 2 && std::abs(a.b - b.b) <= 2;
    }

    GLdouble model[16], projection[16];
    GLint viewport[4];
};

std::string Describe(Rgba c) {
    return "(" + std::to_string(c.r) + ", " + std::to_string(c.g) + ", " + std::to_string(c.b) +
           ")";
}

TEST_F(ActorsPixelsTest, EachZombieAndThePlayerShowTheirOwnPicture) {
    {
        ScratchDir scratch;
        scratch.MakeGameDataFolders();
        WriteCatalogue(); // every picture its own colour
        TextureMgr->InitTextures();
    }
    Look(50.0f, 40.0f, 0.0f, 10.0f);
    for (int kind = 0; kind < 5; kind++)
        for (int frame = 0; frame < 3; frame++) {
            structZombies &z = Place(0, kind, 50.0f, 30.0f);
            z.frame = frame;
            Render(false);
            const Rgba got = At(50.0, z.halfHeight, 29.0),
                       want = CatalogueColour(5 + 3 * kind + frame);
            EXPECT_TRUE(Same(got, want)) << "kind " << kind << " frame " << frame << ": "
                                         << Describe(got) << " instead of " << Describe(want);
        }
    stZombies[0].active = false;
    for (int frame = 0; frame < 3; frame++) {
        stCharacter.frame = frame;
        Render(true);
        const Rgba got = At(50.0, 1.5, 39.0), want = CatalogueColour(frame);
        EXPECT_TRUE(Same(got, want)) << "player frame " << frame << ": " << Describe(got)
                                     << " instead of " << Describe(want);
    }
}

// An 8 x 8 picture: the left half `left`, the right half fully clear.
void WriteHalfClear(const std::string &path, Rgba left) {
    PngSpec picture;
    picture.width = picture.height = 8;
    picture.colourType = PNG_COLOR_TYPE_RGB_ALPHA;
    for (int y = 0; y < 8; y++)
        for (int x = 0; x < 8; x++) {
            const Rgba c = x < 4 ? left : Rgba{0, 0, 0, 0};
            picture.rows.insert(picture.rows.end(), {c.r, c.g, c.b, c.a});
        }
    WritePng(path, picture);
}

TEST_F(ActorsPixelsTest, PicturesAreCutOutAndBlendedAndAShotZombieIsASilhouette) {
    const Rgba red = {255, 0, 0, 255}, green = {0, 255, 0, 255}, black = {0, 0, 0, 255},
               grey = {128, 128, 128, 255}, halfBlue = {0, 0, 255, 128};
    const Rgba blueOverGrey = {64, 64, 191, 255};
    {
        ScratchDir scratch;
        scratch.MakeGameDataFolders();
        WriteHalfClear(CataloguePath(0), halfBlue); // the player standing
        WriteHalfClear(CataloguePath(5), red);      // a zombie standing
        WriteSolidPng(CataloguePath(8), 4, 4, green);
        WriteSolidPng(CataloguePath(11), 4, 4, halfBlue);
        TextureMgr->InitTextures();
    }
    glClearColor(0.5f, 0.5f, 0.5f, 1.0f);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA); // as the title menu leaves it
    Look(50.0f, 40.0f, 0.0f, 0.0f);
    // In front, a half-clear zombie; behind it in the line of sight, drawn later, a green
    // one.
    Place(0, 0, 46.0f, 30.0f);
    Place(1, 1, 45.4f, 25.0f);
    // A shot one, then one more half-clear zombie straight behind the player.
    structZombies &shot = Place(2, 0, 54.0f, 30.0f);
    shot.health = 0;
    shot.hitWeapon = 2;
    shot.cutStyle = 3;
    Place(3, 0, 50.0f, 30.0f);
    Place(4, 2, 42.0f, 30.0f); // see-through
    Render(true);

    const double y = 1.875, plane = 29.0, quarter = 0.75;
    const struct {
        double x, y, z;
        Rgba want;
        const char *what;
    } points[] = {
        // Zombie pictures are mirrored: the painted left half shows on the right.
        {46.0 + quarter, y, plane, red, "the front zombie's painted half"},
        {46.0 - quarter, y, plane, green, "the zombie behind, through the clear half"},
        {54.0 + quarter, y, plane, black, "the shot zombie's silhouette"},
        {54.0 - quarter, y, plane, grey, "the background, through the shot one's clear half"},
        // The player's picture is not mirrored; the zombie behind shows through its
        // clear right half, and keeps its colours after the black one.
        {50.0 + quarter, y, plane, red, "the zombie behind the player's clear half"},
        {50.0 - 0.7, 1.5, 39.0, blueOverGrey, "the player's half-transparent half"},
        {42.0, y, plane, blueOverGrey, "the half-transparent zombie"},
    };
    for (const auto &p : points) {
        const Rgba got = At(p.x, p.y, p.z);
        EXPECT_TRUE(Same(got, p.want))
            << p.what << ": " << Describe(got) << " instead of " << Describe(p.want);
    }
}

} // namespace
