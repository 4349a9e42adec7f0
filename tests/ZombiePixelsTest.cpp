// The game draws only the zombies the camera can see; from every viewpoint that must give
// exactly the pixels, and leave the colour, of drawing every one of them.
#include "GameTest.h"
#include "LiteralZombieDraw.h"
#include "Stage.h"

#include "actors/ZombieMgr.h"
#include "world/CameraMgr.h"
#include "world/MapMgr.h"

#include <GL/gl.h>

#include <cstring>
#include <random>
#include <vector>

namespace {

struct View {
    float x, z, yaw, pitch, distance;
};

struct Drawn {
    std::vector<uint8_t> pixels;
    float colour[4]; // the colour left for what follows in the frame
};

class ZombiePixelsTest : public GameTest {
  protected:
    void SetUp() override {
        GameTest::SetUp();
        OpenWindow();
        Main.SetScreen(1);
    }

    // The colour the scene starts with: white in play, the red tint of the death fade, or
    // the red the death message left behind when the player has just risen again.
    enum Scene { kAlive, kDead, kRisen };

    static Drawn Frame(const View &v, bool literal, Scene scene) {
        TheCamera = kStartCamera;
        TheCamera.yaw = v.yaw;
        TheCamera.pitch = v.pitch;
        TheCamera.distance = v.distance;
        StandAt(v.x, v.z);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glLoadIdentity();
        stCharacter.health = scene == kDead ? 0.0f : 30.0f;
        Main.deathTimer = scene == kDead ? 0.4f : 1.0f;
        if (scene == kRisen)
            glColor3f(1.0f, 0.0f, 0.0f);
        else
            glColor3f(1.0f, Main.deathTimer, Main.deathTimer);
        CameraMgr->SetCamera();
        glPushMatrix();
        MapMgr->DrawMap();
        glPopMatrix();
        glPushMatrix();
        if (literal)
            LiteralDrawZombies();
        else
            ZombieMgr->DrawZombies();
        glPopMatrix();
        Drawn d;
        d.pixels.resize(size_t(Main.width) * Main.height * 4);
        glReadPixels(0, 0, Main.width, Main.height, GL_RGBA, GL_UNSIGNED_BYTE, d.pixels.data());
        glGetFloatv(GL_CURRENT_COLOR, d.colour);
        return d;
    }
};

TEST_F(ZombiePixelsTest, DrawingOnlyWhatTheCameraSeesChangesNoPixel) {
    std::mt19937 random(77);
    auto uniform = [&](float lo, float hi) {
        return std::uniform_real_distribution<float>(lo, hi)(random);
    };
    std::vector<View> views = {{1.0f, 59.0f, 91.0f, 13.0f, 20.0f},
                               {130.0f, 180.0f, 289.0f, 21.0f, 20.0f},
                               {125.0f, 125.0f, 0.0f, 0.0f, 0.0f},
                               {3.0f, 3.0f, 225.0f, 60.0f, 6.0f}};
    for (int k = 0; k < 6; k++)
        views.push_back({uniform(2.0f, 248.0f), uniform(2.0f, 248.0f), uniform(-400.0f, 400.0f),
                         uniform(0.0f, 90.0f), uniform(0.0f, 49.0f)});
    int index = 0;
    for (const View &v : views) {
        // The population as placed, then crowded round the player in every state of life
        // and death, so that many sprites straddle the edges of the view.
        std::srand(index + 1);
        ZombieMgr->InitZombies();
        for (int i = 0; i < 400; i++) {
            structZombies &z = stZombies[(i * 7 + index) % kZombies];
            z.posX = v.x + uniform(-20.0f, 20.0f);
            z.posZ = v.z + uniform(-20.0f, 20.0f);
            z.frame = i % 3;
            switch (i % 6) {
            case 0: // falling
                z.health = 0;
                z.hitWeapon = i % 3;
                z.fallAngleX = uniform(-90.0f, 90.0f);
                z.fallAngleZ = uniform(-90.0f, 90.0f);
                z.offsetY = uniform(-1.7f, 0.0f);
                break;
            case 1: // cut, the half sliding off
                z.health = 0;
                z.hitWeapon = 1;
                z.cutStyle = 1 + i % 2;
                z.pieceX = uniform(-1.4f, 1.4f);
                z.pieceY = uniform(-1.4f, 0.0f);
                z.pieceZ = i % 12 == 1 ? uniform(0.0f, 3.0f) : 0.0f;
                break;
            case 2: // shot, at rest
                z.health = 0;
                z.cutStyle = 3;
                z.fallAngleX = -90.0f;
                z.bodyYaw = uniform(-360.0f, 360.0f);
                break;
            case 3: // a style that draws nothing
                z.cutStyle = 4;
                break;
            default:
                break;
            }
        }
        for (Scene scene : {kAlive, kDead, kRisen}) {
            const Drawn literal = Frame(v, true, scene);
            const Drawn game = Frame(v, false, scene);
            size_t differ = 0, first = 0;
            for (size_t k = 0; k < literal.pixels.size(); k += 4)
                if (std::memcmp(&literal.pixels[k], &game.pixels[k], 4) != 0 && differ++ == 0)
                    first = k / 4;
            EXPECT_EQ(differ, 0u) << "view " << index << " scene " << scene << ": first at x "
                                  << first % Main.width << " y " << first / Main.width;
            EXPECT_EQ(std::memcmp(literal.colour, game.colour, sizeof literal.colour), 0)
                << "view " << index;
        }
        index++;
    }
}

} // namespace
