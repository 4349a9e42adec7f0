// What the game's tests share: a fresh game for every test, the main loop driven pass by
// pass or through WinMain, a scene set up at a place, what a draw call sent (GL's
// feedback mode), pixels read back, pictures written, and the process's files and memory.
#pragma once

#include "actors/CharacterMgr.h"
#include "actors/WeaponMgr.h"
#include "actors/ZombieMgr.h"
#include "app/Demo.h"
#include "app/Main.h"
#include "app/Records.h"
#include "audio/Music.h"
#include "audio/SPCPlayer.h"
#include "hud/FontsMgr.h"
#include "hud/Hud.h"
#include "input/InputSystem.h"
#include "platform/testing.h"
#include "world/CameraMgr.h"
#include "world/MapMgr.h"
#include "world/TextureMgr.h"

#include "Stage.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

// --- Files and memory -----------------------------------------------------------------

inline const std::string kRunDir = std::filesystem::current_path().string();

// A fresh folder made the current directory for the life of the object.
class ScratchDir {
  public:
    ScratchDir();
    ~ScratchDir();
    const std::string &path() const { return path_; }
    void MakeGameDataFolders() const; // the folders of "Game Data" the catalogue reads

  private:
    std::string path_, previous_;
};

struct Rgba {
    uint8_t r, g, b, a;
};
bool Near(Rgba a, Rgba b, int tolerance = 2);
std::ostream &operator<<(std::ostream &out, Rgba c);

// A picture of any libpng colour type and bit depth; rows hold packed samples. palette:
// RGB triples; trnsAlpha: alpha per palette entry; trnsColour: the transparent grey or RGB.
struct PngSpec {
    int width = 4, height = 4;
    int colourType = 2; // PNG_COLOR_TYPE_RGB
    int bitDepth = 8;
    bool interlaced = false;
    std::vector<uint8_t> rows, palette, trnsAlpha;
    std::vector<uint16_t> trnsColour;
};
bool WritePng(const std::string &path, const PngSpec &picture);
bool WriteSolidPng(const std::string &path, int width, int height, Rgba colour);

// The 100 pictures in the catalogue's loading order (sprites 0..19, menus 20..23, floors
// 24..81, walls 82..99); picture k written 4 x 4 in CatalogueColour(k).
std::string CataloguePath(int k);
Rgba CatalogueColour(int k);
void WriteCatalogue();

std::vector<uint8_t> ReadBytes(const std::string &path);
void WriteBytes(const std::string &path, const std::vector<uint8_t> &bytes);

// The process's open descriptors and what each refers to; and what differs between two
// such lists, for a failure message.
std::map<int, std::string> OpenDescriptors();
std::string Opened(const std::map<int, std::string> &before,
                   const std::map<int, std::string> &after);
#define EXPECT_SAME_DESCRIPTORS(before, after)                                                     \
    EXPECT_EQ((after).size(), (before).size()) << Opened((before), (after))

long ResidentKiB();
long HeapKiB(); // bytes the allocator has handed out and not had back

// Under AddressSanitizer resident memory is mostly the sanitizer's own and grows for a
// while even when nothing leaks; LeakSanitizer judges memory there instead.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kResidentMemoryIsOurs = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kResidentMemoryIsOurs = false;
#else
constexpr bool kResidentMemoryIsOurs = true;
#endif
#else
constexpr bool kResidentMemoryIsOurs = true;
#endif

// --- The game -----------------------------------------------------------------------

// The platform as a fresh process has it, the application object and the records rebuilt;
// boxes answered by script.
class GameTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;
    // A windowed game window, as WinMain makes it.
    static void OpenWindow(int width = 800, int height = 600);
    // In play on a flat, open map with nobody about, at (x, z), on the virtual clock.
    static void InPlay(float x = 60.5f, float z = 200.5f, int drawDistance = 8);
};

// Hands every queued message to the window procedure; true when a quit message came.
bool DrainMessages();
// One pass of the main loop; false once it has ended.
bool Pass();
void Passes(int n);
// A key pressed for one poll, then released for one.
void Tap(uint8_t key);

// For a main loop that runs on past the point where a test expected it to end: the first
// pump over the bound fails the test and asks the game to end, as SIGTERM would; a game
// that ignores even that stops the process instead of hanging until ctest's limit.
void EndRunawayLoop(int pumpsOver, const std::string &what);

// Runs the game through WinMain: step(pass) once for every frame presented, from the
// title menu on; when it returns false, Escape ends the game. A game that runs on past
// `maxPasses`, or still runs 20 pumps after Escape, fails the test.
int DriveGame(const std::function<bool(int pass)> &step, int maxPasses = 10000);
// The same, windowed: "Start Game" is chosen, then step(pass) counts from the game's start.
int PlayGame(const std::function<bool(int pass)> &step, int maxPasses = 10000);
// The platform as a fresh process has it, with the virtual clock and the emulator library,
// the full-screen question answered No.
void FreshPlatform(uint32_t clock = 1000);

// A living zombie of a kind in a slot, as a fresh population has it, at (x, z).
structZombies &PlaceZombie(int slot, int kind, float x, float z);
int LivingZombies();
// The first 100 ms of a room's tune, as the emulator library renders it.
std::vector<char> FirstBuffer(const char *room);

// --- Pixels ---------------------------------------------------------------------------

using Pixels = std::vector<uint8_t>;
Pixels Grab(); // the whole window, RGBA, bottom row first
Rgba PixelAt(const Pixels &p, int x, int y);
// The colour where a world point lands under the transform in force.
Rgba ProjectedPixel(double x, double y, double z);
// How many pixels differ, and where the first one lies.
size_t Differing(const Pixels &a, const Pixels &b, std::string *first = nullptr);

// --- What a draw call sent ------------------------------------------------------------

using Vec = std::array<double, 3>;
Vec operator+(const Vec &a, const Vec &b);
Vec operator-(const Vec &a, const Vec &b);
double Length(const Vec &a);

struct Corner {
    Vec eye;   // seen by the camera: x to the right, y up, z toward the eye
    Vec world; // through the inverse of the camera transform
    float colour[4];
    float s, t;
};
using Triangle = std::array<Corner, 3>;
struct Capture {
    std::vector<Triangle> triangles;
    double camera[16];
    Vec ToEye(const Vec &world) const;
};
// Draws under the game's camera transform, with `colour` current as the frame leaves it,
// in feedback mode under a large orthographic projection where window units are eye units.
Capture CaptureDraw(const std::function<void()> &draw, std::array<float, 3> colour = {1, 1, 1});
