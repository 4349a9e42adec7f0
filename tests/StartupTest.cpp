// What the game's own start-up leaves behind, as WinMain runs it: the map as its file
// says (the reset first, the file after), every picture and font loaded, the camera, the
// player, the weapon and the zombies at their start; and all of it again after the
// options screen has made the window anew.
#include "GameTest.h"

#include "actors/WeaponMgr.h"
#include "actors/ZombieMgr.h"
#include "hud/FontsMgr.h"
#include "world/MapMgr.h"
#include "world/TextureMgr.h"

#include <GL/gl.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <type_traits>
#include <vector>

namespace {

// The map file read on its own terms: one record a cell, x-major, each with its floor
// tile, floor height, wall base and wall height, then the wall's side and tile when it
// has a wall. Cells the file does not reach keep the flat map's values.
std::vector<structMap> MapFromFile() {
    std::vector<structMap> cells(size_t(kMapSize) * kMapSize, {1, 0.0f, 2, 0.0f, 0.0f, 0});
    std::ifstream in("Game Data/Map/Map.txt");
    std::string word;
    auto next = [&](auto &value) {
        if (!(in >> word))
            return false;
        value = static_cast<std::remove_reference_t<decltype(value)>>(
            std::strtod(word.c_str(), nullptr));
        return true;
    };
    for (structMap &c : cells) {
        if (!next(c.floorTexture) || !next(c.floorHeight) || !next(c.wallBase) ||
            !next(c.wallHeight))
            break;
        if (c.wallHeight > 0.0f && (!next(c.wallSide) || !next(c.wallTexture)))
            break;
    }
    return cells;
}

// Everything the set-up of a window must leave, whatever came before it.
void ExpectAsStarted(const std::vector<structMap> &map, const std::string &when) {
    int cellsDiffering = 0, walls = 0;
    for (int i = 0; i < kMapSize; i++)
        for (int j = 0; j < kMapSize; j++) {
            const structMap &got = stMap[i][j], &want = map[size_t(i) * kMapSize + j];
            walls += want.wallHeight > 0.0f;
            cellsDiffering +=
                got.floorTexture != want.floorTexture || got.floorHeight != want.floorHeight ||
                got.wallBase != want.wallBase || got.wallHeight != want.wallHeight ||
                (want.wallHeight > 0.0f &&
                 (got.wallSide != want.wallSide || got.wallTexture != want.wallTexture));
        }
    EXPECT_GT(walls, 1000) << when << ": the map file has walls";
    EXPECT_EQ(cellsDiffering, 0) << when << ": cells unlike the map file";

    // Every picture in its slot, each a texture of its own.
    const unsigned *tables[] = {TextureMgr->sprites, TextureMgr->menus, TextureMgr->floors,
                                TextureMgr->walls};
    const int sizes[] = {CTextureMgr::kSprites, CTextureMgr::kMenus, CTextureMgr::kFloors,
                         CTextureMgr::kWalls};
    std::vector<unsigned> names;
    for (int t = 0; t < 4; t++)
        for (int k = 0; k < sizes[t]; k++) {
            EXPECT_TRUE(glIsTexture(tables[t][k])) << when << ": table " << t << " slot " << k;
            names.push_back(tables[t][k]);
        }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(std::unique(names.begin(), names.end()), names.end()) << when;
    for (int f = 0; f < CFontsMgr::kFonts; f++)
        EXPECT_NE(FontsMgr->GetlistBase(f), 0u) << when << ": font " << f;

    // The camera, the player and the weapon at their start.
    const structCamera camera = {50.0f, -3.0f, -60.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 20.0f};
    EXPECT_EQ(std::memcmp(&TheCamera, &camera, sizeof camera), 0) << when << ": the camera";
    EXPECT_EQ(stCharacter.health, 30.0f) << when;
    EXPECT_EQ(stCharacter.posX, 50.0f) << when;
    EXPECT_EQ(stCharacter.posZ, 40.0f) << when;
    EXPECT_EQ(stCharacter.killCount + stCharacter.deathCount, 0) << when;
    EXPECT_EQ(stCharacter.weapon, 0) << when;
    EXPECT_FALSE(stCharacter.attacking) << when;
    EXPECT_EQ(stWeapon.reach, 4) << when;
    EXPECT_FALSE(MapMgr->firstPerson) << when;
    int living = 0;
    for (const structZombies &z : stZombies)
        living += z.active && z.health > 0 && z.hitWeapon == -1;
    EXPECT_EQ(living, kZombies) << when << ": zombies";
    EXPECT_EQ(seams::LiveKeyboards(), 1) << when;
    EXPECT_EQ(seams::LiveMice(), 1) << when;
}

TEST(StartupTest, TheWorldIsTheFilesAndEveryoneStartsAfreshAlsoAfterANewWindow) {
    seams::Reset();
    RebuildMain();
    seams::ScriptAnswers({IDNO}); // windowed
    seams::UseVirtualClock(1000);
    const std::vector<structMap> map = MapFromFile();

    int pass = 0;
    bool checkedStart = false, checkedAgain = false;
    seams::SetPumpHook([&] {
        const int presents = seams::Presents();
        if (presents != pass)
            return; // once per pass
        pass++;
        if (presents == 0) {
            ExpectAsStarted(map, "at the start");
            checkedStart = true;
            // Whatever a game might have changed by the time of a new window.
            stMap[10][10] = {7, 3.0f, 1, 2.0f, 0.0f, 4};
            stCharacter.health = 2.0f;
            stCharacter.killCount = 5;
            TheCamera.yaw = 33.0f;
            TheCamera.distance = 9.0f;
            stZombies[17].health = 0;
            stZombies[18].active = false;
            stWeapon.reach = 30;
            MapMgr->firstPerson = true;
        }
        // Options, a larger resolution, Accept: the window is made again.
        const uint8_t keys[] = {DIK_DOWN, DIK_RETURN, DIK_RIGHT, DIK_DOWN, DIK_RETURN};
        const int k = presents / 2;
        if (k < 5) {
            seams::KeyEvent(keys[k], presents % 2 == 0);
        } else if (!checkedAgain) {
            int w = 0, h = 0;
            seams::ClientSize(w, h);
            EXPECT_EQ(w, 1024);
            ExpectAsStarted(map, "after a new window");
            checkedAgain = true;
            PostQuitMessage(0);
        }
        if (pass > 40) {
            ADD_FAILURE() << "the options screen never made a new window";
            PostQuitMessage(0);
        }
    });
    EXPECT_EQ(WinMain(GetModuleHandleA(nullptr), nullptr, nullptr, SW_SHOW), 0);
    EXPECT_TRUE(checkedStart);
    EXPECT_TRUE(checkedAgain);
    seams::Reset();
}

} // namespace
