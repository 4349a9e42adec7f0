// The numbering of the floor and wall tiles, shared by the tile painter and the map
// builder, and the places of the world with the rectangles the room music uses.
#pragma once

namespace art {

enum Floor {
    LushGrass,
    Grass,
    DryGrass,
    CloverGrass,
    Dirt,
    DirtPath,
    Gravel,
    Cobble,
    Asphalt,
    AsphaltDashX,
    AsphaltDashZ,
    Crosswalk,
    PavementSlabs,
    Herringbone,
    Concrete,
    BoardsLight,
    BoardsDark,
    Parquet,
    ClinicTiles,
    ClinicChecker,
    Linoleum,
    CarpetRed,
    CarpetBlue,
    ArcadeCarpet,
    Sand,
    Mud,
    FlowerMeadow,
    OrchardSoil,
    FallenLeaves,
    StripesRed,
    StripesBlue,
    Checkerboard,
    Water,
    Flagstones,
    Marble,
    MetalGrate,
    DiamondPlate,
    MossStone,
    Rock,
    Slate,
    SteppingStones,
    Straw,
    Terracotta,
    HexTiles,
    RubberMat,
    ParkingBay,
    Manhole,
    Curb,
    GraveSoil,
    TrampledGrass,
    StainedConcrete,
    CrackedAsphalt,
    RedBrickPaving,
    StageBoards,
    LawnStripes,
    PineNeedles,
    Swamp,
    Mosaic,
    FloorCount
};

enum Wall {
    Brick,
    ConcreteWall,
    Planks,
    Hedge,
    Picket,
    ShopFront,
    TentStripes,
    HospitalWindow,
    Fieldstone,
    Corrugated,
    ChainLink,
    Logs,
    TimberFrame,
    NeonWall,
    Beam,
    BorderStone,
    Railing,
    Siding,
    WallCount
};

static_assert(FloorCount == 58, "the game has 58 floor slots");
static_assert(WallCount == 18, "the game has 18 wall slots");

extern const char *const floorNames[FloorCount];
extern const char *const wallNames[WallCount];

// A place of the world: music rooms carry the rectangle (inclusive bounds in world
// units) in which their tune plays; the other places are only named on the map.
struct Place {
    const char *name;
    float x0, x1, z0, z1;
    bool musicRoom;
    float labelX, labelZ; // where the map pictures letter the name
};

extern const Place places[];
extern const int placeCount;

// Where the game puts the player when play begins and after a death.
constexpr float startX = 1.0f, startZ = 59.0f;
constexpr float respawnX = 130.0f, respawnZ = 180.0f;
constexpr int mapSize = 250;

} // namespace art
