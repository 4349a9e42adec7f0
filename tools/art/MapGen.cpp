#include "MapGen.h"

#include "Noise.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace art {
namespace {

// Wall sides as the map file numbers them: the edge of the cell that carries the wall.
enum Side { Left = 1, Front = 2, Right = 3, Back = 4 };

class Builder {
  public:
    explicit Builder(World &world) : w(world), reserved(size_t(mapSize) * mapSize, 0) {}

    World &w;
    // Cells kept clear of scattered scenery: roads, paths, places and their doorways.
    std::vector<char> reserved;

    static bool valid(int x, int z) { return x >= 0 && z >= 0 && x < mapSize && z < mapSize; }
    char &res(int x, int z) { return reserved[size_t(x) * mapSize + z]; }

    void reserve(int x0, int z0, int x1, int z1) {
        for (int x = x0; x <= x1; ++x)
            for (int z = z0; z <= z1; ++z)
                if (valid(x, z)) res(x, z) = 1;
    }

    void floor(int x0, int z0, int x1, int z1, int tile, float height = 0.0f) {
        for (int x = x0; x <= x1; ++x)
            for (int z = z0; z <= z1; ++z)
                if (valid(x, z)) {
                    w.at(x, z).floor = tile;
                    w.at(x, z).height = height;
                }
    }

    void wall(int x, int z, int side, float height, int tile, float base = 0.0f) {
        if (!valid(x, z)) return;
        Cell &c = w.at(x, z);
        c.side = side;
        c.wallHeight = height;
        c.wallBase = base;
        c.wallTile = tile;
    }

    void clearWall(int x, int z) {
        if (valid(x, z)) w.at(x, z).wallHeight = 0.0f;
    }

    // A row of wall along x at z, or a column along z at x.
    void hwall(int z, int x0, int x1, float h, int tile, int side = Front, float base = 0) {
        for (int x = x0; x <= x1; ++x)
            wall(x, z, side, h, tile, base);
    }
    void vwall(int x, int z0, int z1, float h, int tile, int side = Right, float base = 0) {
        for (int z = z0; z <= z1; ++z)
            wall(x, z, side, h, tile, base);
    }

    // An enclosure on the cells of the rectangle's rim. The sides are chosen so that the
    // four drawn walls meet at the corners without gaps or overhangs.
    void box(int x0, int z0, int x1, int z1, float h, int top, int bottom, int left, int right) {
        hwall(z0, x0, x1, h, top, Front);
        hwall(z1, x0, x1, h, bottom, Back);
        vwall(x0, z0 + 1, z1 - 1, h, left, Left);
        vwall(x1, z0 + 1, z1 - 1, h, right, Right);
    }
    void box(int x0, int z0, int x1, int z1, float h, int tile) {
        box(x0, z0, x1, z1, h, tile, tile, tile, tile);
    }

    // Opens a doorway in a row (along x) or a column (along z). With a lintel the wall
    // goes on above head height, so the player walks under it.
    void doorH(int z, int x0, int x1, float lintelBase = 0) {
        for (int x = x0; x <= x1; ++x)
            lintel(x, z, lintelBase);
        reserve(x0, z - 2, x1, z + 2);
    }
    void doorV(int x, int z0, int z1, float lintelBase = 0) {
        for (int z = z0; z <= z1; ++z)
            lintel(x, z, lintelBase);
        reserve(x - 2, z0, x + 2, z1);
    }
    void lintel(int x, int z, float base) {
        Cell &c = w.at(x, z);
        if (base > 3.0f && c.wallHeight > base + 0.2f) {
            c.wallHeight -= base;
            c.wallBase = base;
            c.wallTile = Beam;
        } else {
            c.wallHeight = 0.0f;
        }
    }

    // A raised area built as terraces of 0.5 each, with a riser wall on the outer edge of
    // every terrace. Risers are exactly 0.5 high, so they never stop anyone.
    void raised(int x0, int z0, int x1, int z1, float height, int tile) {
        int steps = int(std::ceil(height / 0.5f - 1e-4f));
        for (int k = 0; k < steps; ++k) {
            int ax = x0 + k, az = z0 + k, bx = x1 - k, bz = z1 - k;
            if (ax > bx || az > bz) break;
            float h = std::min(height, 0.5f * (k + 1));
            float below = k > 0 ? 0.5f * k : w.at(ax, az).height;
            floor(ax, az, bx, bz, tile, h);
            float rise = std::min(0.5f, h - below);
            for (int x = ax; x <= bx; ++x) {
                riser(x, az, Back, h, rise);
                riser(x, bz, Front, h, rise);
            }
            for (int z = az + 1; z < bz; ++z) {
                riser(ax, z, Left, h, rise);
                riser(bx, z, Right, h, rise);
            }
        }
    }
    void riser(int x, int z, int side, float top, float rise) {
        if (!valid(x, z) || rise <= 0) return;
        Cell &c = w.at(x, z);
        if (c.wallHeight > 0) return;
        wall(x, z, side, rise, Fieldstone, top - rise);
    }

    // A tree: a trunk that stops walkers and a square crown of foliage from 3.3 to 5.5,
    // hung on the twelve cells around the trunk so that it has four faces.
    bool treeFits(int x, int z) {
        for (int i = x - 2; i <= x + 2; ++i)
            for (int j = z - 2; j <= z + 2; ++j)
                if (!valid(i, j) || i < 2 || j < 2 || i > mapSize - 3 || j > mapSize - 3 ||
                    res(i, j) || w.at(i, j).wallHeight > 0)
                    return false;
        return true;
    }
    void tree(int x, int z, int groundTile = -1) {
        wall(x, z, (x + z) % 2 ? Front : Right, 3.6f, Logs);
        for (int d = -1; d <= 1; ++d) {
            wall(x - 2, z + d, Right, 2.2f, Hedge, 3.3f);
            wall(x + 2, z + d, Left, 2.2f, Hedge, 3.3f);
            wall(x + d, z - 2, Front, 2.2f, Hedge, 3.3f);
            wall(x + d, z + 2, Back, 2.2f, Hedge, 3.3f);
        }
        if (groundTile >= 0)
            for (int i = x - 1; i <= x + 1; ++i)
                for (int j = z - 1; j <= z + 1; ++j)
                    w.at(i, j).floor = groundTile;
        reserve(x - 3, z - 3, x + 3, z + 3);
    }

    // Roads: a pavement on both edges and a dashed centre line.
    void roadX(int z0, int z1, int x0, int x1) {
        floor(x0, z0, x1, z1, Asphalt);
        floor(x0, z0, x1, z0, PavementSlabs);
        floor(x0, z1, x1, z1, PavementSlabs);
        int mid = (z0 + z1) / 2;
        for (int x = x0; x <= x1; ++x) {
            w.at(x, mid).floor = (x % 6 < 3) ? AsphaltDashX : Asphalt;
            if (x % 23 == 7) w.at(x, mid - 2).floor = Manhole;
            if (x % 17 == 3) w.at(x, mid + 2).floor = CrackedAsphalt;
        }
        reserve(x0, z0, x1, z1);
    }
    void roadZ(int x0, int x1, int z0, int z1) {
        floor(x0, z0, x1, z1, Asphalt);
        floor(x0, z0, x0, z1, PavementSlabs);
        floor(x1, z0, x1, z1, PavementSlabs);
        int mid = (x0 + x1) / 2;
        for (int z = z0; z <= z1; ++z) {
            w.at(mid, z).floor = (z % 6 < 3) ? AsphaltDashZ : Asphalt;
            if (z % 19 == 5) w.at(mid + 2, z).floor = CrackedAsphalt;
        }
        reserve(x0, z0, x1, z1);
    }
    // Where two roads cross: plain asphalt with zebra crossings on the approaches.
    void crossing(int x0, int z0, int x1, int z1) {
        floor(x0, z0, x1, z1, Asphalt);
        floor(x0, z0 - 2, x1, z0 - 1, Crosswalk);
        floor(x0, z1 + 1, x1, z1 + 2, Crosswalk);
        floor(x0 - 2, z0, x0 - 1, z1, Crosswalk);
        floor(x1 + 1, z0, x1 + 2, z1, Crosswalk);
    }
    void path(int x0, int z0, int x1, int z1, int tile) {
        floor(x0, z0, x1, z1, tile);
        reserve(x0 - 1, z0 - 1, x1 + 1, z1 + 1);
    }
    void ellipse(float cx, float cz, float rx, float rz, int tile, float height) {
        for (int x = int(cx - rx) - 1; x <= int(cx + rx) + 1; ++x)
            for (int z = int(cz - rz) - 1; z <= int(cz + rz) + 1; ++z) {
                float dx = (x - cx) / rx, dz = (z - cz) / rz;
                if (valid(x, z) && dx * dx + dz * dz <= 1.0f) {
                    w.at(x, z).floor = tile;
                    w.at(x, z).height = height;
                }
            }
    }
};

// Open ground: grass of several kinds in broad patches, so the land does not look
// stamped from one tile.
void ground(Builder &b) {
    for (int x = 0; x < mapSize; ++x)
        for (int z = 0; z < mapSize; ++z) {
            float n = valueNoise(x / 11.0f, z / 11.0f, 0, 7) * 0.7f +
                      valueNoise(x / 4.0f, z / 4.0f, 0, 8) * 0.3f;
            float m = valueNoise(x / 17.0f, z / 17.0f, 0, 9);
            int t = Grass;
            if (n < 0.28f)
                t = LushGrass;
            else if (n > 0.70f)
                t = DryGrass;
            else if (n > 0.62f && m > 0.55f)
                t = CloverGrass;
            if (m < 0.16f) t = FallenLeaves;
            if (m > 0.86f) t = Dirt;
            b.w.at(x, z).floor = t;
        }
}

void roads(Builder &b) {
    b.roadX(55, 63, 1, 174);    // the main road, from the start point to the drugstore
    b.roadZ(70, 77, 8, 245);    // the mill road, north to south
    b.roadX(150, 156, 45, 248); // the south road
    b.crossing(70, 55, 77, 63);
    b.crossing(70, 150, 77, 156);
    b.path(140, 64, 146, 93, Asphalt); // roadhouse drive
    b.floor(140, 64, 140, 93, Curb);
    b.floor(146, 64, 146, 93, Curb);
    b.path(120, 47, 127, 54, Cobble);     // carnival approach
    b.path(157, 20, 174, 24, Cobble);     // carnival east gate to the drugstore
    b.path(212, 71, 216, 93, DirtPath);   // drugstore lane to the cottage
    b.path(197, 157, 200, 245, DirtPath); // meadow lane
    b.path(201, 215, 211, 219, DirtPath); // to the orchard gate
    b.path(12, 42, 16, 54, DirtPath);     // skirmish grounds
    b.path(14, 64, 18, 73, DirtPath);
    b.path(36, 64, 40, 99, Gravel);             // cemetery north gate
    b.path(68, 122, 69, 127, PavementSlabs);    // arcade door
    b.path(126, 157, 133, 168, RedBrickPaving); // hospital forecourt
    b.path(168, 157, 175, 168, DirtPath);       // meadow gate
    b.path(150, 136, 154, 149, Gravel);         // roadhouse back gate
    b.path(223, 149, 227, 149, Gravel);         // cottage garden gate
    b.path(138, 182, 149, 186, Gravel);         // hospital side door to the meadow
    b.path(45, 157, 60, 157, PavementSlabs);    // in front of the skyward tower
    b.reserve(0, 52, 8, 66);                    // room around the start point
}

void skirmishGrounds(Builder &b) {
    // North ground: a trampled field behind a picket fence, with low cover and ruins.
    b.floor(3, 30, 27, 40, TrampledGrass);
    b.floor(9, 36, 13, 39, Mud);
    b.floor(20, 31, 25, 33, Mud);
    b.box(2, 29, 28, 41, 1.3f, Picket);
    b.doorH(41, 12, 16);
    b.doorV(28, 33, 36);
    b.hwall(33, 5, 8, 1.0f, Fieldstone);
    b.hwall(36, 19, 23, 1.0f, Fieldstone, Back);
    b.vwall(14, 31, 33, 1.0f, Fieldstone, Left);
    b.hwall(31, 22, 25, 2.6f, Brick);
    b.vwall(25, 32, 33, 2.0f, Brick);
    b.vwall(6, 37, 39, 1.6f, Planks);
    b.raised(19, 38, 23, 39, 0.5f, BoardsDark);
    b.reserve(2, 29, 28, 41);

    // South ground: a concrete yard in a chain-link fence, with containers and a tower.
    b.floor(3, 75, 28, 90, StainedConcrete);
    b.floor(10, 82, 16, 86, CrackedAsphalt);
    b.floor(3, 75, 8, 77, RubberMat);
    b.box(2, 74, 29, 91, 2.2f, ChainLink);
    b.doorH(74, 14, 18);
    b.doorV(29, 84, 88);
    b.box(5, 78, 7, 83, 2.6f, Corrugated);
    b.box(19, 78, 24, 80, 2.6f, Corrugated);
    b.wall(11, 79, Front, 1.1f, Corrugated);
    b.wall(12, 88, Right, 1.1f, Corrugated);
    b.raised(22, 84, 27, 89, 1.5f, Concrete);
    b.reserve(2, 74, 29, 91);
}

void drugstore(Builder &b) {
    // A plaza behind a chain-link fence: parking, pavement and the store itself.
    b.floor(176, 1, 248, 69, PavementSlabs);
    b.floor(176, 30, 203, 69, Asphalt);
    for (int x = 178; x <= 201; ++x) {
        b.w.at(x, 36).floor = ParkingBay;
        b.w.at(x, 37).floor = ParkingBay;
        b.w.at(x, 46).floor = ParkingBay;
        b.w.at(x, 47).floor = ParkingBay;
    }
    b.floor(204, 41, 248, 69, Herringbone);
    b.box(175, 0, 249, 70, 2.2f, ChainLink);
    b.doorV(175, 55, 63);
    b.doorV(175, 20, 24);
    b.doorH(70, 212, 216);
    // Cart corrals on the car park.
    b.hwall(41, 184, 188, 1.0f, Railing);
    b.hwall(41, 194, 198, 1.0f, Railing);

    // The store: brick with a glass front to the car park, a sign over the door.
    b.floor(206, 7, 243, 39, ClinicChecker);
    b.floor(206, 7, 210, 39, Linoleum);
    b.box(205, 6, 244, 40, 5.0f, Brick, Brick, ShopFront, Brick);
    b.doorV(205, 20, 25, 3.4f);
    b.doorV(205, 32, 34);
    for (int x = 213; x <= 238; x += 5)
        b.vwall(x, 10, 32, 2.2f, Planks);
    b.hwall(36, 222, 240, 1.2f, Planks);
    b.floor(222, 37, 240, 39, Terracotta);
    b.raised(232, 8, 242, 9, 0.5f, Marble);
    b.reserve(175, 0, 249, 70);
}

void carnival(Builder &b) {
    b.floor(97, 3, 155, 45, Straw);
    b.floor(97, 28, 155, 31, Sand);
    b.floor(118, 28, 129, 45, Sand);
    b.box(96, 2, 156, 46, 2.5f, TentStripes);
    b.doorH(46, 120, 127, 3.5f);
    b.doorV(156, 20, 24);
    // The arch over the main gate.
    b.hwall(46, 119, 128, 1.6f, Beam, Back, 4.6f);

    // Big top with a stage.
    b.floor(103, 8, 129, 26, StripesRed);
    b.floor(111, 16, 121, 24, Sand);
    b.box(102, 7, 130, 27, 5.5f, TentStripes);
    b.doorH(27, 113, 118, 3.6f);
    b.raised(106, 9, 126, 13, 1.0f, StageBoards);

    // Side tent.
    b.floor(137, 7, 151, 17, StripesBlue);
    b.box(136, 6, 152, 18, 4.0f, TentStripes);
    b.doorH(18, 142, 145);
    b.raised(140, 8, 148, 10, 0.5f, Checkerboard);

    // Carousel: a round raised deck around a tall pole.
    for (int x = 134; x <= 148; ++x)
        for (int z = 32; z <= 42; ++z) {
            float dx = x - 141.0f, dz = (z - 37.0f) * 1.3f;
            if (dx * dx + dz * dz <= 36.0f) b.w.at(x, z).floor = Checkerboard;
            if (dx * dx + dz * dz <= 36.0f) b.w.at(x, z).height = 0.4f;
        }
    b.wall(141, 37, Front, 5.0f, Railing);
    for (int k = 0; k < 8; ++k) {
        float a = k * 0.785398f;
        int x = int(std::lround(141 + 4 * std::cos(a))), z = int(std::lround(37 + 3 * std::sin(a)));
        b.wall(x, z, 1 + k % 4, 1.6f, Beam, 2.1f);
    }

    // Booths along the west fence, open toward the midway.
    for (int z = 31; z <= 41; z += 5) {
        b.floor(98, z, 101, z + 3, BoardsLight);
        b.box(97, z, 102, z + 3, 2.2f, Planks);
        b.doorV(102, z + 1, z + 2);
    }
    b.reserve(96, 2, 156, 46);
}

void arcade(Builder &b) {
    b.floor(50, 104, 66, 147, ArcadeCarpet);
    b.floor(62, 119, 66, 130, Checkerboard);
    b.box(49, 103, 67, 148, 4.5f, NeonWall, NeonWall, NeonWall, NeonWall);
    b.doorV(67, 122, 127);
    for (int z = 107; z <= 117; z += 5) {
        b.hwall(z, 52, 57, 2.2f, Corrugated);
        b.hwall(z, 60, 64, 2.2f, Corrugated, Back);
    }
    b.vwall(52, 121, 128, 2.2f, Corrugated, Left);
    // Neon beams across the hall, above head height.
    b.hwall(120, 50, 66, 0.8f, NeonWall, Front, 3.6f);
    b.hwall(131, 50, 66, 0.8f, NeonWall, Back, 3.6f);
    b.raised(52, 134, 64, 145, 1.0f, Checkerboard);
    b.reserve(49, 103, 67, 148);
}

void skyward(Builder &b) {
    // A stone tower whose stair climbs to a lookout above its own walls.
    b.floor(50, 159, 58, 183, Flagstones);
    b.floor(50, 159, 58, 160, Slate);
    b.box(49, 158, 59, 184, 7.0f, Fieldstone);
    b.doorH(158, 52, 56);
    for (int z = 161; z <= 172; ++z) {
        float h = 0.5f * (z - 160);
        b.floor(50, z, 58, z, Rock, h);
        for (int x = 50; x <= 58; ++x)
            b.wall(x, z, Back, 0.5f, Fieldstone, h - 0.5f);
    }
    b.floor(50, 173, 58, 183, MetalGrate, 6.0f);
    b.floor(52, 176, 56, 181, DiamondPlate, 6.0f);
    b.hwall(183, 50, 58, 1.0f, Railing, Front, 6.0f);
    b.reserve(44, 156, 64, 186);
}

void cottage(Builder &b) {
    b.floor(202, 95, 247, 147, LawnStripes);
    b.box(201, 94, 248, 148, 1.8f, Hedge);
    b.doorH(94, 212, 216);
    b.doorH(148, 223, 227);
    b.hwall(148, 222, 228, 0.9f, Hedge, Back, 3.2f); // rose arch over the garden gate
    b.path(212, 95, 216, 101, Gravel);
    b.path(217, 99, 227, 101, Gravel);

    // The house: log walls, a timbered front with a porch.
    b.floor(215, 104, 237, 122, Parquet);
    b.floor(216, 112, 224, 120, CarpetRed);
    b.floor(227, 104, 237, 115, Terracotta);
    b.floor(215, 104, 220, 109, HexTiles);
    b.box(214, 103, 238, 123, 3.6f, Logs, TimberFrame, Logs, Logs);
    b.doorH(123, 224, 227);
    b.vwall(226, 104, 116, 3.0f, TimberFrame);
    b.doorV(226, 110, 112);
    b.hwall(110, 215, 220, 3.0f, TimberFrame);
    b.doorH(110, 217, 218);
    b.raised(221, 124, 230, 126, 0.5f, BoardsDark);
    b.path(223, 127, 227, 147, SteppingStones);

    // Vegetable beds, a pond and a well.
    for (int z = 128; z <= 145; z += 3)
        b.floor(204, z, 212, z + 1, OrchardSoil);
    b.ellipse(239, 137, 6.5f, 5.5f, Sand, 0.0f);
    b.ellipse(239, 137, 5.0f, 4.0f, Water, -0.3f);
    b.floor(206, 98, 207, 99, Flagstones);
    b.box(205, 97, 208, 100, 1.0f, Fieldstone);
    b.tree(244, 100, FallenLeaves);
    b.tree(207, 120, FallenLeaves);
    b.reserve(201, 94, 248, 148);
}

void meadow(Builder &b) {
    b.floor(151, 170, 195, 199, FlowerMeadow);
    for (int x = 151; x <= 195; ++x)
        for (int z = 170; z <= 199; ++z) {
            float n = valueNoise(x / 5.0f, z / 5.0f, 0, 31);
            if (n < 0.3f)
                b.w.at(x, z).floor = LushGrass;
            else if (n > 0.78f)
                b.w.at(x, z).floor = CloverGrass;
        }
    b.box(150, 169, 196, 200, 1.0f, Fieldstone);
    b.doorH(169, 168, 175);
    b.doorV(150, 182, 186);
    b.doorV(196, 190, 194);
    b.path(168, 170, 175, 176, DirtPath);
    // A grassy knoll in terraces.
    b.raised(178, 178, 192, 194, 2.0f, LushGrass);
    b.floor(184, 184, 186, 188, FlowerMeadow, 2.0f);
    // Standing stones in a ring.
    for (int k = 0; k < 10; ++k) {
        float a = k * 0.6283185f;
        int x = int(std::lround(162 + 7 * std::cos(a))),
            z = int(std::lround(186 + 7 * std::sin(a)));
        b.wall(x, z, 1 + k % 4, 2.6f, Fieldstone);
    }
    b.floor(160, 184, 164, 188, MossStone);
    b.reserve(150, 169, 196, 200);
}

void hospital(Builder &b) {
    b.floor(83, 170, 136, 199, Linoleum);
    b.box(82, 169, 137, 200, 5.0f, HospitalWindow);
    b.doorH(169, 126, 133, 3.5f);
    b.doorV(137, 182, 186);
    // Lobby around the respawn point, with a red cross on the floor and a desk.
    b.floor(118, 170, 136, 199, ClinicChecker);
    b.floor(128, 178, 132, 182, Mosaic);
    b.hwall(193, 121, 128, 1.1f, Planks);
    b.vwall(117, 170, 199, 3.5f, ConcreteWall);
    b.doorV(117, 176, 179);
    b.doorV(117, 190, 193);
    // Wards on both sides of a corridor.
    b.floor(83, 183, 116, 186, Linoleum);
    b.floor(83, 170, 116, 181, ClinicTiles);
    b.floor(83, 188, 116, 199, ClinicTiles);
    b.hwall(182, 83, 116, 3.5f, ConcreteWall);
    b.hwall(187, 83, 116, 3.5f, ConcreteWall, Back);
    b.vwall(100, 170, 181, 3.5f, ConcreteWall);
    b.vwall(100, 188, 199, 3.5f, ConcreteWall);
    for (int x : {90, 107}) {
        b.doorH(182, x, x + 2);
        b.doorH(187, x, x + 2);
    }
    for (int x = 85; x <= 113; x += 4) {
        if (x >= 98 && x <= 101) continue;
        b.raised(x, 171, x + 1, 173, 0.5f, Marble);
        b.raised(x, 196, x + 1, 198, 0.5f, Marble);
    }
    b.reserve(82, 169, 137, 200);
}

void roadhouse(Builder &b) {
    b.floor(124, 95, 163, 134, Asphalt);
    for (int x = 125; x <= 162; ++x) {
        b.w.at(x, 98).floor = ParkingBay;
        b.w.at(x, 99).floor = ParkingBay;
        b.w.at(x, 106).floor = ParkingBay;
        b.w.at(x, 107).floor = ParkingBay;
    }
    b.floor(124, 111, 163, 111, Gravel);
    b.floor(124, 133, 163, 134, Gravel);
    b.box(123, 94, 164, 135, 1.6f, Planks);
    b.doorH(94, 140, 146);
    b.doorH(135, 150, 154);

    b.floor(129, 113, 159, 131, BoardsDark);
    b.floor(129, 113, 139, 116, Terracotta);
    b.floor(146, 117, 158, 122, Checkerboard);
    b.floor(130, 120, 139, 131, CarpetBlue);
    b.box(128, 112, 160, 132, 4.2f, Siding);
    b.doorH(112, 141, 145, 3.3f);
    b.doorH(132, 134, 136);
    b.hwall(117, 131, 139, 1.2f, Planks);
    b.raised(148, 125, 158, 131, 1.0f, StageBoards);
    for (auto p : {std::pair<int, int>{133, 123}, {137, 126}, {133, 128}, {141, 124}, {141, 129}})
        b.wall(p.first, p.second, Front, 0.9f, Planks);
    b.reserve(123, 94, 164, 135);
}

void orchard(Builder &b) {
    b.floor(213, 204, 241, 233, Grass);
    b.box(212, 203, 242, 234, 1.2f, Picket);
    b.doorV(212, 215, 219);
    b.doorH(234, 225, 228);
    for (int x = 216; x <= 238; x += 7)
        for (int z = 207; z <= 230; z += 6) {
            if (z >= 213 && z <= 221 && x <= 216) continue; // keep the gate clear
            b.floor(x - 1, z - 1, x + 1, z + 1, OrchardSoil);
            b.tree(x, z);
        }
    b.reserve(212, 203, 242, 234);
}

void cemetery(Builder &b) {
    b.floor(6, 101, 43, 243, GraveSoil);
    for (int x = 6; x <= 43; ++x)
        for (int z = 101; z <= 243; ++z)
            if (valueNoise(x / 3.0f, z / 3.0f, 0, 41) > 0.62f) b.w.at(x, z).floor = TrampledGrass;
    b.box(5, 100, 44, 244, 1.4f, Fieldstone);
    b.doorV(44, 151, 155);
    b.doorH(100, 36, 40);
    b.path(24, 101, 26, 243, Gravel);
    b.path(6, 151, 43, 155, Gravel);
    b.path(36, 101, 40, 110, Gravel);
    b.path(27, 108, 40, 110, Gravel);
    Rng rng(77);
    for (int z = 104; z <= 240; z += 4)
        for (int x = 8; x <= 41; x += 3) {
            if ((x >= 23 && x <= 28) || (z >= 149 && z <= 157)) continue;
            if (x >= 29 && z >= 197 && z <= 215) continue; // the mausoleum
            if (x >= 34 && z <= 112) continue;
            if (rng.below(7) == 0) continue;
            int tile = rng.below(3) == 0 ? BorderStone : (rng.below(2) ? ConcreteWall : Fieldstone);
            b.wall(x, z, Front, 0.8f + 0.1f * rng.below(6), tile);
            b.w.at(x, z + 1).floor = MossStone;
        }
    b.floor(31, 201, 39, 211, Marble);
    b.box(30, 200, 40, 212, 4.0f, BorderStone);
    b.doorV(30, 205, 207);
    b.raised(35, 204, 37, 208, 1.0f, Marble);
    b.reserve(5, 100, 44, 244);
}

void mere(Builder &b) {
    b.ellipse(100, 120, 17, 21, Sand, 0.0f);
    b.ellipse(100, 120, 15.5f, 19.5f, Swamp, -0.15f);
    b.ellipse(100, 120, 13.5f, 17.5f, Water, -0.35f);
    b.floor(99, 126, 100, 140, BoardsLight, 0.1f);
    b.floor(96, 126, 103, 128, BoardsLight, 0.1f);
    b.reserve(82, 98, 118, 142);
}

// Trees and ruins over the open ground, kept off roads, paths and places.
void scenery(Builder &b) {
    Rng rng(2024);
    // Woods in the north-west, thinner trees elsewhere.
    for (int tries = 0; tries < 6000; ++tries) {
        int x = 3 + rng.below(mapSize - 6), z = 3 + rng.below(mapSize - 6);
        bool woods = (x >= 30 && x <= 95 && z <= 52) || (z >= 205 && x >= 48 && x <= 190);
        if (!woods && rng.below(4) != 0) continue;
        if (!b.treeFits(x, z)) continue;
        b.tree(x, z, woods ? PineNeedles : FallenLeaves);
        if (woods)
            for (int i = x - 3; i <= x + 3; ++i)
                for (int j = z - 3; j <= z + 3; ++j)
                    if (Builder::valid(i, j) && rng.below(3) == 0 && b.w.at(i, j).wallHeight == 0)
                        b.w.at(i, j).floor = PineNeedles;
    }
    // A few broken walls.
    const int ruins[][4] = {{84, 70, 92, 0},  {100, 80, 0, 6},  {180, 80, 188, 0},
                            {190, 215, 0, 5}, {60, 230, 68, 0}, {160, 225, 0, 4}};
    for (auto &r : ruins) {
        int x = r[0], z = r[1];
        bool along = r[2] != 0;
        int n = along ? r[2] - x : r[3];
        for (int k = 0; k <= n; ++k) {
            int cx = along ? x + k : x, cz = along ? z : z + k;
            if (b.res(cx, cz)) continue;
            float h = 1.2f + 1.4f * std::fabs(std::sin(k * 1.7f));
            b.wall(cx, cz, along ? Front : Right, h, (k % 3) ? Brick : Fieldstone);
            b.w.at(cx, cz).floor = Cobble;
        }
    }
}

void border(Builder &b) {
    // The walls stand on the inner edges of the rim cells, so none of it hangs outside.
    // The game starts at the west edge with the orbit camera outside the map, looking
    // east: a low field-stone wall there lets that first view look over it into the
    // world, and still stops the player.
    b.hwall(0, 0, mapSize - 1, 7.0f, BorderStone, Front);
    b.hwall(mapSize - 1, 0, mapSize - 1, 7.0f, BorderStone, Back);
    b.vwall(0, 1, mapSize - 2, 1.2f, Fieldstone, Right);
    b.vwall(mapSize - 1, 1, mapSize - 2, 7.0f, BorderStone, Left);
}

} // namespace

World buildWorld() {
    World world;
    Builder b(world);
    ground(b);
    roads(b);
    mere(b);
    skirmishGrounds(b);
    drugstore(b);
    carnival(b);
    arcade(b);
    skyward(b);
    cottage(b);
    meadow(b);
    hospital(b);
    roadhouse(b);
    orchard(b);
    cemetery(b);
    scenery(b);
    border(b);
    return world;
}

std::string mapText(const World &w) {
    std::string out;
    out.reserve(size_t(mapSize) * mapSize * 32);
    char buf[96];
    for (int x = 0; x < mapSize; ++x)
        for (int z = 0; z < mapSize; ++z) {
            const Cell &c = w.at(x, z);
            int n = std::snprintf(buf, sizeof buf, "%d %.6f %.6f %.6f", c.floor, c.height,
                                  c.wallBase, c.wallHeight);
            if (c.wallHeight > 0.0f)
                n += std::snprintf(buf + n, sizeof buf - n, " %d %d", c.side, c.wallTile);
            out.append(buf, size_t(n));
            out.push_back('\n');
        }
    return out;
}

} // namespace art
