// The overlay of the game state: the health bar of a living player, and the death
// message that unrolls line by line while the player lies dead.
#include "GameTest.h"

#include "actors/CharacterMgr.h"
#include "hud/FontsMgr.h"
#include "hud/Hud.h"

#include <GL/gl.h>
#include <climits>
#include <cmath>
#include <string>
#include <vector>

namespace {

// Baselines of the five lines of the death message, in HUD units.
const float kBaseline[5] = {10, 16, 22, 28, 34};
const char kDied[] = "You died...";
const char kCrawled[] = "Like a fighter, you crawled to the hospital...";
const char kPrompt[] = "Press 'Enter' key to respawn...";
// Where the death fade comes to rest, long after the prompt appeared.
const float kTimerAtRest = -3.0999968f;

using Pixels = std::vector<uint8_t>;

class DeathHudTest : public GameTest {
  protected:
    void SetUp() override {
        GameTest::SetUp();
        OpenWindow();
        Main.SetScreen(1);
        stCharacter.health = 30.0f;
        Main.deathTimer = 1.0f;
    }

    static Pixels Grab() {
        Pixels p(size_t(Main.width) * Main.height * 4);
        glReadPixels(0, 0, Main.width, Main.height, GL_RGBA, GL_UNSIGNED_BYTE, p.data());
        return p;
    }

    // The HUD pass of one game frame over an empty scene. The scene leaves some colour
    // of its own behind; the HUD has to set whatever it needs itself.
    static Pixels HudFrame() {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glColor3f(0.3f, 0.6f, 0.9f);
        Hud->RenderHud();
        return Grab();
    }

    // The death message as it has to read: the given lines, each printed whole in white
    // with the message font at x 30 on its own baseline.
    static Pixels Message(const std::vector<std::string> &lines) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        Hud->SetOrtho();
        glColor3f(1.0f, 1.0f, 1.0f);
        for (size_t i = 0; i < lines.size(); i++) {
            glRasterPos2f(30.0f, kBaseline[i]);
            FontsMgr->PrintString(FontsMgr->GetlistBase(1), lines[i].c_str());
        }
        Main.ReSizeGLScene(Main.width, Main.height);
        return Grab();
    }

    // Identical pixels, or where the first difference lies.
    static ::testing::AssertionResult Same(const Pixels &got, const Pixels &want) {
        int differing = 0, firstTop = -1;
        for (size_t i = 0; i < got.size(); i += 4)
            if (got[i] != want[i] || got[i + 1] != want[i + 1] || got[i + 2] != want[i + 2]) {
                differing++;
                if (firstTop < 0)
                    firstTop = Main.height - 1 - int(i / 4 / Main.width);
            }
        if (differing == 0)
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure()
               << differing << " pixels differ, the topmost near HUD y "
               << firstTop * 100.0f / Main.height;
    }

    // Window column and row (counted from the top) of a point in HUD units.
    static int Column(float x) { return static_cast<int>(x / 133.0f * Main.width); }
    static int Row(float y) { return static_cast<int>(y / 100.0f * Main.height); }

    static const uint8_t *At(const Pixels &p, int column, int row) {
        return &p[(size_t(Main.height - 1 - row) * Main.width + column) * 4];
    }
    static bool Red(const uint8_t *c) { return c[0] > 200 && c[1] < 60 && c[2] < 60; }
    static bool White(const uint8_t *c) { return c[0] > 200 && c[1] > 200 && c[2] > 200; }
    static bool Black(const uint8_t *c) { return c[0] < 30 && c[1] < 30 && c[2] < 30; }

    // Pixels that are not black in a HUD rectangle.
    static int Lit(const Pixels &p, float x0, float y0, float x1, float y1) {
        int lit = 0;
        for (int row = Row(y0); row < Row(y1); row++)
            for (int col = Column(x0); col < Column(x1); col++)
                lit += !Black(At(p, col, row));
        return lit;
    }

    // Along the middle of the bar (HUD y 2): where the red ends, in HUD units, and how
    // many black pixels lie between the two ends of the frame.
    static float RedEnd(const Pixels &p) {
        int last = -1;
        for (int col = 0; col < Main.width; col++)
            if (Red(At(p, col, Row(2))))
                last = col;
        return (last + 1) * 133.0f / Main.width;
    }
    static int GapInsideFrame(const Pixels &p) {
        int black = 0;
        for (int col = Column(100); col <= Column(130); col++)
            black += Black(At(p, col, Row(2)));
        return black;
    }
    // A white pixel of the frame within a pixel of a HUD point.
    static bool FrameNear(const Pixels &p, float x, float y) {
        for (int row = Row(y) - 1; row <= Row(y) + 1; row++)
            for (int col = Column(x) - 1; col <= Column(x) + 1; col++)
                if (White(At(p, col, row)))
                    return true;
        return false;
    }

    static void ExpectColour(float r, float g, float b) {
        GLfloat c[4];
        glGetFloatv(GL_CURRENT_COLOR, c);
        EXPECT_FLOAT_EQ(c[0], r);
        EXPECT_FLOAT_EQ(c[1], g);
        EXPECT_FLOAT_EQ(c[2], b);
    }
};

TEST_F(DeathHudTest, HealthBarIsAsLongAsTheHealthInsideAFrameOfFullHealth) {
    const float onePixel = 133.0f / Main.width;
    const float healths[] = {30.0f, 15.0f, 15.5f, 29.5f, 7.25f};
    for (float health : healths) {
        SCOPED_TRACE(health);
        stCharacter.health = health;
        const Pixels p = HudFrame();

        // The red bar from x 100, as long as the health, not rounded.
        EXPECT_TRUE(Red(At(p, Column(100.5f), Row(2))));
        EXPECT_NEAR(RedEnd(p), 100.0f + health, onePixel);
        // Between y 1 and 3, and nothing above or below.
        EXPECT_TRUE(Red(At(p, Column(100.0f + health / 2), Row(1.5f))));
        EXPECT_TRUE(Red(At(p, Column(100.0f + health / 2), Row(2.5f))));
        EXPECT_TRUE(Black(At(p, Column(100.0f + health / 2), Row(0.5f))));
        EXPECT_TRUE(Black(At(p, Column(100.0f + health / 2), Row(3.5f))));

        // The white frame keeps the width of full health; what the bar leaves of it is
        // empty.
        EXPECT_TRUE(FrameNear(p, 100, 2));
        EXPECT_TRUE(FrameNear(p, 130, 2));
        EXPECT_TRUE(FrameNear(p, 129, 1));
        EXPECT_TRUE(FrameNear(p, 129, 3));
        EXPECT_NEAR(GapInsideFrame(p), (30.0f - health) / onePixel, 2.0f);
        EXPECT_TRUE(Black(At(p, Column(131), Row(2))));
        EXPECT_EQ(Lit(p, 0, 5, 133, 100), 0); // and nothing else: no death message

        ExpectColour(1, 1, 1); // left white
    }
}

TEST_F(DeathHudTest, AtNoHealthTheDeathMessageReplacesTheBar) {
    const Pixels died = Message({kDied});
    ASSERT_GT(Lit(died, 30, 5, 60, 12), 50); // the font draws
    const float healths[] = {0.0f, -0.0f, -4.0f};
    for (float health : healths) {
        SCOPED_TRACE(health);
        stCharacter.health = health;
        const Pixels p = HudFrame();
        EXPECT_TRUE(Same(p, died));
        EXPECT_EQ(Lit(p, 95, 0, 133, 5), 0); // neither bar nor frame
    }
    stCharacter.health = 0.25f; // a sliver of life: the bar, no message
    const Pixels alive = HudFrame();
    EXPECT_TRUE(FrameNear(alive, 130, 2));
    EXPECT_EQ(Lit(alive, 0, 5, 133, 100), 0);
}

TEST_F(DeathHudTest, LinesAppearOneByOneAsTheTimerFallsPastEachThreshold) {
    stCharacter.health = 0.0f;
    stCharacter.killCount = 12;
    stCharacter.deathCount = 3;
    const std::string lines[5] = {kDied, "Along with 12 zombies...", "You have died 3 times...",
                                  kCrawled, kPrompt};
    struct Step {
        float timer;
        int lines;
    };
    // Each threshold itself still shows one line less than anything just below it.
    const Step steps[] = {
        {1.0f, 1},         {0.0f, 1},
        {-0.5f, 1},        {std::nextafter(-0.5f, -1.0f), 2},
        {-1.0f, 2},        {std::nextafter(-1.0f, -2.0f), 3},
        {-2.0f, 3},        {std::nextafter(-2.0f, -3.0f), 4},
        {-3.0f, 4},        {std::nextafter(-3.0f, -4.0f), 5},
        {kTimerAtRest, 5},
    };
    for (const Step &step : steps) {
        SCOPED_TRACE(step.timer);
        Main.deathTimer = step.timer;
        const Pixels want = Message(std::vector<std::string>(lines, lines + step.lines));
        EXPECT_TRUE(Same(HudFrame(), want));
        ExpectColour(1, 0, 0); // left red
    }
}

TEST_F(DeathHudTest, CountsAreWrittenInFullWithTheRightWords) {
    stCharacter.health = 0.0f;
    Main.deathTimer = kTimerAtRest;
    struct Case {
        int kills, deaths;
        const char *withKills, *withDeaths;
    };
    const Case cases[] = {
        {0, 1, "Along with no zombies at all...", "You have died 1 time..."},
        {1, 0, "Along with 1 zombies...", "You have died 0 times..."},
        {12, 2, "Along with 12 zombies...", "You have died 2 times..."},
        {2147483647, 2147483647, "Along with 2147483647 zombies...",
         "You have died 2147483647 times..."},
        {INT_MIN, INT_MIN, "Along with no zombies at all...", "You have died -2147483648 times..."},
        {1000000000, -1, "Along with 1000000000 zombies...", "You have died -1 times..."},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.withKills);
        SCOPED_TRACE(c.withDeaths);
        stCharacter.killCount = c.kills;
        stCharacter.deathCount = c.deaths;
        EXPECT_TRUE(
            Same(HudFrame(), Message({kDied, c.withKills, c.withDeaths, kCrawled, kPrompt})));
    }
}

TEST_F(DeathHudTest, MessageStartsAgainFromItsFirstLineAfterARespawn) {
    stCharacter.health = 0.0f;
    stCharacter.killCount = 3;
    stCharacter.deathCount = 1;
    Main.deathTimer = kTimerAtRest;
    EXPECT_TRUE(Same(HudFrame(), Message({kDied, "Along with 3 zombies...",
                                          "You have died 1 time...", kCrawled, kPrompt})));

    CharacterMgr->Respawn(); // Enter at the prompt
    const Pixels alive = HudFrame();
    EXPECT_EQ(GapInsideFrame(alive), 0);
    EXPECT_EQ(Lit(alive, 0, 5, 133, 100), 0);

    stCharacter.health = 0.0f; // and dead again
    stCharacter.deathCount = 2;
    EXPECT_TRUE(Same(HudFrame(), Message({kDied})));
    Main.deathTimer = -1.5f;
    EXPECT_TRUE(
        Same(HudFrame(), Message({kDied, "Along with 3 zombies...", "You have died 2 times..."})));
}

} // namespace
