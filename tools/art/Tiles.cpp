// Floor and wall tiles. Floors are 64 x 64 and wrap at their edges, so a field of one
// tile shows no seams; walls are one cell wide and as tall as the walls that use them
// usually stand (64 pixels a unit, rounded to a power of two), painted upright.
#include "Pictures.h"

#include "Catalogue.h"
#include "Noise.h"

#include <algorithm>
#include <cmath>

namespace art {
namespace {

constexpr int T = 64;

// Shaded noise between two colours; wraps with the tile.
void noiseFill(Image &img, Rgba a, Rgba b, int period, int octaves, uint32_t seed,
               float contrast = 1.0f) {
    for (int y = 0; y < img.h; ++y)
        for (int x = 0; x < img.w; ++x) {
            float n = fbm(float(x) / img.w, float(y) / img.h, period, octaves, seed);
            n = clamp01(0.5f + (n - 0.5f) * 2.0f * contrast);
            img.at(x, y) = mix(a, b, n);
        }
}

// Multiplies a wrapping noise into the picture, for grime and grain.
void grain(Image &img, float amount, int period, uint32_t seed) {
    for (int y = 0; y < img.h; ++y)
        for (int x = 0; x < img.w; ++x) {
            float n = fbm(float(x) / img.w, float(y) / img.h, period, 3, seed);
            Rgba &p = img.at(x, y);
            p = scale(p, 1.0f + (n - 0.5f) * 2.0f * amount);
        }
}

void speckle(Image &img, Rng &rng, int count, Rgba c, float rMin, float rMax) {
    for (int i = 0; i < count; ++i) {
        float x = rng.range(0, float(img.w)), y = rng.range(0, float(img.h));
        img.fillCircle(x, y, rng.range(rMin, rMax), c, true);
    }
}

// Blades of grass: short slanted strokes in shades around the given green.
void blades(Image &img, Rng &rng, int count, Rgba dark, Rgba light) {
    for (int i = 0; i < count; ++i) {
        float x = rng.range(0, float(img.w)), y = rng.range(0, float(img.h));
        float len = rng.range(2.0f, 5.0f), lean = rng.range(-1.5f, 1.5f);
        Rgba c = mix(dark, light, rng.uniform());
        img.line(x, y, x + lean, y - len, 1.0f, c, true);
    }
}

void grassTile(Image &img, Rgba base, Rgba dark, Rgba light, uint32_t seed, int bladeCount) {
    noiseFill(img, scale(base, 0.8f), scale(base, 1.1f), 4, 3, seed);
    Rng rng(seed);
    blades(img, rng, bladeCount, dark, light);
}

// Lightens the top and left edge of a block and darkens its bottom and right edge.
void bevel(Image &img, int x0, int y0, int x1, int y1, float k, int width = 1) {
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) {
            Rgba &p = img.wrap(x, y);
            if (y - y0 < width || x - x0 < width)
                p = scale(p, 1.0f + k);
            else if (y1 - 1 - y < width || x1 - 1 - x < width)
                p = scale(p, 1.0f - k);
        }
}

// A grid of tiles or slabs with grout lines; rows may be offset (bricks).
void blocks(Image &img, int bw, int bh, int offset, Rgba grout, Rgba base, float vary,
            uint32_t seed, float bevelK = 0.12f, int groutW = 1) {
    Rng rng(seed);
    for (int row = 0; row * bh < img.h; ++row) {
        int shift = (row % 2) ? offset : 0;
        for (int col = -1; col * bw < img.w; ++col) {
            int x0 = col * bw + shift, y0 = row * bh;
            Rgba c = scale(base, 1.0f + rng.range(-vary, vary));
            for (int y = y0; y < y0 + bh; ++y)
                for (int x = x0; x < x0 + bw; ++x) {
                    bool g = (y - y0) < groutW || (x - x0) < groutW;
                    Rgba &p = img.wrap(x, y);
                    float n = fbm(float(((x % img.w) + img.w) % img.w) / img.w, float(y) / img.h, 8,
                                  2, seed + 3);
                    p = g ? grout : scale(c, 0.9f + 0.2f * n);
                }
            bevel(img, x0 + groutW, y0 + groutW, x0 + bw, y0 + bh, bevelK);
        }
    }
}

void planks(Image &img, int width, bool vertical, Rgba base, float vary, uint32_t seed) {
    Rng rng(seed);
    int n = (vertical ? img.w : img.h) / width;
    for (int k = 0; k < n; ++k) {
        Rgba c = scale(base, 1.0f + rng.range(-vary, vary));
        int seam = rng.below(vertical ? img.h : img.w);
        for (int a = k * width; a < (k + 1) * width; ++a)
            for (int b = 0; b < (vertical ? img.h : img.w); ++b) {
                int x = vertical ? a : b, y = vertical ? b : a;
                float u = vertical ? float(y) / img.h : float(x) / img.w;
                float v = float(a) / (vertical ? img.w : img.h);
                float g = valueNoise(u * 2, v * 24 + k * 3.1f, 2, seed + k);
                float ring = 0.5f + 0.5f * std::sin((u * 6.2831853f * 2) + g * 9.0f);
                Rgba p = scale(c, 0.82f + 0.22f * ring);
                if (a == k * width) p = scale(c, 0.45f);
                if (a == k * width + 1) p = scale(p, 1.12f);
                if (b == seam) p = scale(c, 0.5f);
                img.at(x, y) = p;
            }
        // nail heads next to the seam
        for (int s : {seam + 3, seam - 3}) {
            int b = ((s % (vertical ? img.h : img.w)) + (vertical ? img.h : img.w)) %
                    (vertical ? img.h : img.w);
            int a = k * width + width / 2;
            int x = vertical ? a : b, y = vertical ? b : a;
            img.at(x, y) = hex(0x2a2520);
        }
    }
}

void stripes(Image &img, int width, bool vertical, Rgba a, Rgba b, uint32_t seed) {
    for (int y = 0; y < img.h; ++y)
        for (int x = 0; x < img.w; ++x) {
            int k = (vertical ? x : y) / width;
            img.at(x, y) = (k % 2) ? b : a;
        }
    grain(img, 0.08f, 4, seed);
}

void asphalt(Image &img, uint32_t seed) {
    noiseFill(img, hex(0x35373b), hex(0x4a4c50), 8, 3, seed);
    Rng rng(seed);
    speckle(img, rng, 90, hex(0x5d5f63), 0.4f, 0.8f);
    speckle(img, rng, 60, hex(0x26272a), 0.4f, 0.8f);
}

void checker(Image &img, int cell, Rgba a, Rgba b, uint32_t seed, float bevelK = 0.06f) {
    for (int y = 0; y < img.h; ++y)
        for (int x = 0; x < img.w; ++x)
            img.at(x, y) = ((x / cell + y / cell) % 2) ? b : a;
    for (int y = 0; y < img.h; y += cell)
        for (int x = 0; x < img.w; x += cell)
            bevel(img, x, y, x + cell, y + cell, bevelK);
    grain(img, 0.05f, 4, seed);
}

void flower(Image &img, float x, float y, float r, Rgba petal, Rgba centre) {
    for (int k = 0; k < 5; ++k) {
        float a = k * 1.2566f;
        img.fillCircle(x + std::cos(a) * r, y + std::sin(a) * r, r * 0.8f, petal, true);
    }
    img.fillCircle(x, y, r * 0.6f, centre, true);
}

void stones(Image &img, Rng &rng, int count, Rgba base, float rMin, float rMax, float vary) {
    for (int i = 0; i < count; ++i) {
        float x = rng.range(0, float(img.w)), y = rng.range(0, float(img.h));
        float rx = rng.range(rMin, rMax), ry = rx * rng.range(0.6f, 1.0f);
        Rgba c = scale(base, 1.0f + rng.range(-vary, vary));
        img.fillEllipse(x + 0.8f, y + 0.9f, rx, ry, rgb(0, 0, 0), true);
        img.at(0, 0) = img.at(0, 0); // keep shadows soft: drawn below the stone
        img.fillEllipse(x, y, rx, ry, c, true);
        img.fillEllipse(x - rx * 0.3f, y - ry * 0.3f, rx * 0.45f, ry * 0.4f, scale(c, 1.15f), true);
    }
}

// Irregular flagstones: a Voronoi pattern of wrapped seeds, shaded per stone.
void voronoiStones(Image &img, int count, Rgba base, Rgba grout, float vary, uint32_t seed,
                   float groutW = 1.2f) {
    Rng rng(seed);
    std::vector<float> sx(count), sy(count), shade(count);
    for (int i = 0; i < count; ++i) {
        sx[i] = rng.range(0, float(img.w));
        sy[i] = rng.range(0, float(img.h));
        shade[i] = 1.0f + rng.range(-vary, vary);
    }
    for (int y = 0; y < img.h; ++y)
        for (int x = 0; x < img.w; ++x) {
            float d1 = 1e9f, d2 = 1e9f;
            int best = 0;
            for (int i = 0; i < count; ++i)
                for (int oy = -1; oy <= 1; ++oy)
                    for (int ox = -1; ox <= 1; ++ox) {
                        float dx = x + 0.5f - (sx[i] + ox * img.w);
                        float dy = y + 0.5f - (sy[i] + oy * img.h);
                        float d = std::sqrt(dx * dx + dy * dy);
                        if (d < d1) {
                            d2 = d1;
                            d1 = d;
                            best = i;
                        } else if (d < d2) {
                            d2 = d;
                        }
                    }
            float edge = d2 - d1;
            float n = fbm(float(x) / img.w, float(y) / img.h, 8, 2, seed + 1);
            Rgba c = scale(base, shade[best] * (0.9f + 0.2f * n));
            if (edge < groutW)
                c = grout;
            else if (edge < groutW + 1.5f)
                c = scale(c, 0.85f);
            img.at(x, y) = c;
        }
}

Image floorTile(int n) {
    Image img(T, T);
    Rng rng(1000 + n);
    uint32_t s = 500u + n;
    switch (n) {
    case LushGrass:
        grassTile(img, hex(0x2f6b2a), hex(0x1d4a1b), hex(0x4f9a3e), s, 260);
        break;
    case Grass:
        grassTile(img, hex(0x4a7d32), hex(0x2f5a22), hex(0x7fb04f), s, 220);
        break;
    case DryGrass:
        grassTile(img, hex(0x8a8a45), hex(0x6b6232), hex(0xc0b36a), s, 200);
        break;
    case CloverGrass:
        grassTile(img, hex(0x437a30), hex(0x2c5a20), hex(0x6ea648), s, 150);
        for (int i = 0; i < 14; ++i) {
            float x = rng.range(0, T), y = rng.range(0, T);
            for (int k = 0; k < 3; ++k)
                img.fillCircle(x + std::cos(k * 2.09f) * 1.6f, y + std::sin(k * 2.09f) * 1.6f, 1.5f,
                               hex(0x5fae47), true);
            if (i % 3 == 0) img.fillCircle(x, y - 2, 1.4f, hex(0xf2f0f5), true);
        }
        break;
    case Dirt:
        noiseFill(img, hex(0x5c4128), hex(0x8a6540), 4, 4, s);
        speckle(img, rng, 40, hex(0x4a331f), 0.5f, 1.2f);
        speckle(img, rng, 20, hex(0xa88459), 0.4f, 0.9f);
        break;
    case DirtPath:
        noiseFill(img, hex(0x8d6f4a), hex(0xb08e62), 4, 3, s);
        stones(img, rng, 18, hex(0x9a948a), 0.8f, 1.8f, 0.15f);
        break;
    case Gravel:
        noiseFill(img, hex(0x7c776e), hex(0x938d83), 4, 2, s);
        stones(img, rng, 160, hex(0xa39d92), 0.8f, 1.6f, 0.25f);
        break;
    case Cobble:
        voronoiStones(img, 22, hex(0x8a8580), hex(0x3a3733), 0.18f, s, 1.3f);
        break;
    case Asphalt:
        asphalt(img, s);
        break;
    case AsphaltDashX:
        asphalt(img, s);
        img.fillRect(0, 29, 40, 35, hex(0xe8e4d0));
        grain(img, 0.06f, 4, s + 1);
        break;
    case AsphaltDashZ:
        asphalt(img, s);
        img.fillRect(29, 0, 35, 40, hex(0xe8e4d0));
        grain(img, 0.06f, 4, s + 1);
        break;
    case Crosswalk:
        asphalt(img, s);
        for (int x = 4; x < T; x += 16)
            img.fillRect(x, 0, x + 8, T, hex(0xe6e2d2));
        grain(img, 0.07f, 4, s + 1);
        break;
    case PavementSlabs:
        blocks(img, 32, 32, 0, hex(0x6c6a66), hex(0xa8a49c), 0.06f, s, 0.1f, 2);
        break;
    case Herringbone:
        for (int y = 0; y < T; ++y)
            for (int x = 0; x < T; ++x) {
                int u = (x + y) % T, v = ((x - y) % T + T) % T;
                int blk = ((u / 8) + (v / 16)) % 2;
                bool horiz = ((x / 8 + y / 8) % 2) == 0;
                int a = horiz ? x % 16 : y % 16, b = horiz ? y % 8 : x % 8;
                Rgba c = blk ? hex(0x9c4a32) : hex(0xae5a3c);
                if (a == 0 || b == 0) c = hex(0x6a5a4a);
                img.at(x, y) = c;
            }
        grain(img, 0.1f, 8, s);
        break;
    case Concrete:
        noiseFill(img, hex(0x8d8c88), hex(0xa3a19b), 4, 4, s, 0.7f);
        speckle(img, rng, 70, hex(0x7a7975), 0.3f, 0.7f);
        img.fillRect(0, 0, T, 1, hex(0x6d6c68));
        img.fillRect(0, 0, 1, T, hex(0x6d6c68));
        break;
    case BoardsLight:
        planks(img, 16, false, hex(0xb98d57), 0.1f, s);
        break;
    case BoardsDark:
        planks(img, 16, false, hex(0x6e4a2c), 0.1f, s);
        break;
    case Parquet:
        for (int by = 0; by < 4; ++by)
            for (int bx = 0; bx < 4; ++bx) {
                bool vert = (bx + by) % 2 == 0;
                for (int k = 0; k < 4; ++k) {
                    Rgba c = scale(hex(0xa0703f), 0.85f + 0.08f * ((k * 7 + bx * 3 + by) % 4));
                    for (int i = 0; i < 16; ++i)
                        for (int j = 0; j < 4; ++j) {
                            int x = bx * 16 + (vert ? k * 4 + j : i);
                            int y = by * 16 + (vert ? i : k * 4 + j);
                            img.at(x, y) = (j == 0) ? scale(c, 0.6f) : c;
                        }
                }
            }
        grain(img, 0.08f, 16, s);
        break;
    case ClinicTiles:
        blocks(img, 16, 16, 0, hex(0x7f9fb8), hex(0xe9eef0), 0.03f, s, 0.05f);
        break;
    case ClinicChecker:
        checker(img, 16, hex(0xdfeee6), hex(0x8fc9b0), s);
        break;
    case Linoleum:
        noiseFill(img, hex(0xb8c4bd), hex(0xc8d2cb), 4, 2, s, 0.5f);
        speckle(img, rng, 120, hex(0x8e9a93), 0.3f, 0.6f);
        speckle(img, rng, 40, hex(0xe8eee8), 0.3f, 0.6f);
        break;
    case CarpetRed:
        noiseFill(img, hex(0x7a1c22), hex(0x9a2a2c), 16, 2, s, 0.6f);
        for (int y = 0; y < T; ++y)
            for (int x = 0; x < T; ++x) {
                int dx = std::abs(x % 32 - 16), dy = std::abs(y % 32 - 16);
                if (dx + dy == 10 || dx + dy == 11) img.at(x, y) = hex(0xd9a440);
                if (dx + dy < 3) img.at(x, y) = hex(0xd9a440);
            }
        break;
    case CarpetBlue:
        noiseFill(img, hex(0x1e3568), hex(0x2a4582), 16, 2, s, 0.6f);
        for (int y = 0; y < T; ++y)
            for (int x = 0; x < T; ++x)
                if (((x + y) % 16 == 0) || (((x - y) % 16 + 16) % 16 == 0))
                    img.at(x, y) = hex(0x8aa6d8);
        break;
    case ArcadeCarpet:
        noiseFill(img, hex(0x10081e), hex(0x1c1030), 8, 2, s, 0.5f);
        for (int i = 0; i < 16; ++i) {
            float x = rng.range(0, T), y = rng.range(0, T);
            Rgba c = (i % 3 == 0) ? hex(0xff3df0) : (i % 3 == 1 ? hex(0x33e6ff) : hex(0xffe640));
            if (i % 2)
                img.line(x, y, x + 6, y + 3, 1.2f, c, true);
            else
                img.fillCircle(x, y, 1.6f, c, true);
        }
        break;
    case Sand:
        noiseFill(img, hex(0xcbb27e), hex(0xe3cd98), 4, 4, s);
        for (int y = 0; y < T; ++y)
            for (int x = 0; x < T; ++x) {
                float r = std::sin((x + 6 * std::sin(y * 0.19635f)) * 0.19635f * 2);
                img.at(x, y) = scale(img.at(x, y), 1.0f + 0.04f * r);
            }
        speckle(img, rng, 40, hex(0xa89060), 0.3f, 0.6f);
        break;
    case Mud:
        noiseFill(img, hex(0x3c2a1a), hex(0x5e4429), 4, 4, s, 1.2f);
        for (int i = 0; i < 6; ++i)
            img.fillEllipse(rng.range(0, T), rng.range(0, T), rng.range(4, 8), rng.range(2, 4),
                            Rgba{0.30f, 0.25f, 0.18f, 0.6f}, true);
        speckle(img, rng, 30, hex(0x7a6046), 0.4f, 0.8f);
        break;
    case FlowerMeadow:
        grassTile(img, hex(0x4f8a34), hex(0x2f5a22), hex(0x86bd55), s, 160);
        for (int i = 0; i < 22; ++i) {
            Rgba colours[] = {hex(0xf4e04d), hex(0xe8e8f0), hex(0xd94f7a), hex(0x9b6bd9),
                              hex(0xf29a3a)};
            flower(img, rng.range(0, T), rng.range(0, T), 1.4f, colours[i % 5], hex(0xf7c52b));
        }
        break;
    case OrchardSoil:
        noiseFill(img, hex(0x4a3421), hex(0x6b4b2e), 4, 3, s);
        for (int y = 0; y < T; ++y)
            for (int x = 0; x < T; ++x) {
                float r = std::sin(y * 6.2831853f / 16.0f);
                img.at(x, y) = scale(img.at(x, y), 1.0f + 0.22f * r);
            }
        for (int i = 0; i < 10; ++i)
            img.fillCircle(rng.range(0, T), 4 + 16 * rng.below(4), 1.5f, hex(0x4f8a34), true);
        break;
    case FallenLeaves:
        grassTile(img, hex(0x556b2c), hex(0x3a4a1f), hex(0x7a8a3a), s, 80);
        for (int i = 0; i < 60; ++i) {
            Rgba colours[] = {hex(0xc0562a), hex(0xd9962e), hex(0x9a3a1e), hex(0xe0b84a)};
            float x = rng.range(0, T), y = rng.range(0, T), a = rng.range(0, 3.14f);
            img.line(x, y, x + 3 * std::cos(a), y + 3 * std::sin(a), 2.2f, colours[i % 4], true);
        }
        break;
    case StripesRed:
        stripes(img, 8, true, hex(0xc2262e), hex(0xf0e6d6), s);
        break;
    case StripesBlue:
        stripes(img, 8, false, hex(0x2a55b0), hex(0xf2c83a), s);
        break;
    case Checkerboard:
        checker(img, 16, hex(0x1a1a1e), hex(0xe8e6e0), s);
        break;
    case Water:
        noiseFill(img, hex(0x1d4a6e), hex(0x2f6f96), 4, 3, s);
        for (int i = 0; i < 14; ++i) {
            float x = rng.range(0, T), y = rng.range(0, T);
            img.line(x, y, x + rng.range(4, 9), y, 1.0f, Rgba{0.75f, 0.88f, 0.95f, 0.7f}, true);
        }
        break;
    case Flagstones:
        voronoiStones(img, 8, hex(0x8f8778), hex(0x4a453c), 0.14f, s, 1.5f);
        break;
    case Marble:
        noiseFill(img, hex(0xd8d4cc), hex(0xf0ede6), 4, 4, s, 0.6f);
        for (int y = 0; y < T; ++y)
            for (int x = 0; x < T; ++x) {
                float n = fbm(float(x) / T, float(y) / T, 2, 4, s + 5);
                float v = std::fabs(std::sin((x + y) * 0.0982f + n * 12.0f));
                if (v < 0.08f) img.at(x, y) = mix(img.at(x, y), hex(0x8a8a90), 0.6f);
            }
        img.fillRect(0, 0, T, 1, hex(0xb0aca4));
        img.fillRect(0, 0, 1, T, hex(0xb0aca4));
        break;
    case MetalGrate:
        img = Image(T, T, hex(0x1c1e22));
        for (int y = 0; y < T; ++y)
            for (int x = 0; x < T; ++x) {
                bool bar = (x % 8) < 2 || (y % 16) < 2;
                if (bar)
                    img.at(x, y) = ((x % 8) == 0 || (y % 16) == 0) ? hex(0x9aa0a8) : hex(0x6a7078);
            }
        break;
    case DiamondPlate:
        noiseFill(img, hex(0x8e949b), hex(0xa7adb4), 4, 2, s, 0.5f);
        for (int y = 0; y < T; y += 8)
            for (int x = 0; x < T; x += 8) {
                float ox = x + ((y / 8) % 2 ? 4 : 0);
                bool a = ((x / 8 + y / 8) % 2) == 0;
                float dx = a ? 2.5f : 2.5f, dy = a ? -2.5f : 2.5f;
                img.line(ox + 4 - dx, y + 4 - dy, ox + 4 + dx, y + 4 + dy, 1.5f, hex(0xd0d5da),
                         true);
            }
        break;
    case MossStone:
        voronoiStones(img, 10, hex(0x7d7c70), hex(0x3a4a28), 0.15f, s, 1.4f);
        for (int y = 0; y < T; ++y)
            for (int x = 0; x < T; ++x) {
                float n = fbm(float(x) / T, float(y) / T, 4, 3, s + 9);
                if (n > 0.55f) img.at(x, y) = mix(img.at(x, y), hex(0x4f7a2a), (n - 0.55f) * 3);
            }
        break;
    case Rock:
        noiseFill(img, hex(0x5a5650), hex(0x8c867c), 4, 5, s, 1.2f);
        for (int i = 0; i < 7; ++i) {
            float x = rng.range(0, T), y = rng.range(0, T);
            img.line(x, y, x + rng.range(-10, 10), y + rng.range(4, 12), 1.0f, hex(0x3a3632), true);
        }
        break;
    case Slate:
        blocks(img, 32, 16, 16, hex(0x1e2228), hex(0x48505c), 0.12f, s, 0.15f);
        break;
    case SteppingStones:
        grassTile(img, hex(0x4a7d32), hex(0x2f5a22), hex(0x7fb04f), s, 200);
        img.fillEllipse(18, 20, 11, 9, hex(0x3a3a36), true);
        img.fillEllipse(17, 19, 10, 8, hex(0x9e9a90), true);
        img.fillEllipse(46, 46, 12, 9, hex(0x3a3a36), true);
        img.fillEllipse(45, 45, 11, 8, hex(0xa6a296), true);
        break;
    case Straw:
        noiseFill(img, hex(0xb99a45), hex(0xd8bd62), 4, 2, s);
        for (int i = 0; i < 260; ++i) {
            float x = rng.range(0, T), y = rng.range(0, T), a = rng.range(-0.6f, 0.6f);
            Rgba c = mix(hex(0x9a7a30), hex(0xf0da80), rng.uniform());
            img.line(x, y, x + 6 * std::cos(a), y + 6 * std::sin(a), 1.0f, c, true);
        }
        break;
    case Terracotta:
        blocks(img, 16, 16, 0, hex(0xe4d8c4), hex(0xb55a34), 0.1f, s, 0.1f);
        break;
    case HexTiles:
        img = Image(T, T, hex(0xf0f0ee));
        for (int y = 0; y < T; ++y)
            for (int x = 0; x < T; ++x) {
                // distance to the nearest centre of a hexagonal lattice that wraps at 64
                float best = 1e9f;
                for (int j = -1; j <= 8; ++j)
                    for (int i = -1; i <= 5; ++i) {
                        float cx = i * 16 + (j % 2 ? 8 : 0), cy = j * 8;
                        float dx = std::fabs(x + 0.5f - cx), dy = std::fabs(y + 0.5f - cy);
                        float d = std::max(dx * 0.866f + dy * 0.5f * 1.732f, dx);
                        best = std::min(best, d);
                    }
                if (best > 6.6f) img.at(x, y) = hex(0x7aa7b0);
            }
        grain(img, 0.04f, 4, s);
        break;
    case RubberMat:
        noiseFill(img, hex(0x2f7a4a), hex(0x3a8a56), 8, 2, s, 0.5f);
        for (int y = 0; y < T; y += 8)
            for (int x = 0; x < T; x += 8)
                img.fillCircle(x + 4, y + 4, 1.5f, hex(0x245e39));
        break;
    case ParkingBay:
        asphalt(img, s);
        img.fillRect(30, 0, 34, T, hex(0xe8e4d0));
        grain(img, 0.06f, 4, s + 1);
        break;
    case Manhole:
        asphalt(img, s);
        img.fillCircle(32, 32, 22, hex(0x222326));
        img.fillCircle(32, 32, 20, hex(0x55575b));
        for (int k = -16; k <= 16; k += 5)
            img.line(32 + k, 14, 32 + k, 50, 1.5f, hex(0x3a3c40));
        img.fillCircle(32, 32, 4, hex(0x3a3c40));
        break;
    case Curb:
        blocks(img, 32, 32, 0, hex(0x6c6a66), hex(0xa8a49c), 0.06f, s, 0.1f, 2);
        img.fillRect(0, 0, 10, T, hex(0xc6c2b8));
        img.fillRect(9, 0, 11, T, hex(0x55534f));
        img.fillRect(54, 0, T, T, hex(0xc6c2b8));
        img.fillRect(53, 0, 55, T, hex(0x55534f));
        grain(img, 0.05f, 4, s);
        break;
    case GraveSoil:
        noiseFill(img, hex(0x2e2418), hex(0x47382a), 4, 4, s);
        speckle(img, rng, 30, hex(0x5a4a36), 0.4f, 1.0f);
        blades(img, rng, 50, hex(0x2a3a1a), hex(0x4a5a2a));
        break;
    case TrampledGrass:
        grassTile(img, hex(0x5b7a36), hex(0x3d5424), hex(0x86a250), s, 120);
        for (int i = 0; i < 8; ++i)
            img.fillEllipse(rng.range(0, T), rng.range(0, T), rng.range(3, 7), rng.range(2, 4),
                            Rgba{0.42f, 0.33f, 0.22f, 0.8f}, true);
        break;
    case StainedConcrete:
        noiseFill(img, hex(0x85837d), hex(0x9c9a93), 4, 4, s, 0.7f);
        for (int i = 0; i < 4; ++i)
            img.fillEllipse(rng.range(0, T), rng.range(0, T), rng.range(4, 9), rng.range(3, 6),
                            Rgba{0.35f, 0.1f, 0.08f, 0.55f}, true);
        speckle(img, rng, 40, hex(0x6e6c66), 0.3f, 0.7f);
        break;
    case CrackedAsphalt:
        asphalt(img, s);
        for (int i = 0; i < 5; ++i) {
            float x = rng.range(0, T), y = rng.range(0, T);
            for (int k = 0; k < 5; ++k) {
                float nx = x + rng.range(-8, 8), ny = y + rng.range(-8, 8);
                img.line(x, y, nx, ny, 1.0f, hex(0x18181a), true);
                x = nx;
                y = ny;
            }
        }
        break;
    case RedBrickPaving:
        blocks(img, 16, 8, 8, hex(0x5e4a3c), hex(0xa44a34), 0.12f, s, 0.12f);
        break;
    case StageBoards:
        planks(img, 8, false, hex(0x3a2a22), 0.12f, s);
        for (int k = 0; k < 5; ++k) {
            float a = -1.5708f + k * 2.513f;
            float b2 = a + 1.2566f;
            img.line(32 + 14 * std::cos(a), 32 + 14 * std::sin(a), 32 + 6 * std::cos(b2),
                     32 + 6 * std::sin(b2), 2.0f, hex(0xe8c04a));
            img.line(32 + 6 * std::cos(b2), 32 + 6 * std::sin(b2), 32 + 14 * std::cos(a + 2.513f),
                     32 + 14 * std::sin(a + 2.513f), 2.0f, hex(0xe8c04a));
        }
        break;
    case LawnStripes:
        grassTile(img, hex(0x4f8f36), hex(0x35662a), hex(0x7ec055), s, 160);
        for (int y = 0; y < T; ++y)
            for (int x = 0; x < T; ++x)
                if ((x / 32) % 2) img.at(x, y) = scale(img.at(x, y), 1.16f);
        break;
    case PineNeedles:
        noiseFill(img, hex(0x4a3320), hex(0x6a4a2a), 4, 3, s);
        for (int i = 0; i < 240; ++i) {
            float x = rng.range(0, T), y = rng.range(0, T), a = rng.range(0, 6.28f);
            Rgba c = mix(hex(0x8a5a2a), hex(0xb07a3a), rng.uniform());
            img.line(x, y, x + 4 * std::cos(a), y + 4 * std::sin(a), 0.8f, c, true);
        }
        break;
    case Swamp:
        noiseFill(img, hex(0x2e3f22), hex(0x4a5e2c), 4, 4, s, 1.2f);
        for (int i = 0; i < 18; ++i)
            img.fillCircle(rng.range(0, T), rng.range(0, T), rng.range(1.5f, 3.5f), hex(0x6e8a30),
                           true);
        break;
    case Mosaic:
        img = Image(T, T, hex(0xe9e4d8));
        blocks(img, 8, 8, 0, hex(0x9a9488), hex(0xe9e4d8), 0.05f, s, 0.05f);
        for (int y = 0; y < T; y += 8)
            for (int x = 0; x < T; x += 8) {
                bool cross = (x >= 24 && x < 40) || (y >= 24 && y < 40);
                bool inner = (x >= 16 && x < 48 && y >= 16 && y < 48);
                if (cross && inner)
                    for (int j = 1; j < 8; ++j)
                        for (int i = 1; i < 8; ++i)
                            img.at(x + i, y + j) = hex(0xc4262e);
            }
        break;
    default:
        break;
    }
    return img;
}

// Wall pictures are painted upright: row 0 is the top of the wall.
Image wallTile(int n) {
    // design height in units for each wall tile; 64 pixels a unit, rounded to 2^k
    static const int heights[WallCount] = {256, 256, 128, 128, 64,  256, 128, 256, 128,
                                           128, 128, 256, 256, 256, 64,  512, 64,  256};
    Image img(T, heights[n]);
    const int H = img.h;
    Rng rng(3000 + n);
    uint32_t s = 900u + n;
    switch (n) {
    case Brick:
        blocks(img, 32, 12, 16, hex(0x8a8276), hex(0x9c4030), 0.12f, s, 0.12f, 2);
        grain(img, 0.08f, 4, s + 1);
        break;
    case ConcreteWall:
        noiseFill(img, hex(0x8e8d88), hex(0xa8a6a0), 4, 4, s, 0.6f);
        speckle(img, rng, 150, hex(0x75746f), 0.3f, 0.8f);
        for (int y = 0; y < H; y += 64)
            img.fillRect(0, y, T, y + 1, hex(0x66655f));
        for (int y = H - 24; y < H; ++y)
            for (int x = 0; x < T; ++x)
                img.at(x, y) = scale(img.at(x, y), 0.85f);
        break;
    case Planks:
        planks(img, 16, true, hex(0x8a6238), 0.14f, s);
        break;
    case Hedge:
        noiseFill(img, hex(0x1e4a1a), hex(0x2f6a26), 4, 3, s);
        for (int i = 0; i < 420; ++i) {
            float x = rng.range(0, T), y = rng.range(0, float(H));
            Rgba c = mix(hex(0x2a5a22), hex(0x6fae4a), rng.uniform() * (1.0f - 0.5f * y / H));
            img.fillEllipse(x, y, 2.4f, 1.6f, c, true);
        }
        break;
    case Picket:
        img = Image(T, H, hex(0x4a7a3a));
        noiseFill(img, hex(0x3d6a30), hex(0x5a8a44), 4, 2, s);
        img.fillRect(0, 22, T, 27, hex(0xd8d2c4));
        img.fillRect(0, 46, T, 51, hex(0xd8d2c4));
        for (int x = 2; x < T; x += 16) {
            std::vector<float> p = {float(x),      10,      float(x) + 5,  3,
                                    float(x) + 10, 10,      float(x) + 10, float(H),
                                    float(x),      float(H)};
            img.fillPolygon(p, hex(0xf2ede2));
            img.fillRect(x + 8, 10, x + 10, H, hex(0xb8b2a4));
        }
        break;
    case ShopFront: {
        blocks(img, 32, 12, 16, hex(0x8a8276), hex(0x9c4030), 0.12f, s, 0.12f, 2);
        // sign band with a green cross, then the display window, then the plinth
        img.fillRect(0, 40, T, 92, hex(0x1f6e4a));
        img.fillRect(0, 40, T, 43, hex(0xe0d8c0));
        img.fillRect(0, 89, T, 92, hex(0xe0d8c0));
        img.fillRect(26, 50, 38, 82, hex(0xf4f4ee));
        img.fillRect(16, 60, 48, 72, hex(0xf4f4ee));
        img.fillRect(0, 104, T, 226, hex(0x3c4a50));
        for (int y = 104; y < 226; ++y)
            for (int x = 4; x < 60; ++x) {
                float t = float(y - 104) / 122;
                img.at(x, y) = mix(hex(0x9fc4d4), hex(0x4d7384), t);
                if ((x + y / 2) % 40 < 5) img.at(x, y) = scale(img.at(x, y), 1.25f);
            }
        for (int k = 0; k < 3; ++k) {
            int y = 150 + k * 24;
            img.fillRect(4, y, 60, y + 3, hex(0x6e5a44));
            for (int i = 0; i < 6; ++i)
                img.fillRect(7 + i * 9, y - 10, 13 + i * 9, y,
                             (i + k) % 3 ? hex(0xe25a4a) : hex(0xf2d65a));
        }
        img.fillRect(0, 226, T, H, hex(0x5a5a58));
        break;
    }
    case TentStripes:
        stripes(img, 16, true, hex(0xc42a2e), hex(0xf2ead8), s);
        for (int x = 0; x < T; ++x) {
            int dip = int(6 * std::fabs(std::sin(x * 3.14159f / 16)));
            for (int y = 0; y < 14 + dip; ++y)
                img.at(x, y) =
                    (y < 3) ? hex(0xd9a92e) : ((x / 16) % 2 ? hex(0xf2ead8) : hex(0x2a4aa8));
            img.at(x, 14 + dip) = hex(0x5a2a20);
        }
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < T; ++x)
                img.at(x, y) = scale(img.at(x, y), 0.9f + 0.15f * std::sin(x * 3.14159f / 16));
        break;
    case HospitalWindow:
        noiseFill(img, hex(0xd8d6cc), hex(0xe8e6dc), 4, 3, s, 0.5f);
        img.fillRect(0, 216, T, H, hex(0x7d8a86));
        img.fillRect(0, 212, T, 216, hex(0x4d5a56));
        img.fillRect(0, 30, T, 36, hex(0x2f7a5a));
        img.fillRect(8, 76, 56, 170, hex(0x5a5e5e));
        for (int y = 80; y < 166; ++y)
            for (int x = 12; x < 52; ++x) {
                float t = float(y - 80) / 86;
                img.at(x, y) = mix(hex(0xa6d0e0), hex(0x3c6478), t);
                if ((x - y / 3) % 26 < 4) img.at(x, y) = scale(img.at(x, y), 1.2f);
            }
        img.fillRect(30, 80, 34, 166, hex(0x5a5e5e));
        img.fillRect(12, 120, 52, 124, hex(0x5a5e5e));
        img.fillRect(4, 170, 60, 176, hex(0xbcbab0));
        break;
    case Fieldstone:
        voronoiStones(img, 14, hex(0x8a8274), hex(0x3e3a34), 0.2f, s, 1.6f);
        break;
    case Corrugated:
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < T; ++x) {
                float r = std::sin(x * 6.2831853f / 8);
                img.at(x, y) = scale(hex(0x7d8a92), 0.85f + 0.25f * r);
            }
        for (int i = 0; i < 8; ++i) {
            float x = rng.range(0, T), y = rng.range(0, float(H));
            img.fillEllipse(x, y, rng.range(3, 7), rng.range(6, 16),
                            Rgba{0.55f, 0.28f, 0.12f, 0.55f}, true);
        }
        grain(img, 0.06f, 4, s);
        break;
    case ChainLink:
        noiseFill(img, hex(0x27402a), hex(0x3a5a3a), 4, 2, s);
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < T; ++x) {
                if (((x + y) % 8) == 0 || (((x - y) % 8 + 8) % 8) == 0)
                    img.at(x, y) = hex(0xb4bac0);
            }
        img.fillRect(0, 0, 4, H, hex(0x8a9098));
        img.fillRect(0, 0, T, 4, hex(0x8a9098));
        break;
    case Logs:
        for (int k = 0; k * 32 < H; ++k) {
            Rgba c = scale(hex(0x7a5230), 0.9f + 0.1f * ((k * 5) % 3));
            for (int y = k * 32; y < k * 32 + 32; ++y)
                for (int x = 0; x < T; ++x) {
                    float v = (y - k * 32 - 15.5f) / 16.0f;
                    float shade = std::sqrt(std::max(0.0f, 1.0f - v * v));
                    float g = valueNoise(x / 8.0f, y / 2.0f, 8, s + k);
                    img.at(x, y) = scale(c, 0.45f + 0.65f * shade + 0.1f * g);
                }
            img.fillRect(0, k * 32 + 30, T, k * 32 + 32, hex(0xc8b890));
        }
        break;
    case TimberFrame:
        noiseFill(img, hex(0xe6dcc2), hex(0xf2e9d2), 4, 3, s, 0.5f);
        img.fillRect(0, 0, T, 10, hex(0x4a2e1a));
        img.fillRect(0, 120, T, 130, hex(0x4a2e1a));
        img.fillRect(0, H - 10, T, H, hex(0x4a2e1a));
        img.fillRect(0, 0, 8, H, hex(0x4a2e1a));
        img.line(8, 130, 64, H - 10, 8, hex(0x4a2e1a));
        img.line(8, 120, 64, 10, 8, hex(0x4a2e1a));
        grain(img, 0.06f, 8, s);
        break;
    case NeonWall:
        noiseFill(img, hex(0x120a22), hex(0x1e1236), 4, 2, s);
        for (int k = 0; k < 4; ++k) {
            int y = 30 + k * 60;
            Rgba c = (k % 3 == 0) ? hex(0xff3df0) : (k % 3 == 1 ? hex(0x33e6ff) : hex(0xffe640));
            for (int d = 6; d >= 0; --d) {
                Rgba glow = c;
                glow.a = d == 0 ? 1.0f : 0.12f;
                img.fillRect(0, y - d, T, y + 3 + d, glow);
            }
            img.fillRect(0, y, T, y + 3, mix(c, rgb(1, 1, 1), 0.5f));
        }
        break;
    case Beam:
        planks(img, 64, false, hex(0x6a4424), 0.0f, s);
        img.fillRect(0, 0, T, 6, hex(0x3a2414));
        img.fillRect(0, H - 6, T, H, hex(0x3a2414));
        img.fillRect(0, 16, T, 48, hex(0xd9b24a));
        img.fillRect(0, 18, T, 46, hex(0x8a1e22));
        for (int x = 4; x < T; x += 16)
            img.fillCircle(x + 4, 32, 5, hex(0xf2d65a));
        break;
    case BorderStone:
        blocks(img, 32, 32, 16, hex(0x2a2a2a), hex(0x5a5a60), 0.14f, s, 0.15f, 2);
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < T; ++x) {
                float n = fbm(float(x) / T, float(y) / H, 2, 4, s + 3);
                float moss = clamp01((float(y) / H - 0.55f) * 2.5f + (n - 0.5f) * 1.5f);
                img.at(x, y) = mix(img.at(x, y), hex(0x3a5a2a), moss * 0.8f);
            }
        break;
    case Railing:
        img = Image(T, H, hex(0x5a7a8a));
        noiseFill(img, hex(0x7aa0b8), hex(0xa6c6da), 2, 2, s); // sky beyond the bars
        img.fillRect(0, 4, T, 10, hex(0x26282c));
        img.fillRect(0, 50, T, 56, hex(0x26282c));
        for (int x = 4; x < T; x += 12) {
            img.fillRect(x, 4, x + 4, 56, hex(0x303338));
            img.fillRect(x, 4, x + 1, 56, hex(0x70767e));
        }
        img.fillRect(0, 56, T, H, hex(0x5a5650));
        break;
    case Siding:
        for (int k = 0; k * 16 < H; ++k)
            for (int y = k * 16; y < k * 16 + 16; ++y)
                for (int x = 0; x < T; ++x) {
                    float t = float(y - k * 16) / 16;
                    img.at(x, y) = scale(hex(0x3f6f8a), 0.8f + 0.35f * t);
                    if (y == k * 16) img.at(x, y) = hex(0x1e3442);
                }
        grain(img, 0.06f, 4, s);
        // the neon sign of the roadhouse, high on the wall
        img.fillRect(8, 40, 56, 44, hex(0xff5a3a));
        img.fillRect(8, 60, 56, 64, hex(0xff5a3a));
        break;
    default:
        break;
    }
    return img;
}

} // namespace

std::vector<Picture> floorPictures() {
    std::vector<Picture> out;
    for (int n = 0; n < FloorCount; ++n)
        out.push_back({"Floor/Floor" + std::to_string(n) + ".png", floorTile(n), false, false,
                       floorNames[n]});
    return out;
}

std::vector<Picture> wallPictures() {
    std::vector<Picture> out;
    for (int n = 0; n < WallCount; ++n)
        out.push_back(
            {"Walls/Wall" + std::to_string(n) + ".png", wallTile(n), false, true, wallNames[n]});
    return out;
}

} // namespace art
