// The in-game use of mouse and keyboard: mouse look, attack and zombie-reset buttons with
// their press latches, zoom by the wheel, quit by Escape.
#include "actors/CharacterMgr.h"
#include "actors/ZombieMgr.h"
#include "app/Main.h"
#include "app/Records.h"
#include "input/InputSystem.h"

void CInputSystem::ProcessInput() {
    UpdateMouse();
    MouseInput();
    KeyboardInput();
}

void CInputSystem::UpdateMouse() {
    if (!Mouse)
        return; // the game always creates one; without it there is nothing to look with
    mouseDeltaX = static_cast<float>(Mouse->state.lX);
    mouseDeltaY = static_cast<float>(Mouse->state.lY);
    Mouse->posX = Mouse->posX + Mouse->sensitivity * mouseDeltaX;
    Mouse->posY = Mouse->posY - Mouse->sensitivity * mouseDeltaY;

    // Only the camera's copy is brought into range, and only by one turn: every use of
    // the yaw is a rotation or a sine, so a yaw beyond 360 still looks right.
    TheCamera.yaw = Mouse->posX;
    if (TheCamera.yaw > 360.0f)
        TheCamera.yaw -= 360.0f;
    else if (TheCamera.yaw < 0.0f)
        TheCamera.yaw += 360.0f;

    if (Mouse->posY < -90.0f)
        Mouse->posY = -90.0f;
    else if (Mouse->posY > 0.0f)
        Mouse->posY = 0.0f;
    TheCamera.pitch = -Mouse->posY;
}

void CInputSystem::MouseInput() {
    if (!Mouse)
        return;
    const bool playing = stCharacter.health > 0.0f && Main.screen == 1;

    // One attack per press of the left button. A press made while an attack still runs
    // starts the next one as soon as that ends, if the button is still held.
    if (ButtonDown(0)) {
        if (playing && !attackLatch && !stCharacter.attacking) {
            CharacterMgr->Attack();
            attackLatch = true;
        }
    } else {
        attackLatch = false;
        if (stCharacter.weapon == 2)
            stCharacter.shotSpent = false;
    }

    // One fresh zombie population per press of the right button.
    if (ButtonDown(1)) {
        if (!zombieResetLatch) {
            ZombieMgr->InitZombies();
            zombieResetLatch = true;
        }
    } else {
        zombieResetLatch = false;
    }

    // The wheel: one zoom step per pass at most, whatever the size of the motion. The
    // pivot stays put because distance and trackZ change by opposite amounts.
    const int wheel = GetMouseWheelMovement();
    if (wheel < 0 && playing) {
        const float d = TheCamera.distance + 1.0f;
        if (d < 50.0f) {
            TheCamera.distance = d;
            TheCamera.trackZ = TheCamera.trackZ - 1.0f;
        }
    }
    if (wheel > 0 && playing) {
        const float d = TheCamera.distance - 1.0f;
        if (d >= 6.0f) {
            TheCamera.distance = d;
            TheCamera.trackZ = TheCamera.trackZ + 1.0f;
        }
    }
}

void CInputSystem::KeyboardInput() {
    if (KeyDown(DIK_ESCAPE))
        PostQuitMessage(0);
    // I, O and P nudge the cut-off half of zombie 3, for as long as they are held: a
    // way to look at how a cut body is put together.
    if (KeyDown(DIK_I))
        stZombies[3].pieceX += 0.1f;
    if (KeyDown(DIK_O))
        stZombies[3].pieceY += 0.1f;
    if (KeyDown(DIK_P))
        stZombies[3].pieceZ += 0.1f;
}
