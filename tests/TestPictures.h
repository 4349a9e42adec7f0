// Small PNG files for tests, written with libpng in any colour type, and a scratch
// folder that stands in for the run directory while a test runs.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct Rgba {
    uint8_t r, g, b, a;
};

// Writes width x height pixels of one colour as 8-bit RGBA (or RGB when opaque).
bool WriteSolidPng(const std::string &path, int width, int height, Rgba colour);

// Writes raw rows of any libpng colour type and bit depth; samples are packed as the
// PNG format stores them. palette: RGB triples; trns: alpha per palette entry, or the
// transparent grey/RGB value as 16-bit samples.
struct PngSpec {
    int width = 4;
    int height = 4;
    int colourType = 2; // PNG_COLOR_TYPE_RGB
    int bitDepth = 8;
    bool interlaced = false;
    std::vector<uint8_t> rows; // height rows of packed samples
    std::vector<uint8_t> palette;
    std::vector<uint8_t> trnsAlpha;
    std::vector<uint16_t> trnsColour; // grey, or r g b
};
bool WritePng(const std::string &path, const PngSpec &picture);

// A fresh folder made the current directory for the life of the object.
class ScratchDir {
  public:
    ScratchDir();
    ~ScratchDir();
    const std::string &path() const { return path_; }
    // Creates the folders of "Game Data" the catalogue reads.
    void MakeGameDataFolders() const;

  private:
    std::string path_;
    std::string previous_;
};

// Writes all 100 pictures of the catalogue; picture k (sprites 0..19, menus 20..23,
// floors 24..81, walls 82..99, the catalogue's loading order) is 4 x 4 of the colour
// CatalogueColour(k).
Rgba CatalogueColour(int k);
void WriteCatalogue();
std::string CataloguePath(int k);
