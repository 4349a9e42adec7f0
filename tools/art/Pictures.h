// The pictures of the game, each with the path it takes under "Game Data".
#pragma once

#include "Image.h"
#include "MapGen.h"

#include <string>
#include <vector>

namespace art {

struct Picture {
    std::string path;   // relative to "Game Data", '/' separated
    Image image;        // as a player sees it on screen
    bool alpha;         // written as RGBA (sprites and menu pictures) or RGB (tiles)
    bool storedFlipped; // the game shows row 0 at the bottom, so the file is upside down
    std::string caption;
};

struct Fonts {
    std::string title; // the lettering of the game's name
    std::string sans;  // labels
    std::string serif; // small lettering on emblems
};

std::vector<Picture> spritePictures();
std::vector<Picture> floorPictures();
std::vector<Picture> wallPictures();
// Title picture, map overview, menu cursor and the credit emblem, in menu slot order.
std::vector<Picture> menuPictures(const World &world, const std::vector<Picture> &floors,
                                  const Fonts &fonts);

// The game's icon, size x size with smooth (not cut-out) edges: a zombie's head.
Image iconPicture(int size);

// A top-down picture of the whole map, cellPixels pixels a cell, with the places named
// unless names is false.
Image mapPicture(const World &world, const std::vector<Picture> &floors, const Fonts &fonts,
                 int cellPixels, bool names = true);
// All pictures side by side with their paths, to look them over at a glance.
Image contactSheet(const std::vector<const Picture *> &pics, const Fonts &fonts);

} // namespace art
