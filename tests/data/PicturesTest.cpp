// The 100 pictures as the game loads them and the icons as desktops show them: every file
// at its exact path, decoded by libpng, with the size, cut-out and seams its use needs.
#include "Png.h"
#include "Text.h"

#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <numeric>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

struct Decoded {
    bool ok = false, rgba8 = false; // rgba8: stored as 8-bit RGBA (colour type 6)
    int w = 0, h = 0;
    std::vector<uint8_t> rgba;
    int alpha(int x, int y) const { return rgba[(size_t(y) * w + x) * 4 + 3]; }
    const uint8_t *px(int x, int y) const { return &rgba[(size_t(y) * w + x) * 4]; }
};

Decoded decode(const std::string &path) {
    Decoded d;
    std::ifstream in(path, std::ios::binary);
    const std::string file(std::istreambuf_iterator<char>(in), {});
    png_image img{};
    img.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&img, file.data(), file.size()))
        return d;
    d.rgba8 = file[24] == 8 && file[25] == 6; // the header's bit depth and colour type
    img.format = PNG_FORMAT_RGBA;
    d.w = int(img.width);
    d.h = int(img.height);
    d.rgba.resize(PNG_IMAGE_SIZE(img));
    d.ok = png_image_finish_read(&img, nullptr, d.rgba.data(), 0, nullptr) != 0;
    return d;
}

enum Kind { Sprite, Arrow, Emblem, Backdrop, Floor, Wall, Icon };
struct Picture {
    std::string path;
    Kind kind;
    int size = 0; // an icon's width and height
};

// The texture catalogue's files in slot order, then the icon at each size of the theme.
std::vector<Picture> pictures() {
    std::vector<Picture> out;
    const std::string data = "Game Data/";
    for (const char *frame : {"still", "walk-1", "walk-2", "hit", "hurt"})
        out.push_back({data + "Wren/Wren-" + frame + ".png", Sprite});
    for (const char *kind : {"Zombie", "Zombie-girl", "Zombie-Hippie", "Monkey", "Gourd"})
        for (const char *frame : {"still", "walk-1", "walk-2"})
            out.push_back({data + "Zombie/" + kind + "-" + frame + ".png", Sprite});
    out.push_back({data + "Menus/Arrow.png", Arrow});
    out.push_back({data + "Menus/Screen1.png", Backdrop});
    out.push_back({data + "Menus/Map.png", Backdrop});
    out.push_back({data + "Menus/Tarrow.png", Emblem});
    for (int n = 0; n < 58; ++n)
        out.push_back({data + "Floor/Floor" + std::to_string(n) + ".png", Floor});
    for (int n = 0; n < 18; ++n)
        out.push_back({data + "Walls/Wall" + std::to_string(n) + ".png", Wall});
    for (std::string s : {"48", "64", "128", "256"})
        out.push_back(
            {ICON_THEME_DIR "/" + s + "x" + s + "/apps/gravewake.png", Icon, std::stoi(s)});
    return out;
}

// Mean colour step between two columns (or rows) of a picture.
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

TEST(Pictures, EveryFileFitsItsUseAndNoTwoAreAlike) {
    std::vector<Picture> all = pictures();
    ASSERT_EQ(all.size(), 104u);
    std::vector<Decoded> seen;
    for (const Picture &p : all) {
        SCOPED_TRACE(p.path);
        Decoded d = decode(p.path);
        ASSERT_TRUE(d.ok) << "missing or does not decode";
        const int area = d.w * d.h;
        // An icon at its exact size, as 8-bit RGBA; the game's pictures with power-of-two sides.
        EXPECT_TRUE(p.kind == Icon ? d.w == p.size && d.h == p.size && d.rgba8
                                   : !(d.w & (d.w - 1)) && !(d.h & (d.h - 1)))
            << d.w << " x " << d.h;
        // The opaque figure: its pixel counts and bounding box.
        int opaque = 0, ink = 0, x0 = d.w, y0 = d.h, x1 = -1, y1 = -1;
        for (int y = 0; y < d.h; ++y)
            for (int x = 0; x < d.w; ++x) {
                opaque += d.alpha(x, y) == 255;
                if (!d.alpha(x, y))
                    continue;
                ++ink;
                x0 = std::min(x0, x), y0 = std::min(y0, y), x1 = std::max(x1, x),
                y1 = std::max(y1, y);
            }
        const bool cutOut = p.kind != Backdrop && p.kind != Floor && p.kind != Wall;
        for (auto [x, y] : {std::pair{0, 0}, {d.w - 1, 0}, {0, d.h - 1}, {d.w - 1, d.h - 1}})
            EXPECT_TRUE(!cutOut || !d.alpha(x, y)) << "corner " << x << "," << y;
        if (p.kind == Sprite) {
            EXPECT_EQ(ink, opaque) << "a half-transparent fringe, which the alpha test keeps";
            EXPECT_GT(ink, area / 8) << "almost no figure";
            EXPECT_GE(y1, d.h - 3) << "the feet should reach the quad's lower edge";
            EXPECT_GE(y1 - y0 + 1, d.h * 3 / 4) << "the figure does not fill its quad's height";
        }
        if (p.kind == Arrow || p.kind == Emblem) {
            EXPECT_GT(ink, area / 10);
        }
        if (p.kind == Arrow) { // the cursor points right: a narrow tip, a broad back
            int tip = 0, back = 0;
            for (int y = 0; y < d.h; ++y)
                tip += d.alpha(x1 - 2, y) > 0, back += d.alpha(x0 + 4, y) > 0;
            EXPECT_LT(tip * 3, back);
        }
        if (p.kind == Backdrop) {
            EXPECT_EQ(opaque, area) << "a background must cover the window";
        }
        if (p.kind == Icon) {
            EXPECT_GT(opaque * 4, area) << opaque << " opaque pixels";
            EXPECT_LT(opaque * 10, area * 9) << opaque << " opaque pixels";
        }
        // A floor tile meets its own copy with a colour step no larger than the largest
        // between two neighbouring columns or rows inside it.
        if (p.kind == Floor)
            for (bool columns : {true, false}) {
                const int size = columns ? d.w : d.h;
                double worst = 0;
                for (int k = 0; k + 1 < size; ++k)
                    worst = std::max(worst, stepDiff(d, k, k + 1, columns));
                EXPECT_LE(stepDiff(d, size - 1, 0, columns), worst * 1.05 + 1.0)
                    << (columns ? "left/right" : "top/bottom");
            }
        for (size_t i = 0; i < seen.size(); ++i)
            EXPECT_TRUE(seen[i].rgba != d.rgba) << "the same as " << all[i].path;
        seen.push_back(std::move(d));
    }
}

TEST(Pictures, PngWriterKeepsColoursAndAlpha) {
    art::Image img(3, 1);
    img.at(0, 0) = art::hex(0xff0000);
    img.at(1, 0) = art::hex(0x00ff00);
    img.at(2, 0) = art::Rgba{0, 0, 1, 0.5f};
    const std::string path =
        testing::TempDir() + "gravewake-png-" + std::to_string(getpid()) + ".png";
    ASSERT_TRUE(art::writePng(path, img, true));
    Decoded d = decode(path);
    std::remove(path.c_str());
    ASSERT_TRUE(d.ok && d.rgba8);
    EXPECT_EQ(d.rgba, (std::vector<uint8_t>{255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 128}));
}

TEST(Pictures, LetteringFillsItsMaskAndGrowsWhenDilated) {
    art::Mask m = art::renderText(ART_FONT_SANS, "Hospital", 32);
    ASSERT_GT(m.w, 60);
    ASSERT_GT(m.h, 15);
    EXPECT_TRUE(m.baseline > 10 && m.baseline <= m.h) << m.baseline;
    const double ink = std::accumulate(m.v.begin(), m.v.end(), 0.0);
    EXPECT_GT(ink, m.w * m.h * 0.15);
    EXPECT_LT(ink, m.w * m.h * 0.8);
    art::Mask narrow = art::renderText(ART_FONT_SANS, "Hospital", 32, 0.5f);
    EXPECT_LT(narrow.w, m.w * 0.7);
    EXPECT_EQ(narrow.h, m.h);
    art::Mask rim = art::dilate(m, 2.0f);
    EXPECT_EQ(rim.w, m.w + 4);
    EXPECT_EQ(rim.baseline, m.baseline + 2);
}
