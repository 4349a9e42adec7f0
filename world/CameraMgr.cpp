#include "world/CameraMgr.h"

#include "app/Records.h"
#include "input/InputSystem.h"
#include "world/MapMgr.h"

#include <GL/gl.h>
#include <cmath>

namespace {

const float kStep = 0.4f;
const float kLookAhead = 1.4f;

// One step along the heading angle (degrees), backward when asked. The probe 1.4 ahead
// must stay inside the map and, like the new position, on a cell that does not block.
// The camera's pivot moves with the player.
bool Move(float angle, bool backward) {
    float s, c;
    HeadingSinCos(angle, s, c);
    float stepX = kStep * s, stepZ = -kStep * c;
    float lookX = kLookAhead * s, lookZ = -kLookAhead * c;
    if (backward) {
        stepX = -stepX;
        stepZ = -stepZ;
        lookX = -lookX;
        lookZ = -lookZ;
    }
    const float probeX = stCharacter.posX + lookX;
    const float probeZ = stCharacter.posZ + lookZ;
    if (!(probeX > 0.0f && probeX < 250.0f))
        return false;
    if (!(probeZ > 0.0f && probeZ < 250.0f))
        return false;
    const float newX = stCharacter.posX + stepX;
    const float newZ = stCharacter.posZ + stepZ;
    if (BlocksWalking(CellAt(newX, newZ)) || BlocksWalking(CellAt(probeX, probeZ)))
        return false;
    stCharacter.posX = newX;
    stCharacter.posZ = newZ;
    TheCamera.trackX += stepX;
    TheCamera.trackZ -= stepZ;
    return true;
}

} // namespace

void HeadingSinCos(float degrees, float &s, float &c) {
    const double a = static_cast<double>(degrees * kDegreesToRadians);
    s = static_cast<float>(std::sin(a));
    c = static_cast<float>(std::cos(a));
}

void WorldToClip(float clip[16]) {
    float view[16], projection[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, view);
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    for (int c = 0; c < 4; c++)
        for (int r = 0; r < 4; r++) {
            float sum = 0.0f;
            for (int k = 0; k < 4; k++)
                sum += projection[k * 4 + r] * view[c * 4 + k];
            clip[c * 4 + r] = sum;
        }
}

bool BlocksWalking(const structMap &cell) {
    return cell.wallHeight > 0.5f && !(cell.wallBase > 3.0f && cell.wallBase < 9.0f);
}

void CCameraMgr::InitCamera() {
    TheCamera = kStartCamera;
}

void CCameraMgr::SetCamera() {
    // The floor under the player, fresh every frame: the eye follows steps at once.
    const float h = CellAt(stCharacter.posX, stCharacter.posZ).floorHeight;
    const structCamera &c = TheCamera;
    glTranslatef(0.0f, 0.0f, -c.distance);
    glRotatef(c.pitch, 1.0f, 0.0f, 0.0f);
    glRotatef(c.yaw, 0.0f, 1.0f, 0.0f);
    glTranslatef(-c.baseX, c.baseY - h, c.baseZ);
    glTranslatef(-c.trackX, c.trackY, c.trackZ);
    glTranslatef(0.0f, 0.0f, c.distance);
}

void CCameraMgr::ProcessInputs() {
    if (Input->KeyDown(DIK_W)) {
        if (Move(TheCamera.yaw, false))
            stCharacter.moveState = 1;
    } else if (Input->KeyDown(DIK_S)) {
        if (Move(TheCamera.yaw, true))
            stCharacter.moveState = 2;
    } else if (stCharacter.moveState != 0) {
        stCharacter.moveState = 0;
        stCharacter.frame = 0; // the still picture
    }
    // Sideways steps never change the walk state.
    if (Input->KeyDown(DIK_D))
        Move(TheCamera.yaw + 90.0f, false);
    if (Input->KeyDown(DIK_A))
        Move(TheCamera.yaw - 90.0f, false);
}
