// Draws the game's icon into an icon theme folder, at the sizes desktops ask for:
// ICON_THEME_DIR/NxN/apps/gravewake.png.
//
//   gravewake_icon ICON_THEME_DIR
#include "Pictures.h"
#include "Png.h"

#include <cstdio>
#include <string>

using namespace art;

int main(int argc, char **argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s ICON_THEME_DIR\n", argv[0]);
        return 2;
    }
    bool ok = true;
    for (int size : {48, 64, 128, 256}) {
        const std::string dir = std::string(argv[1]) + "/" + std::to_string(size) + "x" +
                                std::to_string(size) + "/apps";
        ok = makeDirs(dir) && writePng(dir + "/gravewake.png", iconPicture(size), true) && ok;
    }
    if (!ok) {
        std::fprintf(stderr, "gravewake_icon: could not write the icons under %s\n", argv[1]);
        return 1;
    }
    return 0;
}
