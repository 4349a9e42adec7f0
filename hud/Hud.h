// Everything flat on the screen: the HUD projection, the title menu with its options
// screen, and the overlay of the game state.
#pragma once

class CHud {
  public:
    CHud();
    void RenderHud();
    void SetOrtho();
    void DrawMenu();
    void ProcessInputs();
    void DrawHealth();
    void DrawDeathMessage();

    bool keyHeld;          // a menu key was down at the end of the last pass
    int menuCursor;        // highlighted row 0..2
    int menuBackground;    // menu picture behind the menu: 1 or 2
    bool optionsShown;     // the options screen instead of the main menu
    int chosenResolution;  // row of the resolution table chosen on the options screen
    int currentResolution; // row of the resolution in force
};

extern CHud *Hud;

struct Resolution {
    const char *label;
    int width;
    int height;
};
extern const Resolution kResolutions[4];

// A count as decimal text, whole whatever its size or sign ("-2147483648" at the most).
struct DecimalText {
    explicit DecimalText(int value);
    char text[12];
};
