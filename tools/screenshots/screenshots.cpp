// Takes the README's pictures of the game in play: runs the real game in a window on
// the current X display (scripts/screenshots.sh starts a virtual one), plays a short
// scripted scene through the main loop with injected keys and buttons, and captures the
// screen at the chosen moments with ImageMagick's import.
// Usage: screenshots OUTPUT_FOLDER   (run from the run directory)
#include "../../tests/Stage.h"

#include "actors/CharacterMgr.h"
#include "actors/WeaponMgr.h"
#include "actors/ZombieMgr.h"
#include "app/Main.h"
#include "app/Records.h"
#include "world/CameraMgr.h"
#include "input/InputSystem.h"
#include "platform/testing.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

std::string folder;
int failures = 0;

void Capture(const char *name) {

    const std::string command = "import -window root '" + folder + "/" + name + "'";
    if (std::system(command.c_str()) != 0) {
        std::fprintf(stderr, "screenshots: could not capture %s\n", name);
        failures++;
    } else {
        std::printf("%s/%s\n", folder.c_str(), name);
    }
}

// A zombie of the current population, alive, at a place given ahead of the player (along
// the camera's heading) and to its right.
void Stage(int slot, int kind, float ahead, float right) {
    float s, c;
    HeadingSinCos(TheCamera.yaw, s, c);
    structZombies &z = stZombies[slot];
    z = FreshZombie(kind);
    z.active = true;
    z.posX = stCharacter.posX + ahead * s + right * c;
    z.posZ = stCharacter.posZ - ahead * c + right * s;
    z.walking = true;
}

// Everyone else away, so that the staged ones have the stage.
void ClearStage() {
    for (structZombies &z : stZombies)
        z.active = false;
}

// The player at a place, facing a heading, the camera following as if walked there.
void Stand(float x, float z, float yaw, float pitch) {
    StandAt(x, z);
    Mouse->posX = yaw; // the mouse is the camera's heading and tilt
    Mouse->posY = -pitch;
    TheCamera.yaw = yaw;
}

// The scene, one step a pass once the game is on; false when it is over.
bool Step(int pass) {
    if (pass >= 14 && pass < 22)
        seams::MouseWheel(1); // zoom in for the cut, one step a pass
    switch (pass) {
    case 0: // the fight, on the road past the Carnival: a crowd of every kind
        Stand(100.5f, 59.5f, 90.0f, 14.0f);
        ClearStage();
        for (int k = 0; k < 10; k++)
            Stage(k, k % 5, 5.0f + 1.2f * k, (k % 2 ? 1.0f : -1.0f) * (1.5f + 0.8f * (k % 4)));
        Stage(10, 1, 2.0f, -1.5f);
        Stage(11, 3, 2.0f, 1.5f);
        seams::KeyEvent(DIK_3, true); // first a shot into the crowd
        return true;
    case 1:
        seams::KeyEvent(DIK_3, false);
        return true;
    case 2:
        seams::MouseButton(0, true);
        return true;
    case 3:
        seams::MouseButton(0, false);
        seams::KeyEvent(DIK_2, true); // then the cut at arm's length
        return true;
    case 4:
        seams::KeyEvent(DIK_2, false);
        return true;
    case 5:
        seams::MouseButton(0, true);
        return true;
    case 6:
        seams::MouseButton(0, false);
        return true;
    case 13:
        Capture("fight.png");
        return true;
    case 14: // a cut close up, beside the player
        Stand(120.5f, 59.5f, 75.0f, 20.0f);
        ClearStage();
        return true;
    case 22:
        Stage(0, 2, 2.2f, 1.6f);
        seams::MouseButton(0, true);
        return true;
    case 23:
        seams::MouseButton(0, false);
        return true;
    case 36:
        Capture("cut.png");
        return true;
    case 37: // the shot: the nearest of a line falls black
        Stand(130.5f, 59.5f, 100.0f, 15.0f);
        ClearStage();
        for (int k = 0; k < 4; k++)
            Stage(k, (k + 3) % 5, 5.0f + 3.0f * k, k % 2 ? 2.0f : 0.5f);
        seams::KeyEvent(DIK_3, true);
        return true;
    case 38:
        seams::KeyEvent(DIK_3, false);
        return true;
    case 39:
        seams::MouseButton(0, true);
        return true;
    case 40:
        seams::MouseButton(0, false);
        return true;
    case 46:
        Capture("shot.png");
        return true;
    case 47: // the death: a crowd closes in on a weakened player
        Stand(100.5f, 59.5f, 90.0f, 14.0f);
        ClearStage();
        for (int k = 0; k < 8; k++)
            Stage(k, k % 5, 0.5f + 0.8f * k, (k % 3 - 1) * 1.5f);
        stCharacter.health = 0.3f;
        return true;
    case 490:
        Capture("death.png");
        return false;
    default:
        return true;
    }
}

} // namespace

int main(int argc, char **argv) {
    if (argc != 2 || !std::getenv("DISPLAY")) {
        std::fprintf(stderr, "usage: screenshots OUTPUT_FOLDER (with DISPLAY set)\n");
        return 2;
    }
    folder = argv[1];
    seams::ScriptAnswers({IDNO}); // windowed
    bool started = false, quitting = false;
    int lastPresents = -1, pass = 0;
    seams::SetPumpHook([&] {
        if (seams::Presents() == lastPresents || quitting)
            return; // once per pass
        lastPresents = seams::Presents();
        if (!started) {
            const bool down = lastPresents % 2 == 1; // Enter on "Start Game"
            seams::KeyEvent(DIK_RETURN, down);
            started = Main.screen == 1 && !down;
            return;
        }
        if (!Step(pass++)) {
            seams::KeyEvent(DIK_ESCAPE, true);
            quitting = true;
        }
    });
    const int code = WinMain(GetModuleHandleA(nullptr), nullptr, nullptr, SW_SHOW);
    return code != 0 || failures != 0 ? 1 : 0;
}
