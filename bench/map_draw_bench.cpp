// Frame time of drawing the game's map at draw distance 75: the literal cell-by-cell
// drawing against the game's own, from several places of the world. Run it from the run
// directory (it reads "Game Data"); without a display it uses SDL's offscreen driver.
#include "../tests/LiteralMapDraw.h"

#include "app/Main.h"
#include "app/Records.h"
#include "platform/testing.h"
#include "world/CameraMgr.h"
#include "world/MapMgr.h"

#include <GL/gl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

struct Place {
    const char *name;
    float x, z, yaw, pitch;
};

const Place kPlaces[] = {
    {"start", 1.0f, 59.0f, 91.0f, 13.0f},        {"hospital", 130.0f, 180.0f, 289.0f, 21.0f},
    {"centre N", 125.0f, 125.0f, 0.0f, 20.0f},   {"centre E", 125.0f, 125.0f, 90.0f, 20.0f},
    {"centre S", 125.0f, 125.0f, 180.0f, 20.0f}, {"centre W", 125.0f, 125.0f, 270.0f, 20.0f},
    {"low view", 60.0f, 200.0f, 135.0f, 5.0f},   {"high view", 200.0f, 60.0f, 250.0f, 60.0f},
};

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double FrameMs(const Place &p, bool literal) {
    stCharacter.posX = p.x;
    stCharacter.posZ = p.z;
    TheCamera = kStartCamera;
    TheCamera.yaw = p.yaw;
    TheCamera.pitch = p.pitch;
    // The camera follows the player by its track, as walking there would have left it.
    TheCamera.trackX = p.x - TheCamera.baseX;
    TheCamera.trackZ = -p.z - TheCamera.baseZ - TheCamera.distance;
    const auto start = std::chrono::steady_clock::now();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    CameraMgr->SetCamera();
    if (literal)
        LiteralDrawMap();
    else
        MapMgr->DrawMap();
    glFinish();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

} // namespace

int main(int argc, char **argv) {
    const int frames = argc > 1 ? std::max(3, std::atoi(argv[1])) : 15;
    if (!std::getenv("DISPLAY") && !std::getenv("SDL_VIDEODRIVER"))
        setenv("SDL_VIDEODRIVER", "offscreen", 1);
    seams::ScriptAnswers({});
    if (!Main.CreateGLWindow("Hollowmere's Gravewake", 800, 600, 16, 0))
        return 1;
    Main.SetScreen(1);
    Main.drawDistance = 75;
    std::printf("%s, 800 x 600, draw distance 75, %d frames a place\n",
                reinterpret_cast<const char *>(glGetString(GL_RENDERER)), frames);
    std::printf("%-10s %12s %12s\n", "place", "literal ms", "game ms");
    std::vector<double> all[2];
    for (const Place &p : kPlaces) {
        std::vector<double> times[2];
        for (int f = 0; f < frames; f++)
            for (int way = 0; way < 2; way++)
                times[way].push_back(FrameMs(p, way == 0));
        std::printf("%-10s %12.1f %12.1f\n", p.name, Median(times[0]), Median(times[1]));
        for (int way = 0; way < 2; way++)
            all[way].insert(all[way].end(), times[way].begin(), times[way].end());
    }
    std::printf("%-10s %12.1f %12.1f\n", "median", Median(all[0]), Median(all[1]));
    Main.KillGLWindow();
    return 0;
}
