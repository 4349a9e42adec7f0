// The map file read the way the game reads it, and a walk over it under the game's
// walking rules from the start point and from the respawn point.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <set>
#include <string>
#include <tuple>
#include <vector>

namespace {

constexpr int N = 250;

struct Cell {
    int floorTexture = 1, wallSide = 2, wallTexture = 0;
    float floorHeight = 0, wallHeight = 0, wallBase = 0;
};

struct Map {
    std::vector<Cell> cells = std::vector<Cell>(size_t(N) * N);
    int records = 0;       // cells whose record was read in full
    bool trailing = false; // anything left after the last record
    Cell &at(int i, int j) { return cells[size_t(i) * N + j]; }
    const Cell &at(int i, int j) const { return cells[size_t(i) * N + j]; }
    bool blocks(int i, int j) const {
        const Cell &c = at(i, j);
        return c.wallHeight > 0.5f && !(c.wallBase > 3.0f && c.wallBase < 9.0f);
    }
};

// The game's reader: formatted input with "%i " and "%f ", the side and the wall tile
// only when the wall height just read is positive.
Map load(const char *path) {
    Map m;
    FILE *f = std::fopen(path, "r");
    if (!f)
        return m;
    for (int i = 0; i < N; ++i)
        for (int j = 0; j < N; ++j) {
            Cell &c = m.at(i, j);
            int ok = std::fscanf(f, "%i ", &c.floorTexture);
            ok += std::fscanf(f, "%f ", &c.floorHeight);
            ok += std::fscanf(f, "%f ", &c.wallBase);
            ok += std::fscanf(f, "%f ", &c.wallHeight);
            int want = 4;
            if (c.wallHeight > 0.0f) {
                ok += std::fscanf(f, "%i ", &c.wallSide);
                ok += std::fscanf(f, "%i ", &c.wallTexture);
                want = 6;
            }
            if (ok == want)
                ++m.records;
        }
    m.trailing = std::fgetc(f) != EOF;
    std::fclose(f);
    return m;
}

const Map &map() {
    static Map m = load("Game Data/Map/Map.txt");
    return m;
}

struct Room {
    const char *name;
    float x0, x1, z0, z1;
};
// The room music's rectangles, bounds inclusive.
const Room rooms[] = {{"Drugstore", 175, 250, 0, 70},   {"Orchard", 212, 242, 203, 234},
                      {"Carnival", 96, 156, 2, 46},     {"Arcade", 49, 67, 103, 148},
                      {"Skyward", 49, 59, 158, 184},    {"Cottage", 201, 248, 94, 148},
                      {"Meadow", 150, 196, 169, 200},   {"Hospital", 82, 137, 169, 200},
                      {"Roadhouse", 123, 164, 94, 135}, {"Skirmish north", 2, 28, 29, 41},
                      {"Skirmish south", 2, 29, 74, 91}};

// Whether the player can stand at (x10, z10), in tenths of a unit. A coordinate on a cell
// boundary touches both cells, since the game's floats may land on either side.
bool freeAt(const Map &m, int x10, int z10) {
    for (int cx = (x10 - 1) / 10; cx <= x10 / 10; ++cx)
        for (int cz = (z10 - 1) / 10; cz <= z10 / 10; ++cz)
            if (m.blocks(cx, cz))
                return false;
    return true;
}

// Every point reachable from (x10, z10) on the lattice of 0.4 steps that the W, A, S and D
// keys make at a heading of 0 degrees: a step needs its end and the probe 1.4 ahead free,
// and the probe inside the map. So every point found is one the player can really reach.
std::vector<std::pair<int, int>> reach(const Map &m, int x10, int z10) {
    const int M = N * 10 + 1;
    std::vector<char> seen(size_t(M) * M, 0);
    std::vector<std::pair<int, int>> out{{x10, z10}}; // also the queue
    seen[size_t(x10) * M + z10] = 1;
    for (size_t k = 0; k < out.size(); ++k)
        for (auto [dx, dz] : {std::pair{1, 0}, {-1, 0}, {0, 1}, {0, -1}}) {
            auto [x, z] = out[k];
            const int px = x + 14 * dx, pz = z + 14 * dz, nx = x + 4 * dx, nz = z + 4 * dz;
            if (px <= 0 || px >= N * 10 || pz <= 0 || pz >= N * 10 || seen[size_t(nx) * M + nz] ||
                !freeAt(m, nx, nz) || !freeAt(m, px, pz))
                continue;
            seen[size_t(nx) * M + nz] = 1;
            out.push_back({nx, nz});
        }
    return out;
}

} // namespace

TEST(MapFile, EveryCellReadsWithTilesAndSidesInRangeAndAllUsedAndTheBorderIsClosed) {
    const Map &m = map();
    EXPECT_EQ(m.records, N * N);
    EXPECT_FALSE(m.trailing);
    int raisedFloors = 0, raisedWalls = 0, risers = 0;
    std::set<int> sides, heights, floors, walls;
    for (const Cell &c : m.cells) {
        raisedFloors += c.floorHeight > 0.25f;
        floors.insert(c.floorTexture);
        if (c.wallHeight <= 0)
            continue;
        walls.insert(c.wallTexture);
        sides.insert(c.wallSide);
        heights.insert(int(c.wallHeight * 10 + 0.5f));
        raisedWalls += c.wallHeight > 0.5f && c.wallBase > 3.0f && c.wallBase < 9.0f;
        risers += c.wallHeight <= 0.5f;
    }
    EXPECT_GT(raisedFloors, 100);
    EXPECT_GT(raisedWalls, 50);
    EXPECT_GT(risers, 20);
    EXPECT_GE(heights.size(), 6u);
    // Exactly the tiles and sides there are, every one of them laid somewhere.
    auto span = [](const std::set<int> &s) {
        return s.empty() ? std::tuple(0, 0, size_t(0))
                         : std::tuple(*s.begin(), *s.rbegin(), s.size());
    };
    EXPECT_EQ(span(floors), std::tuple(0, 57, size_t(58)));
    EXPECT_EQ(span(walls), std::tuple(0, 17, size_t(18)));
    EXPECT_EQ(span(sides), std::tuple(1, 4, size_t(4)));
    for (int k = 0; k < N; ++k) // the border closed all round
        EXPECT_TRUE(m.blocks(k, 0) && m.blocks(k, N - 1) && m.blocks(0, k) && m.blocks(N - 1, k))
            << k;
}

TEST(MapFile, MusicRoomsAreWalledAlongTheirRectanglesWithDoorways) {
    const Map &m = map();
    for (const Room &r : rooms) {
        int x0 = int(r.x0), x1 = std::min(N - 1, int(r.x1));
        int z0 = int(r.z0), z1 = std::min(N - 1, int(r.z1));
        int rim = 0, walled = 0, doorways = 0;
        for (int x = x0; x <= x1; ++x)
            for (int z = z0; z <= z1; ++z) {
                if (x != x0 && x != x1 && z != z0 && z != z1)
                    continue;
                ++rim;
                walled += m.blocks(x, z);
                bool outerEdge = x == 0 || z == 0 || x == N - 1 || z == N - 1;
                doorways += !m.blocks(x, z) && !outerEdge;
            }
        EXPECT_GE(walled * 10, rim * 8) << r.name << ": " << walled << " of " << rim;
        EXPECT_GT(doorways, 0) << r.name;
    }
}

TEST(MapFile, StartAndRespawnHaveRoomAroundAndReachEveryMusicRoom) {
    const Map &m = map();
    for (auto [x, z] : {std::pair{10, 590}, {1300, 1800}}) {
        // Two free cells all round, but for the border.
        for (int i = std::max(1, x / 10 - 2); i <= x / 10 + 2; ++i)
            for (int j = std::max(1, z / 10 - 2); j <= z / 10 + 2; ++j)
                EXPECT_FALSE(m.blocks(i, j)) << i << "," << j;
        auto points = reach(m, x, z);
        std::set<std::string> reached, all;
        for (const Room &r : rooms) {
            all.insert(r.name);
            for (auto [x10, z10] : points)
                if (x10 >= r.x0 * 10 && x10 <= r.x1 * 10 && z10 >= r.z0 * 10 && z10 <= r.z1 * 10)
                    reached.insert(r.name);
        }
        EXPECT_EQ(reached, all) << x << "," << z;
        // The walk must be able to get around, not just into the room at hand.
        EXPECT_GT(points.size(), 100000u) << x << "," << z;
    }
}
