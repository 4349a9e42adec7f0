#include "TestPictures.h"

#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <unistd.h>

bool WritePng(const std::string &path, const PngSpec &picture) {
    std::FILE *file = std::fopen(path.c_str(), "wb");
    if (!file)
        return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(file);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, picture.width, picture.height, picture.bitDepth, picture.colourType,
                 picture.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    std::vector<png_color> palette;
    for (size_t i = 0; i + 2 < picture.palette.size(); i += 3)
        palette.push_back({picture.palette[i], picture.palette[i + 1], picture.palette[i + 2]});
    if (!palette.empty())
        png_set_PLTE(png, info, palette.data(), static_cast<int>(palette.size()));
    if (!picture.trnsAlpha.empty())
        png_set_tRNS(png, info, picture.trnsAlpha.data(),
                     static_cast<int>(picture.trnsAlpha.size()), nullptr);
    if (!picture.trnsColour.empty()) {
        png_color_16 colour = {};
        if (picture.trnsColour.size() == 1)
            colour.gray = picture.trnsColour[0];
        else {
            colour.red = picture.trnsColour[0];
            colour.green = picture.trnsColour[1];
            colour.blue = picture.trnsColour[2];
        }
        png_set_tRNS(png, info, nullptr, 0, &colour);
    }
    png_write_info(png, info);
    const size_t stride = picture.rows.size() / picture.height;
    std::vector<png_bytep> rows;
    for (int y = 0; y < picture.height; y++)
        rows.push_back(const_cast<png_bytep>(picture.rows.data() + y * stride));
    png_write_image(png, rows.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    std::fclose(file);
    return true;
}

bool WriteSolidPng(const std::string &path, int width, int height, Rgba colour) {
    PngSpec picture;
    picture.width = width;
    picture.height = height;
    const bool opaque = colour.a == 255;
    picture.colourType = opaque ? PNG_COLOR_TYPE_RGB : PNG_COLOR_TYPE_RGB_ALPHA;
    for (int i = 0; i < width * height; i++) {
        picture.rows.push_back(colour.r);
        picture.rows.push_back(colour.g);
        picture.rows.push_back(colour.b);
        if (!opaque)
            picture.rows.push_back(colour.a);
    }
    return WritePng(path, picture);
}

ScratchDir::ScratchDir() {
    char buffer[4096];
    if (getcwd(buffer, sizeof buffer))
        previous_ = buffer;
    char templ[] = "/tmp/gravewake-test-XXXXXX";
    if (mkdtemp(templ))
        path_ = templ;
    if (!path_.empty() && chdir(path_.c_str()) != 0)
        path_.clear();
}

ScratchDir::~ScratchDir() {
    if (!previous_.empty() && chdir(previous_.c_str()) != 0)
        std::perror("chdir");
    if (!path_.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
}

void ScratchDir::MakeGameDataFolders() const {
    for (const char *folder : {"Wren", "Zombie", "Menus", "Floor", "Walls"})
        std::filesystem::create_directories(std::string("Game Data/") + folder);
}

Rgba CatalogueColour(int k) {
    return {static_cast<uint8_t>(k * 2 + 1), static_cast<uint8_t>(255 - k),
            static_cast<uint8_t>((k * 37) % 256), 255};
}

std::string CataloguePath(int k) {
    static const char *const sprites[] = {"Wren/Wren-still",
                                          "Wren/Wren-walk-1",
                                          "Wren/Wren-walk-2",
                                          "Wren/Wren-hit",
                                          "Wren/Wren-hurt",
                                          "Zombie/Zombie-still",
                                          "Zombie/Zombie-walk-1",
                                          "Zombie/Zombie-walk-2",
                                          "Zombie/Zombie-girl-still",
                                          "Zombie/Zombie-girl-walk-1",
                                          "Zombie/Zombie-girl-walk-2",
                                          "Zombie/Zombie-Hippie-still",
                                          "Zombie/Zombie-Hippie-walk-1",
                                          "Zombie/Zombie-Hippie-walk-2",
                                          "Zombie/Monkey-still",
                                          "Zombie/Monkey-walk-1",
                                          "Zombie/Monkey-walk-2",
                                          "Zombie/Gourd-still",
                                          "Zombie/Gourd-walk-1",
                                          "Zombie/Gourd-walk-2"};
    static const char *const menus[] = {"Menus/Arrow", "Menus/Screen1", "Menus/Map",
                                        "Menus/Tarrow"};
    std::string name;
    if (k < 20)
        name = sprites[k];
    else if (k < 24)
        name = menus[k - 20];
    else if (k < 82)
        name = "Floor/Floor" + std::to_string(k - 24);
    else
        name = "Walls/Wall" + std::to_string(k - 82);
    return "Game Data/" + name + ".png";
}

void WriteCatalogue() {
    for (int k = 0; k < 100; k++)
        WriteSolidPng(CataloguePath(k), 4, 4, CatalogueColour(k));
}
