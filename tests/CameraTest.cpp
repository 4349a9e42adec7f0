// Walking with collision, the orbit camera and its pivot, mouse look and zoom.
#include "GameTest.h"

#include "world/CameraMgr.h"
#include "world/MapMgr.h"

#include <GL/gl.h>

namespace {

class CameraTest : public GameTest {
  protected:
    void SetUp() override {
        GameTest::SetUp();
        OpenWindow();
        MapMgr->InitMap(); // flat and open, whatever the game's map file holds
        Main.SetScreen(1);
        stCharacter.posX = 50.5f;
        stCharacter.posZ = 50.5f;
        TheCamera.yaw = 0.0f;
        TheCamera.trackX = TheCamera.trackZ = 0.0f;
    }
    // One pass of the game: poll, game controls, walking.
    static void Pass() {
        Input->Update();
        Input->ProcessInput();
        CameraMgr->ProcessInputs();
    }
    // The walking control alone, with the yaw as set by the test.
    static void Walk(std::initializer_list<uint8_t> keys, int passes = 1) {
        for (uint8_t k : keys)
            seams::KeyEvent(k, true);
        for (int p = 0; p < passes; p++) {
            Input->Update();
            CameraMgr->ProcessInputs();
        }
        for (uint8_t k : keys)
            seams::KeyEvent(k, false);
        Input->Update();
    }
    static float PivotZ() { return -(TheCamera.baseZ + TheCamera.trackZ + TheCamera.distance); }
};

TEST_F(CameraTest, StepsFollowTheHeadingAndMoveThePivotAlong) {
    Walk({DIK_W});
    EXPECT_FLOAT_EQ(stCharacter.posX, 50.5f);
    EXPECT_FLOAT_EQ(stCharacter.posZ, 50.1f);
    EXPECT_FLOAT_EQ(TheCamera.trackZ, 0.4f);
    EXPECT_EQ(stCharacter.moveState, 1);

    TheCamera.yaw = 90.0f;
    Walk({DIK_W});
    EXPECT_FLOAT_EQ(stCharacter.posX, 50.9f);
    EXPECT_NEAR(stCharacter.posZ, 50.1f, 1e-5);
    EXPECT_FLOAT_EQ(TheCamera.trackX, 0.4f);

    Walk({DIK_S});
    EXPECT_FLOAT_EQ(stCharacter.posX, 50.5f);
    EXPECT_EQ(stCharacter.moveState, 2);

    // W and S together: forward only. A and D together cancel.
    TheCamera.yaw = 0.0f;
    Walk({DIK_W, DIK_S});
    EXPECT_FLOAT_EQ(stCharacter.posZ, 49.7f);
    EXPECT_EQ(stCharacter.moveState, 1);
    const float x = stCharacter.posX, z = stCharacter.posZ;
    Walk({DIK_A, DIK_D});
    EXPECT_NEAR(stCharacter.posX, x, 1e-5);
    EXPECT_NEAR(stCharacter.posZ, z, 1e-5);
    // W and D: forward, then right, in one pass.
    Walk({DIK_W, DIK_D});
    EXPECT_NEAR(stCharacter.posX, x + 0.4f, 1e-5);
    EXPECT_NEAR(stCharacter.posZ, z - 0.4f, 1e-5);
}

TEST_F(CameraTest, ReleasingTheWalkKeysShowsTheStillFrame) {
    Walk({DIK_W}, 3);
    EXPECT_EQ(stCharacter.moveState, 1);
    stCharacter.frame = 2; // mid-stride
    Input->Update();
    CameraMgr->ProcessInputs();
    EXPECT_EQ(stCharacter.moveState, 0);
    EXPECT_EQ(stCharacter.frame, 0);
    stCharacter.frame = 1;
    Walk({DIK_D}, 2); // strafing leaves the walk state alone
    EXPECT_EQ(stCharacter.moveState, 0);
    EXPECT_EQ(stCharacter.frame, 1);
}

TEST_F(CameraTest, WallsBlockByHeightAndBase) {
    const struct {
        float height, base;
        bool blocks;
    } walls[] = {{0.5f, 0.0f, false}, {0.6f, 0.0f, true},  {2.0f, 3.0f, true},
                 {2.0f, 3.5f, false}, {2.0f, 8.9f, false}, {2.0f, 9.0f, true}};
    for (const auto &w : walls) {
        SCOPED_TRACE(testing::Message() << "height " << w.height << " base " << w.base);
        MapMgr->InitMap();
        stCharacter.posX = 50.5f;
        stCharacter.posZ = 50.5f;
        stCharacter.moveState = 0;
        stMap[50][49] = {1, 0.0f, 4, w.height, w.base, 0}; // any side blocks the whole cell
        Walk({DIK_W});
        EXPECT_EQ(stCharacter.posZ == 50.5f, w.blocks);
        EXPECT_EQ(stCharacter.moveState, w.blocks ? 0 : 1); // a refused move changes nothing
    }
    // The probe reaches 1.4 ahead: a wall two cells away stops the player.
    MapMgr->InitMap();
    stCharacter.posZ = 51.2f;
    stMap[50][49] = {1, 0.0f, 1, 3.0f, 0.0f, 0};
    Walk({DIK_W});
    EXPECT_EQ(stCharacter.posZ, 51.2f);
}

TEST_F(CameraTest, TheMapEdgeStopsThePlayerBeforeTheBorder) {
    stCharacter.posX = 6.5f;
    TheCamera.yaw = 270.0f; // toward -x
    Walk({DIK_W}, 40);
    EXPECT_GT(stCharacter.posX, 1.0f);
    EXPECT_LE(stCharacter.posX, 1.4f + 0.4f);
    const float stopped = stCharacter.posX;
    Walk({DIK_W}, 5);
    EXPECT_EQ(stCharacter.posX, stopped);
    // Backward toward the far edge along z.
    TheCamera.yaw = 0.0f;
    stCharacter.posZ = 245.5f;
    Walk({DIK_S}, 40);
    EXPECT_LT(stCharacter.posZ, 249.0f);
    EXPECT_GE(stCharacter.posZ, 250.0f - 1.4f - 0.4f);
}

TEST_F(CameraTest, ZoomStaysWithinItsLimitsAndKeepsThePivot) {
    const float pivot = PivotZ();
    TheCamera.distance = 49.0f;
    TheCamera.trackZ = 20.0f - 49.0f; // the same pivot at distance 49
    const float at49 = PivotZ();
    seams::MouseWheel(-3); // toward the user, 360 counts: one step at most
    Pass();
    EXPECT_EQ(TheCamera.distance, 49.0f);
    for (int i = 0; i < 60; i++) {
        seams::MouseWheel(1);
        Pass();
    }
    EXPECT_EQ(TheCamera.distance, 6.0f);
    for (int i = 0; i < 7; i++) {
        seams::MouseWheel(i % 2 ? 1 : -1);
        Pass();
    }
    EXPECT_EQ(PivotZ(), at49);
    EXPECT_EQ(at49, pivot);

    // Not in the game: the wheel does nothing.
    Main.screen = 0;
    const float distance = TheCamera.distance;
    seams::MouseWheel(-1);
    Pass();
    EXPECT_EQ(TheCamera.distance, distance);
}

TEST_F(CameraTest, ZoomThenFirstPersonMovesThePivotByTheZoom) {
    for (int i = 0; i < 5; i++) {
        seams::MouseWheel(-1);
        Pass();
    }
    ASSERT_EQ(TheCamera.distance, 25.0f);
    const float before = PivotZ();
    seams::KeyEvent(DIK_GRAVE, true);
    Input->Update();
    MapMgr->ProcessInputs();
    EXPECT_EQ(PivotZ(), before + 5.0f);
    seams::KeyEvent(DIK_GRAVE, false);
    Input->Update();
    MapMgr->ProcessInputs();
    seams::KeyEvent(DIK_GRAVE, true);
    Input->Update();
    MapMgr->ProcessInputs();
    EXPECT_EQ(TheCamera.distance, 20.0f);
    EXPECT_EQ(PivotZ(), before + 5.0f);
}

TEST_F(CameraTest, MouseLookWrapsTheYawOnceAndClampsThePitch) {
    const struct {
        float posX, yaw;
    } cases[] = {{370.0f, 10.0f}, {-10.0f, 350.0f}, {-400.0f, -40.0f}, {800.0f, 440.0f}};
    for (const auto &c : cases) {
        Mouse->posX = c.posX;
        Pass();
        EXPECT_FLOAT_EQ(TheCamera.yaw, c.yaw) << "posX " << c.posX;
        EXPECT_FLOAT_EQ(Mouse->posX, c.posX); // the accumulator itself is never wrapped
    }
    seams::MouseMotion(20, 0); // 20 counts: one degree to the right
    Pass();
    EXPECT_FLOAT_EQ(TheCamera.yaw, 441.0f);

    seams::MouseMotion(0, 5000); // toward the user: tilt down, held at 90
    Pass();
    EXPECT_EQ(TheCamera.pitch, 90.0f);
    seams::MouseMotion(0, -20); // nothing stored beyond the clamp
    Pass();
    EXPECT_FLOAT_EQ(TheCamera.pitch, 89.0f);
    seams::MouseMotion(0, -99999);
    Pass();
    EXPECT_EQ(TheCamera.pitch, 0.0f);
}

TEST_F(CameraTest, MouseButtonsActOncePerPress) {
    seams::MouseButton(0, true);
    Pass();
    EXPECT_TRUE(Input->attackLatch);
    seams::MouseButton(0, false);
    stCharacter.weapon = 2;
    stCharacter.shotSpent = true;
    Pass();
    EXPECT_FALSE(Input->attackLatch);
    EXPECT_FALSE(stCharacter.shotSpent); // released with weapon 2: a new shot may kill
    // An attack still running: the press waits, unlatched, until it has ended.
    stCharacter.attacking = true;
    seams::MouseButton(0, true);
    Pass();
    EXPECT_FALSE(Input->attackLatch);
    stCharacter.attacking = false;
    Pass();
    EXPECT_TRUE(Input->attackLatch);

    seams::MouseButton(1, true);
    Pass();
    EXPECT_TRUE(Input->zombieResetLatch);
    seams::MouseButton(1, false);
    Pass();
    EXPECT_FALSE(Input->zombieResetLatch);
}

TEST_F(CameraTest, EscapeInTheGamePostsTheQuitMessage) {
    seams::KeyEvent(DIK_ESCAPE, true);
    Pass();
    EXPECT_TRUE(DrainMessages());
}

TEST_F(CameraTest, TheViewLooksFromBehindThePivotAlongTheHeading) {
    stCharacter.posX = 60.5f;
    stCharacter.posZ = 70.5f;
    stMap[60][70].floorHeight = 2.0f;
    TheCamera.trackX = 10.5f; // pivot x = 50 + 10.5
    TheCamera.trackZ = -30.5f;
    TheCamera.distance = 12.0f;
    TheCamera.pitch = 0.0f;
    const float pivot[3] = {TheCamera.baseX + TheCamera.trackX,
                            2.0f - TheCamera.baseY - TheCamera.trackY, PivotZ()};
    EXPECT_FLOAT_EQ(pivot[0], 60.5f);
    EXPECT_FLOAT_EQ(pivot[1], 5.0f); // three above the floor of the player's cell
    const struct {
        float yaw;
        float ahead[3]; // a point 10 units ahead of the pivot along the heading
    } headings[] = {{0.0f, {0, 0, -10}}, {90.0f, {10, 0, 0}}, {180.0f, {0, 0, 10}}};
    for (const auto &h : headings) {
        SCOPED_TRACE(h.yaw);
        TheCamera.yaw = h.yaw;
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        CameraMgr->SetCamera();
        GLfloat m[16];
        glGetFloatv(GL_MODELVIEW_MATRIX, m);
        auto eye = [&](float x, float y, float z, int row) {
            return m[row] * x + m[4 + row] * y + m[8 + row] * z + m[12 + row];
        };
        // The pivot lies straight ahead of the eye at the camera distance...
        EXPECT_NEAR(eye(pivot[0], pivot[1], pivot[2], 0), 0.0f, 1e-3);
        EXPECT_NEAR(eye(pivot[0], pivot[1], pivot[2], 1), 0.0f, 1e-3);
        EXPECT_NEAR(eye(pivot[0], pivot[1], pivot[2], 2), -12.0f, 1e-3);
        // ...and so does the point ahead of it, farther away.
        const float ax = pivot[0] + h.ahead[0], ay = pivot[1], az = pivot[2] + h.ahead[2];
        EXPECT_NEAR(eye(ax, ay, az, 0), 0.0f, 1e-3);
        EXPECT_NEAR(eye(ax, ay, az, 2), -22.0f, 1e-3);
    }
}

} // namespace
