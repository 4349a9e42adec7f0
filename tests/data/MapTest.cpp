// The map file read the way the game reads it, and a walk over it under the game's
// walking rules from the start point and from the respawn point.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <deque>
#include <iostream>
#include <set>
#include <string>
#include <vector>

namespace {

constexpr int N = 250;

struct Cell {
    int floorTexture = 1;
    float floorHeight = 0;
    int wallSide = 2;
    float wallHeight = 0;
    float wallBase = 0;
    int wallTexture = 0;
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
    if (!f) return m;
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
            if (ok == want) ++m.records;
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

// Walking on the lattice of 0.4 steps that the W, A, S and D keys make at a heading of 0
// degrees. Positions are kept exactly, in tenths of a unit; a coordinate that falls on a
// cell boundary counts as touching both cells, since the game's floats may land on
// either side. So every position this finds is one the player can really stand on.
class Walker {
  public:
    // exact: positions are taken as exact floats (one step from a point the game sets),
    // so a coordinate on a boundary lies in the cell above it, as truncation gives.
    explicit Walker(const Map &m, bool exact = false) : m(m), exact(exact) {}

    bool freeAt(int x10, int z10) const {
        for (int cx : cells(x10))
            for (int cz : cells(z10))
                if (cx < 0 || cz < 0 || cx >= N || cz >= N || m.blocks(cx, cz)) return false;
        return true;
    }
    // One step from (x10, z10) along (dx, dz), each -1, 0 or 1.
    bool step(int x10, int z10, int dx, int dz) const {
        int px = x10 + 14 * dx, pz = z10 + 14 * dz; // the probe, 1.4 ahead
        if (px <= 0 || px >= N * 10 || pz <= 0 || pz >= N * 10) return false;
        return freeAt(x10 + 4 * dx, z10 + 4 * dz) && freeAt(px, pz);
    }
    // Every lattice point reachable from the start.
    std::vector<std::pair<int, int>> reach(int x10, int z10) const {
        std::vector<char> seen(size_t(N * 10 + 1) * (N * 10 + 1), 0);
        std::vector<std::pair<int, int>> out;
        std::deque<std::pair<int, int>> queue{{x10, z10}};
        seen[size_t(x10) * (N * 10 + 1) + z10] = 1;
        const int dirs[4][2] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}};
        while (!queue.empty()) {
            auto [x, z] = queue.front();
            queue.pop_front();
            out.push_back({x, z});
            for (auto &d : dirs) {
                if (!step(x, z, d[0], d[1])) continue;
                int nx = x + 4 * d[0], nz = z + 4 * d[1];
                char &s = seen[size_t(nx) * (N * 10 + 1) + nz];
                if (!s) {
                    s = 1;
                    queue.push_back({nx, nz});
                }
            }
        }
        return out;
    }

  private:
    const Map &m;
    bool exact;
    std::vector<int> cells(int v10) const {
        if (v10 % 10 == 0 && !exact) return {v10 / 10 - 1, v10 / 10};
        return {v10 / 10};
    }
};

std::set<std::string> roomsReached(const std::vector<std::pair<int, int>> &points) {
    std::set<std::string> out;
    for (auto [x10, z10] : points)
        for (const Room &r : rooms)
            if (x10 >= r.x0 * 10 && x10 <= r.x1 * 10 && z10 >= r.z0 * 10 && z10 <= r.z1 * 10)
                out.insert(r.name);
    return out;
}

} // namespace

TEST(MapFile, ParsesAsOneRecordPerCell) {
    const Map &m = map();
    EXPECT_EQ(m.records, N * N);
    EXPECT_FALSE(m.trailing);
}

TEST(MapFile, TileIndicesAndSidesAreInRange) {
    const Map &m = map();
    int bad = 0;
    for (int i = 0; i < N; ++i)
        for (int j = 0; j < N; ++j) {
            const Cell &c = m.at(i, j);
            bool ok = c.floorTexture >= 0 && c.floorTexture <= 57;
            if (c.wallHeight > 0)
                ok = ok && c.wallSide >= 1 && c.wallSide <= 4 && c.wallTexture >= 0 &&
                     c.wallTexture <= 17;
            if (!ok && ++bad < 5) ADD_FAILURE() << "cell " << i << "," << j;
        }
    EXPECT_EQ(bad, 0);
}

TEST(MapFile, BorderIsClosed) {
    const Map &m = map();
    for (int k = 0; k < N; ++k) {
        EXPECT_TRUE(m.blocks(k, 0)) << k;
        EXPECT_TRUE(m.blocks(k, N - 1)) << k;
        EXPECT_TRUE(m.blocks(0, k)) << k;
        EXPECT_TRUE(m.blocks(N - 1, k)) << k;
    }
}

TEST(MapFile, UsesRaisedFloorsRaisedWallsAndAllSides) {
    const Map &m = map();
    int raisedFloors = 0, raisedWalls = 0, risers = 0;
    std::set<int> sides, heights, floors, walls;
    for (const Cell &c : m.cells) {
        raisedFloors += c.floorHeight > 0.25f;
        floors.insert(c.floorTexture);
        if (c.wallHeight <= 0) continue;
        walls.insert(c.wallTexture);
        sides.insert(c.wallSide);
        heights.insert(int(c.wallHeight * 10 + 0.5f));
        raisedWalls += c.wallHeight > 0.5f && c.wallBase > 3.0f && c.wallBase < 9.0f;
        risers += c.wallHeight <= 0.5f;
    }
    EXPECT_GT(raisedFloors, 100);
    EXPECT_GT(raisedWalls, 50);
    EXPECT_GT(risers, 20);
    EXPECT_EQ(sides, (std::set<int>{1, 2, 3, 4}));
    EXPECT_GE(heights.size(), 6u);
    // Every tile is laid somewhere.
    EXPECT_EQ(floors.size(), 58u);
    EXPECT_EQ(walls.size(), 18u);
}

TEST(MapFile, StartAndRespawnPointsHaveRoomAround) {
    const Map &m = map();
    Walker w(m, true);
    for (auto [x, z] : {std::pair<int, int>{10, 590}, {1300, 1800}}) {
        for (int i = x / 10 - 2; i <= x / 10 + 2; ++i)
            for (int j = z / 10 - 2; j <= z / 10 + 2; ++j) {
                if (i > 0 && j > 0) {
                    EXPECT_FALSE(m.blocks(i, j)) << i << "," << j;
                }
            }
        // Every direction walks, except where the probe would leave the map.
        EXPECT_TRUE(w.step(x, z, 0, 1)) << x << "," << z;
        EXPECT_TRUE(w.step(x, z, 0, -1)) << x << "," << z;
        EXPECT_TRUE(w.step(x, z, 1, 0)) << x << "," << z;
        EXPECT_EQ(w.step(x, z, -1, 0), x > 14) << x << "," << z;
    }
}

TEST(MapFile, EveryMusicRoomIsReachableFromStartAndRespawn) {
    Walker w(map());
    std::set<std::string> all;
    for (const Room &r : rooms)
        all.insert(r.name);
    auto fromStart = w.reach(10, 590);
    auto fromRespawn = w.reach(1300, 1800);
    EXPECT_EQ(roomsReached(fromStart), all);
    EXPECT_EQ(roomsReached(fromRespawn), all);
    // The walk must be able to get around, not just into the room at hand.
    EXPECT_GT(fromStart.size(), 100000u);
    std::cout << "positions reached: " << fromStart.size() << " from the start, "
              << fromRespawn.size() << " from the respawn point\n";
}

TEST(MapFile, MusicRoomsAreWalledAlongTheirRectanglesWithDoorways) {
    const Map &m = map();
    for (const Room &r : rooms) {
        int x0 = int(r.x0), x1 = std::min(N - 1, int(r.x1));
        int z0 = int(r.z0), z1 = std::min(N - 1, int(r.z1));
        int rim = 0, walled = 0, doorways = 0;
        for (int x = x0; x <= x1; ++x)
            for (int z = z0; z <= z1; ++z) {
                if (x != x0 && x != x1 && z != z0 && z != z1) continue;
                ++rim;
                walled += m.blocks(x, z);
                bool outerEdge = x == 0 || z == 0 || x == N - 1 || z == N - 1;
                doorways += !m.blocks(x, z) && !outerEdge;
            }
        EXPECT_GE(walled * 10, rim * 8) << r.name << ": " << walled << " of " << rim;
        EXPECT_GT(doorways, 0) << r.name;
    }
}

TEST(MapFile, WalkerStopsAtWallsAndTheEdge) {
    // The walker itself, on a small made-up map: a wall two cells ahead stops a step
    // because the probe reaches 1.4 ahead, and a wall hung at 4.0 does not.
    Map m;
    m.at(12, 10).wallHeight = 2.0f;
    Walker w(m);
    EXPECT_TRUE(w.step(102, 105, 1, 0));  // probe at 11.6
    EXPECT_FALSE(w.step(106, 105, 1, 0)); // probe at 12.0 touches the wall's cell
    EXPECT_FALSE(w.step(110, 105, 1, 0)); // probe at 12.4 is in it
    EXPECT_TRUE(w.step(110, 105, 0, 1));  // sideways is free
    m.at(12, 10).wallBase = 4.0f;
    EXPECT_TRUE(w.step(110, 105, 1, 0));  // a wall hung at 4.0 is walked under
    EXPECT_FALSE(w.step(10, 105, -1, 0)); // probe at -0.4 leaves the map
}
