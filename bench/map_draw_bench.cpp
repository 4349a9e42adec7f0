// Frame time of drawing the game's map at draw distance 75: the literal cell-by-cell
// drawing against the game's own, from several places of the world. Run it from the run
// directory (it reads "Game Data"); without a display it uses SDL's offscreen driver.
#include "../tests/Literal.h"
#include "Places.h"

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

double FrameMs(const Place &p, bool literal) {
    LookFrom(p);
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
