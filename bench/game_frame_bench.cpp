// Frame time of the whole game frame at draw distance 75, 800 x 600: what the main loop
// does in a frame before its wait (clear, the scene with the player, the weapon, the
// zombies and one step of the logic, the overlay, then glFinish), from the places of the
// map benchmark, with the zombies as the game places them. Beside it, the map alone and
// the zombies alone from the same camera, to show where the time goes, the zombies both
// the game's way and the literal way (every sprite in the square sent, seen or not). Run
// it from the
// run directory (it reads "Game Data"); without a display it uses SDL's offscreen driver.
#include "../tests/Literal.h"
#include "Places.h"

#include "actors/CharacterMgr.h"
#include "actors/ZombieMgr.h"
#include "app/Main.h"
#include "app/Random.h"
#include "app/Records.h"
#include "hud/Hud.h"
#include "platform/testing.h"
#include "world/CameraMgr.h"
#include "world/MapMgr.h"

#include <GL/gl.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

const unsigned kSeed = 1;
const int kWarmFrames = 2; // the first frames at a place change the tune and fill caches

using Clock = std::chrono::steady_clock;

double Ms(Clock::time_point a, Clock::time_point b) {
    return std::chrono::duration<double, std::milli>(b - a).count();
}

double Worst(const std::vector<double> &v) {
    return *std::max_element(v.begin(), v.end());
}

// A fresh population, a fresh player standing at the place, and the camera behind the
// player as walking there would have left it.
void Reset(const Place &p) {
    GameSrand(kSeed);
    ZombieMgr->InitZombies();
    CharacterMgr->InitCharacter();
    Main.deathTimer = 1.0f;
    LookFrom(p);
}

// The frame as the main loop renders it, without the wait that paces it.
double GameFrameMs() {
    const Clock::time_point start = Clock::now();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    Main.RenderGame();
    Hud->RenderHud();
    glFinish();
    return Ms(start, Clock::now());
}

enum Part { kMap, kGameZombies, kLiteralZombies };

// One part of the scene alone, from the same camera; no logic runs.
double PartMs(Part part) {
    const Clock::time_point start = Clock::now();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    CameraMgr->SetCamera();
    glPushMatrix();
    if (part == kMap)
        MapMgr->DrawMap();
    else if (part == kGameZombies)
        ZombieMgr->DrawZombies();
    else
        LiteralDrawZombies();
    glPopMatrix();
    glFinish();
    return Ms(start, Clock::now());
}

// Zombies the frame draws: those in the square of the draw distance around the player.
int ZombiesInView() {
    const float r = static_cast<float>(Main.drawDistance);
    const float px = static_cast<float>(static_cast<int>(stCharacter.posX));
    const float pz = static_cast<float>(static_cast<int>(stCharacter.posZ));
    int n = 0;
    for (const structZombies &z : stZombies)
        if (z.active && std::fabs(px - z.posX) < r && std::fabs(pz - z.posZ) < r)
            n++;
    return n;
}

} // namespace

int main(int argc, char **argv) {
    const int frames = argc > 1 ? std::max(3, std::atoi(argv[1])) : 20;
    if (!std::getenv("DISPLAY") && !std::getenv("SDL_VIDEODRIVER"))
        setenv("SDL_VIDEODRIVER", "offscreen", 1);
    seams::ScriptAnswers({});
    if (!Main.CreateGLWindow("Hollowmere's Gravewake", 800, 600, 16, 0))
        return 1;
    Main.SetScreen(1);
    Main.drawDistance = 75;
    std::printf("%s, 800 x 600, draw distance 75, %d frames a place (after %d unmeasured)\n",
                reinterpret_cast<const char *>(glGetString(GL_RENDERER)), frames, kWarmFrames);
    std::printf("%-10s %8s %10s %10s %8s %16s\n", "place", "zombies", "frame ms", "worst ms",
                "map ms", "zombies ms");
    std::printf("%-10s %8s %10s %10s %8s %8s %8s\n", "", "", "", "", "", "literal", "game");
    std::vector<double> all;
    bool bitten = false;
    for (const Place &p : kPlaces) {
        Reset(p);
        const int inView = ZombiesInView();
        for (int f = 0; f < kWarmFrames; f++)
            GameFrameMs();
        std::vector<double> game, map, zombies, literal;
        for (int f = 0; f < frames; f++) {
            game.push_back(GameFrameMs());
            map.push_back(PartMs(kMap));
            literal.push_back(PartMs(kLiteralZombies));
            zombies.push_back(PartMs(kGameZombies));
        }
        bitten = bitten || stCharacter.health < 30.0f;
        std::printf("%-10s %8d %10.1f %10.1f %8.1f %8.1f %8.1f\n", p.name, inView, Median(game),
                    Worst(game), Median(map), Median(literal), Median(zombies));
        all.insert(all.end(), game.begin(), game.end());
    }
    std::printf("%-10s %8s %10.1f %10.1f   (target: median under 25 ms)\n", "all", "", Median(all),
                Worst(all));
    if (bitten)
        std::printf("(the zombies reached the player somewhere: the bites ran too)\n");
    Main.KillGLWindow();
    return 0;
}
