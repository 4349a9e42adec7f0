// The generator's building blocks, where a fault would spoil many pictures at once.
#include "MapGen.h"
#include "Noise.h"
#include "Png.h"
#include "Text.h"

#include <gtest/gtest.h>
#include <png.h>

#include <cstdio>
#include <filesystem>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

using namespace art;

TEST(ArtNoise, WrapsWithItsPeriodSoTilesHaveNoSeams) {
    for (float y : {0.0f, 0.3f, 5.7f})
        for (float x : {0.0f, 1.25f, 3.9f}) {
            EXPECT_NEAR(valueNoise(x, y, 8, 3), valueNoise(x + 8, y, 8, 3), 1e-5);
            EXPECT_NEAR(valueNoise(x, y, 8, 3), valueNoise(x, y - 16, 8, 3), 1e-5);
            EXPECT_NEAR(fbm(x / 8, y / 8, 4, 3, 11), fbm(x / 8 + 1, y / 8 - 1, 4, 3, 11), 1e-5);
        }
    // ... and is not constant.
    EXPECT_NE(valueNoise(0.5f, 0.5f, 8, 3), valueNoise(2.5f, 0.5f, 8, 3));
}

TEST(ArtNoise, SeededGeneratorRepeats) {
    Rng a(42), b(42), c(43);
    bool differs = false;
    for (int k = 0; k < 100; ++k) {
        uint32_t x = a.next();
        EXPECT_EQ(x, b.next());
        differs |= x != c.next();
        float u = a.uniform();
        b.uniform();
        EXPECT_GE(u, 0.0f);
        EXPECT_LT(u, 1.0f);
    }
    EXPECT_TRUE(differs);
}

TEST(ArtPng, WritesExactPixelsInBothLayouts) {
    Image img(4, 2);
    img.at(0, 0) = hex(0xff0000);
    img.at(1, 0) = hex(0x00ff00);
    img.at(2, 0) = hex(0x0000ff);
    img.at(3, 1) = Rgba{1, 1, 1, 0.5f};
    std::string path = std::filesystem::temp_directory_path() /
                       ("gravewake-art-png-" + std::to_string(::getpid()) + ".png");
    for (bool alpha : {true, false}) {
        ASSERT_TRUE(writePng(path, img, alpha));
        png_image in{};
        in.version = PNG_IMAGE_VERSION;
        ASSERT_TRUE(png_image_begin_read_from_file(&in, path.c_str()));
        EXPECT_EQ(in.width, 4u);
        EXPECT_EQ(in.height, 2u);
        EXPECT_EQ((in.format & PNG_FORMAT_FLAG_ALPHA) != 0, alpha);
        in.format = PNG_FORMAT_RGBA;
        std::vector<uint8_t> px(PNG_IMAGE_SIZE(in));
        ASSERT_TRUE(png_image_finish_read(&in, nullptr, px.data(), 0, nullptr));
        EXPECT_EQ(std::vector<uint8_t>(px.begin(), px.begin() + 12),
                  (std::vector<uint8_t>{255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255}));
        EXPECT_EQ(px[7 * 4 + 3], alpha ? 128 : 255);
        EXPECT_EQ(px[4 * 4 + 3], alpha ? 0 : 255); // untouched pixels are transparent
    }
    std::remove(path.c_str());
}

TEST(ArtText, LettersCoverTheirMaskAndGrowWhenDilated) {
    Mask m = renderText(ART_FONT_SANS, "Hospital", 32);
    ASSERT_GT(m.w, 60);
    ASSERT_GT(m.h, 15);
    EXPECT_GT(m.baseline, 10);
    EXPECT_LE(m.baseline, m.h);
    double ink = 0;
    for (float v : m.v)
        ink += v;
    EXPECT_GT(ink, m.w * m.h * 0.15);
    EXPECT_LT(ink, m.w * m.h * 0.8);
    Mask narrow = renderText(ART_FONT_SANS, "Hospital", 32, 0.5f);
    EXPECT_LT(narrow.w, m.w * 0.7);
    EXPECT_EQ(narrow.h, m.h);
    Mask rim = dilate(m, 2.0f);
    EXPECT_EQ(rim.w, m.w + 4);
    EXPECT_EQ(rim.baseline, m.baseline + 2);
    EXPECT_TRUE(renderText("/nonexistent.ttf", "x", 20).v.empty());
}

TEST(ArtMapText, WritesFourOrSixFieldsPerCell) {
    World w;
    w.at(0, 0) = Cell{3, 0.5f, 4, 2.5f, 0.0f, 7};
    w.at(0, 1) = Cell{32, -0.35f, 2, 0.0f, 0.0f, 0};
    w.at(0, 2) = Cell{14, 0.0f, 1, 1.5f, 4.25f, 14};
    std::istringstream in(mapText(w));
    std::string line;
    std::getline(in, line);
    EXPECT_EQ(line, "3 0.500000 0.000000 2.500000 4 7"); // base before height
    std::getline(in, line);
    EXPECT_EQ(line, "32 -0.350000 0.000000 0.000000");
    std::getline(in, line);
    EXPECT_EQ(line, "14 0.000000 4.250000 1.500000 1 14");
    int lines = 3;
    while (std::getline(in, line))
        ++lines;
    EXPECT_EQ(lines, 250 * 250);
}

TEST(ArtMapText, BlockingFollowsTheWalkingRule) {
    World w;
    auto blocks = [&](float height, float base) {
        w.at(5, 5).wallHeight = height;
        w.at(5, 5).wallBase = base;
        return w.blocks(5, 5);
    };
    EXPECT_FALSE(blocks(0.5f, 0.0f));
    EXPECT_TRUE(blocks(0.6f, 0.0f));
    EXPECT_TRUE(blocks(2.0f, 3.0f));
    EXPECT_FALSE(blocks(2.0f, 3.1f));
    EXPECT_TRUE(blocks(2.0f, 9.0f));
}
