// The 100 pictures as the game loads them: every file at its exact path, a PNG that libpng
// decodes, power-of-two sides, and sprites that cut out cleanly.
#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct Decoded {
    bool ok = false;
    int w = 0, h = 0;
    std::vector<uint8_t> rgba;
    int alpha(int x, int y) const { return rgba[(size_t(y) * w + x) * 4 + 3]; }
    const uint8_t *px(int x, int y) const { return &rgba[(size_t(y) * w + x) * 4]; }
};

Decoded decode(const std::string &path) {
    Decoded d;
    png_image img{};
    img.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&img, path.c_str())) return d;
    img.format = PNG_FORMAT_RGBA;
    d.w = int(img.width);
    d.h = int(img.height);
    d.rgba.resize(PNG_IMAGE_SIZE(img));
    d.ok = png_image_finish_read(&img, nullptr, d.rgba.data(), 0, nullptr) != 0;
    return d;
}

bool powerOfTwo(int v) {
    return v > 0 && (v & (v - 1)) == 0;
}

// The texture catalogue's files, in slot order.
std::vector<std::string> spriteFiles() {
    std::vector<std::string> out = {"Wren/Wren-still.png", "Wren/Wren-walk-1.png",
                                    "Wren/Wren-walk-2.png", "Wren/Wren-hit.png",
                                    "Wren/Wren-hurt.png"};
    for (const char *kind : {"Zombie", "Zombie-girl", "Zombie-Hippie", "Monkey", "Gourd"})
        for (const char *frame : {"still", "walk-1", "walk-2"})
            out.push_back(std::string("Zombie/") + kind + "-" + frame + ".png");
    return out;
}
const std::vector<std::string> menuFiles = {"Menus/Arrow.png", "Menus/Screen1.png", "Menus/Map.png",
                                            "Menus/Tarrow.png"};

std::vector<std::string> allFiles() {
    std::vector<std::string> out = spriteFiles();
    out.insert(out.end(), menuFiles.begin(), menuFiles.end());
    for (int n = 0; n < 58; ++n)
        out.push_back("Floor/Floor" + std::to_string(n) + ".png");
    for (int n = 0; n < 18; ++n)
        out.push_back("Walls/Wall" + std::to_string(n) + ".png");
    return out;
}

std::string dataPath(const std::string &rel) {
    return "Game Data/" + rel;
}

// Bounding box of the opaque pixels.
struct Box {
    int x0, y0, x1, y1, count;
};
Box figure(const Decoded &d) {
    Box b{d.w, d.h, -1, -1, 0};
    for (int y = 0; y < d.h; ++y)
        for (int x = 0; x < d.w; ++x)
            if (d.alpha(x, y) > 0) {
                b.x0 = std::min(b.x0, x), b.y0 = std::min(b.y0, y);
                b.x1 = std::max(b.x1, x), b.y1 = std::max(b.y1, y);
                ++b.count;
            }
    return b;
}

// Mean colour difference between two columns (or rows) of a picture.
double stepDiff(const Decoded &d, int a, int b, bool columns) {
    double sum = 0;
    int n = columns ? d.h : d.w;
    for (int k = 0; k < n; ++k) {
        const uint8_t *p = columns ? d.px(a, k) : d.px(k, a);
        const uint8_t *q = columns ? d.px(b, k) : d.px(k, b);
        for (int c = 0; c < 3; ++c)
            sum += std::abs(int(p[c]) - int(q[c]));
    }
    return sum / n;
}

} // namespace

TEST(Pictures, AllHundredFilesDecodeWithPowerOfTwoSides) {
    std::vector<std::string> files = allFiles();
    ASSERT_EQ(files.size(), 100u);
    for (const std::string &f : files) {
        Decoded d = decode(dataPath(f));
        ASSERT_TRUE(d.ok) << f << " is missing or does not decode";
        EXPECT_TRUE(powerOfTwo(d.w) && powerOfTwo(d.h)) << f << " is " << d.w << " x " << d.h;
    }
}

TEST(Pictures, FileNamesKeepTheirLetterCase) {
    // The game opens exact names on a case-sensitive file system.
    EXPECT_FALSE(decode(dataPath("Zombie/zombie-hippie-still.png")).ok);
    EXPECT_FALSE(decode(dataPath("zombie/Zombie-still.png")).ok);
    EXPECT_FALSE(decode(dataPath("Floor/floor0.png")).ok);
    EXPECT_TRUE(decode(dataPath("Zombie/Zombie-Hippie-still.png")).ok);
}

TEST(Pictures, SpritesCutOutCleanlyAndStandOnTheBottomEdge) {
    for (const std::string &f : spriteFiles()) {
        Decoded d = decode(dataPath(f));
        ASSERT_TRUE(d.ok) << f;
        for (auto [x, y] :
             {std::pair<int, int>{0, 0}, {d.w - 1, 0}, {0, d.h - 1}, {d.w - 1, d.h - 1}})
            EXPECT_EQ(d.alpha(x, y), 0) << f << " corner " << x << "," << y;
        // The alpha test keeps every pixel above 0: no half-transparent fringe.
        int soft = 0;
        for (int y = 0; y < d.h; ++y)
            for (int x = 0; x < d.w; ++x)
                soft += d.alpha(x, y) != 0 && d.alpha(x, y) != 255;
        EXPECT_EQ(soft, 0) << f;
        Box b = figure(d);
        EXPECT_GT(b.count, d.w * d.h / 8) << f << " has almost no figure";
        EXPECT_GE(b.y1, d.h - 3) << f << ": the feet should reach the quad's lower edge";
        EXPECT_GE(b.y1 - b.y0 + 1, d.h * 3 / 4) << f << " does not fill its quad's height";
    }
}

TEST(Pictures, WalkFramesDifferFromTheStillFrame) {
    for (std::string kind : {"Wren/Wren", "Zombie/Zombie", "Zombie/Zombie-girl",
                             "Zombie/Zombie-Hippie", "Zombie/Monkey", "Zombie/Gourd"}) {
        Decoded still = decode(dataPath(kind + "-still.png"));
        Decoded w1 = decode(dataPath(kind + "-walk-1.png"));
        Decoded w2 = decode(dataPath(kind + "-walk-2.png"));
        ASSERT_TRUE(still.ok && w1.ok && w2.ok) << kind;
        EXPECT_NE(still.rgba, w1.rgba) << kind;
        EXPECT_NE(still.rgba, w2.rgba) << kind;
        EXPECT_NE(w1.rgba, w2.rgba) << kind;
    }
}

TEST(Pictures, MenuPicturesFitTheirUse) {
    // Backgrounds cover the whole window; the cursor and the emblem are cut out.
    for (const char *bg : {"Menus/Screen1.png", "Menus/Map.png"}) {
        Decoded d = decode(dataPath(bg));
        ASSERT_TRUE(d.ok) << bg;
        int transparent = 0;
        for (int y = 0; y < d.h; ++y)
            for (int x = 0; x < d.w; ++x)
                transparent += d.alpha(x, y) < 255;
        EXPECT_EQ(transparent, 0) << bg;
    }
    for (const char *cut : {"Menus/Arrow.png", "Menus/Tarrow.png"}) {
        Decoded d = decode(dataPath(cut));
        ASSERT_TRUE(d.ok) << cut;
        EXPECT_EQ(d.alpha(0, 0), 0) << cut;
        EXPECT_EQ(d.alpha(d.w - 1, d.h - 1), 0) << cut;
        EXPECT_GT(figure(d).count, d.w * d.h / 10) << cut;
    }
    // The cursor points right: its rightmost opaque column is a narrow tip.
    Decoded a = decode(dataPath("Menus/Arrow.png"));
    Box b = figure(a);
    int tip = 0, back = 0;
    for (int y = 0; y < a.h; ++y) {
        tip += a.alpha(b.x1 - 2, y) > 0;
        back += a.alpha(b.x0 + 4, y) > 0;
    }
    EXPECT_LT(tip * 3, back);
}

TEST(Pictures, FloorTilesRepeatWithoutSeams) {
    // Where the tile meets its own copy, the step in colour is no larger than the
    // largest step between two neighbouring columns or rows inside the tile.
    for (int n = 0; n < 58; ++n) {
        std::string f = "Floor/Floor" + std::to_string(n) + ".png";
        Decoded d = decode(dataPath(f));
        ASSERT_TRUE(d.ok) << f;
        for (bool columns : {true, false}) {
            int size = columns ? d.w : d.h;
            double worst = 0;
            for (int k = 0; k + 1 < size; ++k)
                worst = std::max(worst, stepDiff(d, k, k + 1, columns));
            double seam = stepDiff(d, size - 1, 0, columns);
            EXPECT_LE(seam, worst * 1.05 + 1.0) << f << (columns ? " left/right" : " top/bottom");
        }
    }
}

TEST(Pictures, TilesAreAllDifferent) {
    std::vector<std::vector<uint8_t>> seen;
    for (int n = 0; n < 58; ++n)
        seen.push_back(decode(dataPath("Floor/Floor" + std::to_string(n) + ".png")).rgba);
    for (int n = 0; n < 18; ++n)
        seen.push_back(decode(dataPath("Walls/Wall" + std::to_string(n) + ".png")).rgba);
    for (size_t i = 0; i < seen.size(); ++i)
        for (size_t j = i + 1; j < seen.size(); ++j)
            EXPECT_NE(seen[i], seen[j]) << i << " and " << j;
}
