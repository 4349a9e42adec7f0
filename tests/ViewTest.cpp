// The camera's view transform at general angles, where mistakes in the order or the sign
// of its rotations and translations cannot cancel: the pivot must lie straight ahead of
// the eye at the camera's distance, the eye must look along the heading and tilt, and
// the horizon must stay level.
#include "GameTest.h"

#include "world/CameraMgr.h"
#include "world/MapMgr.h"

#include <GL/gl.h>

#include <cmath>

namespace {

struct Vec {
    double x, y, z;
};

// A point (w 1) or a direction (w 0) through a column-major GL matrix.
Vec Apply(const float (&m)[16], Vec v, double w) {
    return {m[0] * v.x + m[4] * v.y + m[8] * v.z + m[12] * w,
            m[1] * v.x + m[5] * v.y + m[9] * v.z + m[13] * w,
            m[2] * v.x + m[6] * v.y + m[10] * v.z + m[14] * w};
}

void ExpectNear(Vec got, Vec want, const std::string &what) {
    const double tolerance = 2e-3 * (1.0 + std::abs(want.x) + std::abs(want.y) + std::abs(want.z));
    EXPECT_NEAR(got.x, want.x, tolerance) << what;
    EXPECT_NEAR(got.y, want.y, tolerance) << what;
    EXPECT_NEAR(got.z, want.z, tolerance) << what;
}

class ViewTest : public GameTest {
  protected:
    void SetUp() override {
        GameTest::SetUp();
        OpenWindow();
        Main.SetScreen(1);
    }

    // What the view transform makes of the world, checked against what the camera means.
    static void ExpectView(const std::string &what) {
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        CameraMgr->SetCamera();
        float m[16];
        glGetFloatv(GL_MODELVIEW_MATRIX, m);

        const structCamera &c = TheCamera;
        const double h = CellAt(stCharacter.posX, stCharacter.posZ).floorHeight;
        const double yaw = c.yaw * M_PI / 180.0, pitch = c.pitch * M_PI / 180.0;
        // The pivot over the player's head, straight ahead of the eye at its distance.
        const Vec pivot = {c.baseX + c.trackX, h - c.baseY - c.trackY,
                           -(c.baseZ + c.trackZ + c.distance)};
        ExpectNear(Apply(m, pivot, 1.0), {0.0, 0.0, -c.distance}, what + ": the pivot");
        // The eye looks along the heading, tilted down by the pitch.
        const Vec ahead = {std::sin(yaw) * std::cos(pitch), -std::sin(pitch),
                           -std::cos(yaw) * std::cos(pitch)};
        ExpectNear(Apply(m, ahead, 0.0), {0.0, 0.0, -1.0}, what + ": the heading");
        // Right on the screen is right of the heading, level with the ground.
        const Vec right = {std::cos(yaw), 0.0, std::sin(yaw)};
        ExpectNear(Apply(m, right, 0.0), {1.0, 0.0, 0.0}, what + ": the horizon");
    }
};

TEST_F(ViewTest, ThePivotLiesAheadAlongTheHeadingAndTiltAtAnyAngle) {
    struct Camera {
        float yaw, pitch, distance, trackX, trackZ, floor;
    } cameras[] = {
        {37.0f, 23.0f, 20.0f, 11.0f, -7.0f, 0.0f},    {200.0f, 71.0f, 9.0f, -30.0f, 44.0f, 1.5f},
        {305.0f, 5.0f, 49.0f, 80.0f, -140.0f, -0.5f}, {440.0f, 89.0f, 6.0f, 3.0f, 3.0f, 4.0f},
        {-40.0f, 45.0f, 0.0f, 0.0f, 0.0f, 0.0f},
    };
    for (const Camera &k : cameras) {
        TheCamera = kStartCamera;
        TheCamera.yaw = k.yaw;
        TheCamera.pitch = k.pitch;
        TheCamera.distance = k.distance;
        TheCamera.trackX = k.trackX;
        TheCamera.trackZ = k.trackZ;
        TheCamera.baseZ = -40.0f - k.distance; // as the zoom and the first-person key keep it
        TheCamera.trackY = 0.25f;
        stCharacter.posX = 77.5f;
        stCharacter.posZ = 66.5f;
        stMap[77][66].floorHeight = k.floor;
        ExpectView("yaw " + std::to_string(k.yaw) + " pitch " + std::to_string(k.pitch));
    }
}

TEST_F(ViewTest, TheStartViewFollowsThePlayerAsTheGameLeavesIt) {
    // Entering the game sets the heading through the mouse; the first input pass makes
    // it the camera's. Then walk a little and zoom, as a player would.
    Input->Update();
    Input->ProcessInput();
    EXPECT_EQ(TheCamera.yaw, 91.0f);
    ExpectView("the start");
    seams::MouseMotion(300, 260); // turn right 15 degrees, tilt down 13
    seams::KeyEvent(DIK_W, true);
    for (int pass = 0; pass < 5; pass++) {
        Input->Update();
        Input->ProcessInput();
        CameraMgr->ProcessInputs();
    }
    seams::KeyEvent(DIK_W, false);
    seams::MouseWheel(-1);
    Input->Update();
    Input->ProcessInput();
    EXPECT_EQ(TheCamera.yaw, 106.0f);
    EXPECT_EQ(TheCamera.pitch, 13.0f);
    EXPECT_EQ(TheCamera.distance, 21.0f);
    ExpectView("after walking and zooming");
}

} // namespace
