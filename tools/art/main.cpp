// Generates the game's pictures and map into a "Game Data" folder and, when a second
// folder is named, the contact sheet and the top-down map picture into that one.
//
//   gravewake_art GAME_DATA_DIR [EXTRAS_DIR]
#include "MapGen.h"
#include "Pictures.h"
#include "Png.h"

#include <cstdio>
#include <string>

using namespace art;

static bool writeFile(const std::string &path, const std::string &text) {
    FILE *f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    return std::fclose(f) == 0 && ok;
}

static std::string parent(const std::string &path) {
    return path.substr(0, path.rfind('/'));
}

int main(int argc, char **argv) {
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: %s GAME_DATA_DIR [EXTRAS_DIR]\n", argv[0]);
        return 2;
    }
    const std::string data = argv[1];
    const Fonts fonts{ART_FONT_TITLE, ART_FONT_SANS, ART_FONT_SERIF};

    World world = buildWorld();
    std::vector<Picture> sprites = spritePictures();
    std::vector<Picture> floors = floorPictures();
    std::vector<Picture> walls = wallPictures();
    std::vector<Picture> menus = menuPictures(world, floors, fonts);

    std::vector<const Picture *> all;
    for (auto *set : {&sprites, &menus, &floors, &walls})
        for (const Picture &p : *set)
            all.push_back(&p);

    bool ok = true;
    for (const Picture *p : all) {
        std::string path = data + "/" + p->path;
        ok = makeDirs(parent(path)) && ok;
        ok = writePng(path, p->storedFlipped ? p->image.flippedRows() : p->image, p->alpha) && ok;
    }
    ok = makeDirs(data + "/Map") && writeFile(data + "/Map/Map.txt", mapText(world)) && ok;

    if (argc == 3) {
        const std::string extras = argv[2];
        ok = makeDirs(extras) && ok;
        ok = writePng(extras + "/contact-sheet.png", contactSheet(all, fonts), false) && ok;
        ok = writePng(extras + "/map.png", mapPicture(world, floors, fonts, 4), false) && ok;
    }
    if (!ok) {
        std::fprintf(stderr, "gravewake_art: could not write everything under %s\n", data.c_str());
        return 1;
    }
    return 0;
}
