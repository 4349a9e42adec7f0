// Walking into each border of the map with the probe 1.4 ahead landing exactly on it:
// the move is refused, since a probe on the border would read a cell outside the map.
// One float short of the border, or a step short, the move is taken.
#include "GameTest.h"

#include "world/CameraMgr.h"
#include "world/MapMgr.h"

#include <cmath>
#include <cstdint>

namespace {

// How a walk heads for one border.
struct Border {
    const char *name;
    uint8_t key;
    float yaw;     // the camera's heading while the key is held
    float angle;   // the heading of the move itself: the yaw, or 90 off it for A and D
    bool backward; // S walks against the heading
    bool alongX;   // the border crossed is one of x (else one of z)
    float limit;   // 0 or 250
};

const Border kBorders[] = {
    {"east, x = 250, W heading 90", DIK_W, 90.0f, 90.0f, false, true, 250.0f},
    {"west, x = 0, A heading 0", DIK_A, 0.0f, -90.0f, false, true, 0.0f},
    {"north, z = 0, W heading 0", DIK_W, 0.0f, 0.0f, false, false, 0.0f},
    {"south, z = 250, S heading 0", DIK_S, 0.0f, 0.0f, true, false, 250.0f},
};

// The look-ahead and the step along the walked axis, rounded as the walking control
// rounds them: sine and cosine in double precision of the single-precision radians.
float AlongAxis(const Border &b, float length) {
    float s, c;
    HeadingSinCos(b.angle, s, c);
    const float v = b.alongX ? length * s : -length * c;
    return b.backward ? -v : v;
}

// The position along the walked axis whose probe lands exactly on the border.
bool OnTheBorder(const Border &b, float &position) {
    const float look = AlongAxis(b, 1.4f);
    float p = b.limit - look;
    for (int i = 0; i < 8; i++) // within a few units in the last place of the estimate
        p = std::nextafter(p, b.limit);
    for (int i = 0; i < 16; i++, p = std::nextafter(p, b.limit - 2.0f * look))
        if (p + look == b.limit) {
            position = p;
            return true;
        }
    return false;
}

class BorderTest : public GameTest {
  protected:
    void SetUp() override {
        GameTest::SetUp();
        OpenWindow();
        MapMgr->InitMap(); // flat and open: only the border can stop the player
        Main.SetScreen(1);
        TheCamera.trackX = TheCamera.trackZ = 0.0f;
    }

    // Puts the player at `along` on the walked axis and `across` on the other.
    static void Place(const Border &b, float along, float across) {
        stCharacter.posX = b.alongX ? along : across;
        stCharacter.posZ = b.alongX ? across : along;
        stCharacter.moveState = 0;
        TheCamera.yaw = b.yaw;
    }
    static float Along(const Border &b) { return b.alongX ? stCharacter.posX : stCharacter.posZ; }
    static float Probe(const Border &b) { return Along(b) + AlongAxis(b, 1.4f); }

    // One pass of the walking control with the border's key held, as the main loop
    // polls and walks.
    static void Step(const Border &b) {
        seams::KeyEvent(b.key, true);
        Input->Update();
        CameraMgr->ProcessInputs();
        seams::KeyEvent(b.key, false);
        Input->Update();
    }
};

TEST_F(BorderTest, AProbeExactlyOnTheBorderRefusesTheMove) {
    for (const Border &b : kBorders) {
        SCOPED_TRACE(b.name);
        float p = 0.0f;
        ASSERT_TRUE(OnTheBorder(b, p)) << "no position puts the probe exactly on the border";

        // A probe wrongly let onto the border reads a cell of the open map on the
        // other three sides, and so shows as a move. On x = 250 it reads past the map's
        // end, whatever lies there: across many rows, some of it does not block and the
        // move would show there. (The sanitizer build sees the read itself.)
        const int rows = b.alongX && b.limit == 250.0f ? 60 : 1;
        for (int row = 0; row < rows; row++) {
            SCOPED_TRACE(testing::Message() << "row " << row);
            Place(b, p, rows == 1 ? 125.5f : row + 0.5f);
            ASSERT_EQ(Probe(b), b.limit); // in single precision, as the walking control sums
            const float x = stCharacter.posX, z = stCharacter.posZ;
            const structCamera camera = TheCamera;
            for (int pass = 0; pass < 3; pass++) {
                Step(b);
                EXPECT_EQ(stCharacter.posX, x) << "pass " << pass;
                EXPECT_EQ(stCharacter.posZ, z) << "pass " << pass;
            }
            EXPECT_EQ(TheCamera.trackX, camera.trackX);
            EXPECT_EQ(TheCamera.trackZ, camera.trackZ);
            EXPECT_EQ(stCharacter.moveState, 0); // a refused move is no walking
        }
    }
}

TEST_F(BorderTest, ShortOfTheBorderTheMoveIsTaken) {
    for (const Border &b : kBorders) {
        SCOPED_TRACE(b.name);
        float p = 0.0f;
        ASSERT_TRUE(OnTheBorder(b, p));
        const float look = AlongAxis(b, 1.4f), step = AlongAxis(b, 0.4f);

        // The nearest position toward the middle of the map: the probe falls just inside.
        const float inside = std::nextafter(p, b.limit - 2.0f * look);
        Place(b, inside, 125.5f);
        const float probe = Probe(b);
        ASSERT_TRUE(probe > 0.0f && probe < 250.0f) << probe;
        ASSERT_NE(probe, b.limit);
        Step(b);
        EXPECT_EQ(Along(b), inside + step);
        EXPECT_EQ(b.alongX ? stCharacter.posZ : stCharacter.posX, 125.5f);

        // A whole step short: the move is taken. Held on, the walk stops within a step
        // of where the probe reaches the border, never nearer to it than 1.0.
        Place(b, p - step, 125.5f);
        Step(b);
        EXPECT_EQ(Along(b), (p - step) + step);
        for (int pass = 0; pass < 4; pass++)
            Step(b);
        const float stopped = Along(b);
        Step(b);
        EXPECT_EQ(Along(b), stopped);
        EXPECT_LE(std::fabs(stopped - p), 0.4f + 1e-4f);
        EXPECT_GE(std::fabs(b.limit - stopped), 1.0f - 1e-4f);
    }
}

} // namespace
