// Draws the game's icon into an icon theme folder, at the sizes desktops ask for:
// ICON_THEME_DIR/NxN/apps/gravewake.png; and, given ICO_FILE, a Windows icon file with the
// sizes the Windows shell shows, each kept as a PNG inside (as Windows allows since Vista).
//
//   gravewake_icon ICON_THEME_DIR [ICO_FILE]
#include "Pictures.h"
#include "Png.h"

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

using namespace art;

namespace {

void put16(std::string &out, unsigned v) { out += char(v & 0xff), out += char(v >> 8 & 0xff); }
void put32(std::string &out, uint32_t v) { put16(out, v & 0xffff), put16(out, v >> 16); }

// The icon directory (6 bytes), an entry of 16 bytes per picture, then the pictures.
bool writeIco(const std::string &path) {
    const int sizes[] = {16, 32, 48, 256};
    const unsigned count = std::size(sizes);
    std::string head, body;
    put16(head, 0), put16(head, 1), put16(head, count);
    for (int size : sizes) {
        std::string png;
        if (!encodePng(iconPicture(size), true, png))
            return false;
        head += char(size & 0xff), head += char(size & 0xff); // 256 is written as 0
        put16(head, 0);                                       // no palette, reserved
        put16(head, 1), put16(head, 32);                      // planes, bits per pixel
        put32(head, uint32_t(png.size()));
        put32(head, uint32_t(6 + 16 * count + body.size()));
        body += png;
    }
    std::ofstream out(path, std::ios::binary);
    out << head << body;
    return bool(out.flush());
}

} // namespace

int main(int argc, char **argv) {
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: %s ICON_THEME_DIR [ICO_FILE]\n", argv[0]);
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
    if (argc == 3 && !writeIco(argv[2])) {
        std::fprintf(stderr, "gravewake_icon: could not write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
