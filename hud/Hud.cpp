#include "hud/Hud.h"

#include "app/Main.h"
#include "app/Random.h"
#include "app/Records.h"
#include "hud/FontsMgr.h"
#include "input/InputSystem.h"
#include "world/TextureMgr.h"

#include <GL/gl.h>
#include <cstdio>
#include <cstdlib>

const Resolution kResolutions[4] = {
    {"640x480", 640, 480},
    {"800x600", 800, 600},
    {"1024x768", 1024, 768},
    {"1280x1024", 1280, 1024},
};

namespace {

// A textured quad given corner by corner: texture coordinate, then HUD position.
struct Corner {
    float s, t, x, y;
};

void Quad(unsigned texture, const Corner (&corners)[4]) {
    glBindTexture(GL_TEXTURE_2D, texture);
    glBegin(GL_QUADS);
    for (const Corner &c : corners) {
        glTexCoord2f(c.s, c.t);
        glVertex3f(c.x, c.y, 0.0f);
    }
    glEnd();
}

void Print(float x, float y, int font, const char *text) {
    glRasterPos2f(x, y);
    FontsMgr->PrintString(FontsMgr->GetlistBase(font), text);
}

} // namespace

CHud::CHud()
    : keyHeld(false), menuCursor(0), menuBackground(GameRand() % 2 + 1), optionsShown(false),
      chosenResolution(1), currentResolution(1) {}

void CHud::SetOrtho() {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0.0, 133.0, 100.0, 0.0, -100.0, 100.0); // x 0..133 left to right, y 0..100 down
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

void CHud::RenderHud() {
    SetOrtho();
    if (Main.screen == 0) {
        DrawMenu();
    } else if (Main.screen == 1) {
        if (stCharacter.health > 0.0f)
            DrawHealth();
        else
            DrawDeathMessage();
    }
    // Back to the configured viewport and the perspective for the next frame.
    Main.ReSizeGLScene(Main.width, Main.height);
}

void CHud::DrawMenu() {
    glEnable(GL_TEXTURE_2D);
    Quad(TextureMgr->GetMenuTex(menuBackground),
         {{0, 1, 0, 100}, {1, 1, 133, 100}, {1, 0, 133, 0}, {0, 0, 0, 0}});

    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    const float a = 6.0f * menuCursor + 40.0f;
    Quad(TextureMgr->GetMenuTex(0),
         {{0, 1, 50, a}, {1, 1, 54, a}, {1, 0, 54, a + 4}, {0, 0, 50, a + 4}});
    Quad(TextureMgr->GetMenuTex(3),
         {{0, 1, 105, 98.2f}, {1, 1, 125, 98.2f}, {1, 0, 125, 88}, {0, 0, 105, 88}});
    glDisable(GL_BLEND);
    glDisable(GL_TEXTURE_2D);

    Print(78.0f, 96.2f, 3, "Corvane  &");
    if (optionsShown) {
        Print(55.0f, 43.0f, 1, "Resolution: ");
        if (chosenResolution >= 0 && chosenResolution < 4)
            FontsMgr->PrintString(FontsMgr->GetlistBase(1), kResolutions[chosenResolution].label);
        if (menuCursor == 0)
            Print(45.0f, 90.0f, 2, "Press 'left' or 'right' to change resolution.");
        Print(55.0f, 49.0f, 1, "Accept");
    } else {
        Print(55.0f, 43.0f, 1, "Start Game");
        Print(55.0f, 49.0f, 1, "Options");
        Print(55.0f, 55.0f, 1, "Quit");
    }
}

void CHud::ProcessInputs() {
    // One action per press: nothing happens on a pass that follows one with a menu key
    // down, and only the first key down, in this order, is handled.
    if (!keyHeld) {
        if (Input->KeyDown(DIK_DOWN)) {
            menuCursor = menuCursor + 1 > 2 ? 0 : menuCursor + 1;
        } else if (Input->KeyDown(DIK_UP)) {
            menuCursor = menuCursor - 1 < 0 ? 2 : menuCursor - 1;
        } else if (Input->KeyDown(DIK_LEFT)) {
            if (optionsShown)
                chosenResolution = chosenResolution - 1 < 0 ? 3 : chosenResolution - 1;
        } else if (Input->KeyDown(DIK_RIGHT)) {
            if (optionsShown)
                chosenResolution = chosenResolution + 1 > 3 ? 0 : chosenResolution + 1;
        } else if (Input->KeyDown(DIK_RETURN)) {
            if (!optionsShown) {
                if (menuCursor == 0) {
                    Main.SetScreen(1);
                } else if (menuCursor == 1) {
                    optionsShown = true;
                    menuCursor = 0;
                } else {
                    PostQuitMessage(0);
                }
            } else if (menuCursor == 1) {
                if (chosenResolution != currentResolution) {
                    currentResolution = chosenResolution;
                    Main.width = kResolutions[currentResolution].width;
                    Main.height = kResolutions[currentResolution].height;
                    Main.KillGLWindow();
                    if (!Main.CreateGLWindow("Hollowmere's Gravewake", Main.width, Main.height, 16,
                                             Main.GetFullscreen()))
                        PostQuitMessage(
                            0); // the user has been told why; end as after a failed start
                }
                optionsShown = false;
            }
        }
    }
    keyHeld = Input->KeyDown(DIK_DOWN) || Input->KeyDown(DIK_UP) || Input->KeyDown(DIK_LEFT) ||
              Input->KeyDown(DIK_RIGHT) || Input->KeyDown(DIK_RETURN);
}

DecimalText::DecimalText(int value) {
    std::snprintf(text, sizeof text, "%d", value);
}

void CHud::DrawHealth() {
    // A red bar as long as the health, in a white frame as long as full health (30).
    const float h = stCharacter.health;
    glColor3f(1.0f, 0.0f, 0.0f);
    glBegin(GL_QUADS);
    glVertex3f(100.0f, 1.0f, 0.0f);
    glVertex3f(100.0f + h, 1.0f, 0.0f);
    glVertex3f(100.0f + h, 3.0f, 0.0f);
    glVertex3f(100.0f, 3.0f, 0.0f);
    glEnd();
    glColor3f(1.0f, 1.0f, 1.0f);
    glBegin(GL_LINES);
    glVertex3f(100.0f, 1.0f, 0.0f);
    glVertex3f(130.0f, 1.0f, 0.0f);
    glVertex3f(130.0f, 1.0f, 0.0f);
    glVertex3f(130.0f, 3.0f, 0.0f);
    glVertex3f(130.0f, 3.0f, 0.0f);
    glVertex3f(100.0f, 3.0f, 0.0f);
    glVertex3f(100.0f, 3.0f, 0.0f);
    glVertex3f(100.0f, 1.0f, 0.0f);
    glEnd();
}

void CHud::DrawDeathMessage() {
    // One line more at each step of the death fade; the last invites the respawn, which
    // the main loop accepts from the same moment.
    const unsigned font = FontsMgr->GetlistBase(1);
    const float timer = Main.deathTimer;
    glColor3f(1.0f, 1.0f, 1.0f);
    Print(30.0f, 10.0f, 1, "You died...");
    if (timer < -0.5f) {
        Print(30.0f, 16.0f, 1, "Along with ");
        if (stCharacter.killCount > 0) {
            FontsMgr->PrintString(font, DecimalText(stCharacter.killCount).text);
            FontsMgr->PrintString(font, " zombies...");
        } else {
            FontsMgr->PrintString(font, "no zombies at all...");
        }
    }
    if (timer < -1.0f) {
        Print(30.0f, 22.0f, 1, "You have died ");
        FontsMgr->PrintString(font, DecimalText(stCharacter.deathCount).text);
        FontsMgr->PrintString(font, stCharacter.deathCount == 1 ? " time..." : " times...");
    }
    if (timer < -2.0f)
        Print(30.0f, 28.0f, 1, "Like a fighter, you crawled to the hospital...");
    if (timer < -3.0f)
        Print(30.0f, 34.0f, 1, "Press 'Enter' key to respawn...");
    glColor3f(1.0f, 0.0f, 0.0f); // left red
}
