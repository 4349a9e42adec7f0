// What the game's tests share: a fresh game for every test, the main loop driven pass by
// pass or through WinMain, a scene set up at a place, what a draw call sent (GL's
// feedback mode), pixels read back, pictures written, and the process's files and memory.
#pragma once

#include "actors/CharacterMgr.h"
#include "actors/WeaponMgr.h"
#include "actors/ZombieMgr.h"
#include "app/Demo.h"
#include "app/Main.h"
#include "app/Random.h"
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

#include <GL/gl.h>
#include <GL/glu.h>
#include <gtest/gtest.h>
#ifndef _WIN32 // the tests built for Windows read and write no pictures, nor /proc
#include <malloc.h>
#include <png.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <random>
#include <set>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <string>
#include <vector>

// --- Files and memory -----------------------------------------------------------------

inline const std::string kRunDir = std::filesystem::current_path().string();
// Where the emulator library comes from: the run directory, or the folder of the other
// core's library when GRAVEWAKE_LIBRARY_DIR names it (the audio tests run with both).
inline const std::string kLibraryDir =
    std::getenv("GRAVEWAKE_LIBRARY_DIR") ? std::getenv("GRAVEWAKE_LIBRARY_DIR") : kRunDir;

// A fresh folder made the current directory for the life of the object.
class ScratchDir {
  public:
    ScratchDir() {
        std::random_device random;
        std::error_code taken;
        for (int i = 0; i < 100 && path_.empty(); i++) {
            const auto name = std::filesystem::temp_directory_path() /
                              ("gravewake-test-" + std::to_string(random()));
            if (std::filesystem::create_directory(name, taken))
                std::filesystem::current_path(path_ = name.string());
        }
    }
    ~ScratchDir() {
        std::error_code ignored;
        std::filesystem::current_path(previous_, ignored);
        if (!path_.empty())
            std::filesystem::remove_all(path_, ignored);
    }
    const std::string &path() const { return path_; }
    // The folders of "Game Data" the catalogue, the map and the music read.
    void MakeGameDataFolders() const {
        for (const char *folder : {"Wren", "Zombie", "Menus", "Floor", "Walls", "Map", "Music/BGM"})
            std::filesystem::create_directories(std::string("Game Data/") + folder);
    }

  private:
    std::string path_, previous_ = std::filesystem::current_path().string();
};

struct Rgba {
    uint8_t r, g, b, a;
};
inline bool Near(Rgba a, Rgba b, int tolerance = 2) {
    return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance &&
           std::abs(a.b - b.b) <= tolerance;
}
inline std::ostream &operator<<(std::ostream &out, Rgba c) {
    return out << "(" << int(c.r) << ", " << int(c.g) << ", " << int(c.b) << ", " << int(c.a)
               << ")";
}

#ifndef _WIN32
// A picture of 8-bit samples, RGB (colour type 2) or RGBA (6), rows top first.
struct PngSpec {
    int width = 4, height = 4;
    int colourType = 2;
    std::vector<uint8_t> rows;
};
inline bool WritePng(const std::string &path, const PngSpec &picture) {
    std::FILE *file = std::fopen(path.c_str(), "wb");
    if (!file)
        return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(file);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, picture.width, picture.height, 8, picture.colourType,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    std::vector<png_bytep> rows;
    for (int y = 0; y < picture.height; y++)
        rows.push_back(const_cast<png_bytep>(picture.rows.data()) +
                       y * (picture.rows.size() / picture.height));
    png_write_image(png, rows.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return std::fclose(file) == 0;
}
inline bool WriteSolidPng(const std::string &path, int width, int height, Rgba colour) {
    const bool opaque = colour.a == 255; // an opaque picture is written without alpha
    PngSpec picture{width, height, opaque ? PNG_COLOR_TYPE_RGB : PNG_COLOR_TYPE_RGB_ALPHA, {}};
    const uint8_t texel[] = {colour.r, colour.g, colour.b, colour.a};
    for (int i = 0; i < width * height; i++)
        picture.rows.insert(picture.rows.end(), texel, texel + 4 - opaque);
    return WritePng(path, picture);
}

// The 100 pictures in the catalogue's loading order (sprites 0..19, menus 20..23, floors
// 24..81, walls 82..99); picture k written 4 x 4 in CatalogueColour(k).
inline std::string CataloguePath(int k) {
    static const char *const kinds[] = {"Zombie", "Zombie-girl", "Zombie-Hippie", "Monkey",
                                        "Gourd"};
    static const char *const frames[] = {"still", "walk-1", "walk-2"};
    static const char *const wren[] = {"still", "walk-1", "walk-2", "hit", "hurt"};
    static const char *const menus[] = {"Arrow", "Screen1", "Map", "Tarrow"};
    std::string name;
    if (k < 5)
        name = std::string("Wren/Wren-") + wren[k];
    else if (k < 20)
        name = std::string("Zombie/") + kinds[(k - 5) / 3] + "-" + frames[(k - 5) % 3];
    else if (k < 24)
        name = std::string("Menus/") + menus[k - 20];
    else if (k < 82)
        name = "Floor/Floor" + std::to_string(k - 24);
    else
        name = "Walls/Wall" + std::to_string(k - 82);
    return "Game Data/" + name + ".png";
}
inline Rgba CatalogueColour(int k) {
    return {uint8_t(k * 2 + 1), uint8_t(255 - k), uint8_t((k * 37) % 256), 255};
}
inline void WriteCatalogue() {
    for (int k = 0; k < 100; k++)
        WriteSolidPng(CataloguePath(k), 4, 4, CatalogueColour(k));
}

#endif

inline std::vector<uint8_t> ReadBytes(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}
inline void WriteBytes(const std::string &path, const std::vector<uint8_t> &bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char *>(bytes.data()), std::streamsize(bytes.size()));
}
// An empty value takes the variable away.
inline void SetEnv(const char *name, const std::string &value) {
#ifdef _WIN32
    _putenv_s(name, value.c_str());
#else
    value.empty() ? unsetenv(name) : setenv(name, value.c_str(), 1);
#endif
}

#ifndef _WIN32
// The process's open descriptors and what each refers to.
inline std::map<int, std::string> OpenDescriptors() {
    std::map<int, std::string> open;
    for (const auto &entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        std::error_code gone; // the iterator's own descriptor is gone by now
        const auto target = std::filesystem::read_symlink(entry.path(), gone);
        if (!gone)
            open[std::stoi(entry.path().filename())] = target.string();
    }
    return open;
}
#define EXPECT_SAME_DESCRIPTORS(before, after) EXPECT_EQ((after), (before))

inline long ResidentKiB() {
    long pages = 0, resident = 0;
    if (std::FILE *f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(f);
    }
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}
// Bytes the allocator has handed out and not had back.
inline long HeapKiB() {
    return long(mallinfo2().uordblks / 1024);
}
#endif

// Under AddressSanitizer resident memory is mostly the sanitizer's own and grows for a
// while even when nothing leaks; LeakSanitizer judges memory there instead.
#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define GRAVEWAKE_ASAN
#endif
#endif
#if defined(__SANITIZE_ADDRESS__) || defined(GRAVEWAKE_ASAN)
constexpr bool kResidentMemoryIsOurs = false;
#else
constexpr bool kResidentMemoryIsOurs = true;
#endif

// --- Demos -------------------------------------------------------------------------

// A demo as the recorder writes it, one chunk per frame: these events with the key and
// mouse states of `from`, the key `key` added to the poll at `tampered`.
inline std::vector<uint8_t> Encode(const demo::Demo &from, const std::vector<demo::Event> &events,
                            size_t tampered = SIZE_MAX, uint8_t key = 0) {
    std::vector<uint8_t> out = demo::EncodeHeader(from.identity), chunk;
    for (size_t i = 0; i < events.size(); i++) {
        const demo::Event &e = events[i];
        uint8_t state[demo::kKeyBytes] = {};
        if ((e.kind == demo::Kind::Keyboard || e.kind == demo::Kind::Mouse) && e.a >= 0)
            demo::StateBytes(from, e, state);
        if (i == tampered)
            state[key] = 0x80;
        demo::EncodeEvent(chunk, e, state);
        if (e.kind == demo::Kind::Frame || e.kind == demo::Kind::End)
            demo::EncodeChunk(out, chunk), chunk.clear();
    }
    if (!chunk.empty())
        demo::EncodeChunk(out, chunk);
    return out;
}

inline demo::Event Ev(demo::Kind kind, int32_t a = 0, uint32_t b = 0, uint64_t c = 0) {
    demo::Event e;
    e.kind = kind, e.a = a, e.b = b, e.c = c;
    return e;
}

// A small demo of every kind of event, by hand: two frames and the end.
inline std::vector<uint8_t> SmallDemo(uint16_t logicVersion = kLogicVersion) {
    demo::Identity id = GameIdentity();
    id.logicVersion = logicVersion;
    std::vector<uint8_t> out = demo::EncodeHeader(id), chunk;
    uint8_t keys[256] = {};
    keys[DIK_W] = 0x80;
    const uint8_t mouse[16] = {5, 0, 0, 0, 0xFB, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0x80, 0, 0, 0};
    demo::Event message = Ev(demo::Kind::Message, 0, WM_KEYDOWN, 'W');
    message.d = -7;
    using K = demo::Kind;
    const std::vector<std::pair<demo::Event, const uint8_t *>> events = {
        // clang-format off
        {Ev(K::Tick, 1000), nullptr}, {Ev(K::Box, IDNO), nullptr}, {Ev(K::Acquire, DI_OK), nullptr},
        {Ev(K::Frame, 0, 0, 0x1234), nullptr}, {message, nullptr}, {Ev(K::NoMessage), nullptr},
        {Ev(K::Keyboard, DI_OK), keys}, {Ev(K::Mouse, DIERR_INPUTLOST), nullptr},
        {Ev(K::Mouse, DI_OK), mouse}, {Ev(K::DisplayMode, DISP_CHANGE_BADMODE), nullptr},
        {Ev(K::Frame, 0, 1, 0x5678), nullptr}, {Ev(K::End), nullptr}};
    // clang-format on
    for (const auto &[e, state] : events) {
        demo::EncodeEvent(chunk, e, state);
        if (e.kind == demo::Kind::Frame || e.kind == demo::Kind::End)
            demo::EncodeChunk(out, chunk), chunk.clear();
    }
    return out;
}

// --- The game -----------------------------------------------------------------------

// The platform as a fresh process has it, the application object and the records rebuilt;
// boxes answered by script.
class GameTest : public ::testing::Test {
  protected:
    void SetUp() override {
        seams::Reset();
        RestartGame();
        seams::ScriptAnswers({});
    }
    void TearDown() override {
        if (Main.hWnd)
            Main.KillGLWindow();
        if (Input)
            Input->Shutdown();
        seams::SetPumpHook(nullptr);
        seams::Reset();
    }
    // A windowed game window, as WinMain makes it.
    static void OpenWindow(int width = 800, int height = 600) {
        ASSERT_TRUE(Main.CreateGLWindow("Hollowmere's Gravewake", width, height, 16, 0));
    }
    // In play on a flat, open map with nobody about, at (x, z), on the virtual clock.
    static void InPlay(float x = 60.5f, float z = 200.5f, int drawDistance = 8) {
        seams::UseVirtualClock(1000);
        OpenWindow();
        Main.SetScreen(1);
        MapMgr->InitMap();
        StandAt(x, z);
        for (structZombies &zb : stZombies)
            zb.active = false;
        Main.drawDistance = drawDistance;
    }
};

// Hands every queued message to the window procedure; true when a quit message came.
inline bool DrainMessages() {
    MSG msg;
    bool quit = false;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        quit = quit || msg.message == WM_QUIT;
        if (msg.message != WM_QUIT) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    return quit;
}
// One pass of the main loop; false once it has ended.
inline bool Pass() {
    int code = 0;
    return MainLoopPass(code);
}
inline void Passes(int n) {
    for (int k = 0; k < n; k++)
        ASSERT_TRUE(Pass()) << "the main loop ended at pass " << k;
}
// Keys pressed one after the other, each for one poll and released for the next.
inline void Tap(std::initializer_list<uint8_t> keys) {
    for (uint8_t key : keys) {
        seams::KeyEvent(key, true);
        Pass();
        seams::KeyEvent(key, false);
        Pass();
    }
}

// For a main loop that runs on past the point where a test expected it to end: the first
// pump over the bound fails the test and asks the game to end, as SIGTERM would; a game
// that ignores even that stops the process instead of hanging until ctest's limit.
inline void EndRunawayLoop(int pumpsOver, const std::string &what) {
    if (pumpsOver == 1) {
        ADD_FAILURE() << "the main loop is still running: " << what;
        seams::Terminate();
    } else if (pumpsOver > 100) {
        std::fprintf(stderr, "the main loop does not end even when terminated: %s\n", what.c_str());
        std::abort();
    }
}

// Runs the game through WinMain: step(pass) once for every frame presented, from the
// title menu on; when it returns false, Escape ends the game. A game that runs on past
// `maxPasses`, or still runs 20 pumps after Escape, fails the test.
inline int DriveGame(const std::function<bool(int pass)> &step, int maxPasses = 10000) {
    int pass = 0, lastPresents = -1, pumps = 0, afterEscape = 0;
    bool quitting = false;
    seams::SetPumpHook([&] {
        if (++pumps > 20 * (maxPasses + 50))
            return EndRunawayLoop(pumps - 20 * (maxPasses + 50), "no frame presented for long");
        if (quitting)
            return EndRunawayLoop(++afterEscape - 20, "Escape did not end the game");
        if (seams::Presents() == lastPresents)
            return; // once per pass
        lastPresents = seams::Presents();
        if (pass > maxPasses)
            return EndRunawayLoop(pass++ - maxPasses, "the steps did not end the game");
        if (!step(pass++)) {
            seams::KeyEvent(DIK_ESCAPE, true);
            quitting = true;
        }
    });
    const int code = WinMain(GetModuleHandleA(nullptr), nullptr, nullptr, SW_SHOW);
    seams::SetPumpHook(nullptr);
    return code;
}
// The same, windowed: "Start Game" is chosen, then step(pass) counts from the game's start.
inline int PlayGame(const std::function<bool(int pass)> &step, int maxPasses = 10000) {
    seams::ScriptAnswers({IDNO});
    int started = -1;
    return DriveGame(
        [&](int pass) {
            if (started < 0) {
                // Enter on "Start Game", held for one poll.
                EXPECT_LT(pass, 50) << "Enter on \"Start Game\" did not start the game";
                seams::KeyEvent(DIK_RETURN, pass % 2 == 0);
                if (Main.screen == 1 && pass % 2 == 1)
                    started = pass + 1;
                return pass < 50;
            }
            return step(pass - started);
        },
        maxPasses + 50);
}
// The platform as a fresh process has it, with the virtual clock and the emulator library,
// the full-screen question answered No.
inline void FreshPlatform(uint32_t clock = 1000) {
    seams::Reset();
    seams::UseVirtualClock(clock);
    seams::SetLibraryFolder(kRunDir);
    seams::ScriptAnswers({IDNO});
}
// A living zombie of a kind in a slot, as a fresh population has it, at (x, z).
inline structZombies &PlaceZombie(int slot, int kind, float x, float z) {
    structZombies &zb = stZombies[slot];
    zb = FreshZombie(kind);
    zb.active = true;
    zb.posX = x;
    zb.posZ = z;
    return zb;
}
inline int LivingZombies() {
    int n = 0;
    for (const structZombies &z : stZombies)
        n += z.active && z.health > 0;
    return n;
}

// --- Pixels ---------------------------------------------------------------------------

using Pixels = std::vector<uint8_t>;

// The whole window, RGBA, bottom row first.
inline Pixels Grab() {
    Pixels p(size_t(Main.width) * Main.height * 4);
    glReadPixels(0, 0, Main.width, Main.height, GL_RGBA, GL_UNSIGNED_BYTE, p.data());
    return p;
}
inline Rgba PixelAt(const Pixels &p, int x, int y) {
    const uint8_t *c = &p[(size_t(y) * Main.width + x) * 4];
    return {c[0], c[1], c[2], c[3]};
}
// The colour where a world point lands under the transform in force.
inline Rgba ProjectedPixel(double x, double y, double z) {
    GLdouble model[16], projection[16], wx, wy, wz;
    GLint viewport[4];
    glGetDoublev(GL_MODELVIEW_MATRIX, model);
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glGetIntegerv(GL_VIEWPORT, viewport);
    gluProject(x, y, z, model, projection, viewport, &wx, &wy, &wz);
    uint8_t p[4];
    glReadPixels(int(wx), int(wy), 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
    return {p[0], p[1], p[2], p[3]};
}
// How many pixels differ, and where the first one lies.
inline size_t Differing(const Pixels &a, const Pixels &b, std::string *first = nullptr) {
    size_t n = 0;
    for (size_t k = 0; k + 3 < a.size() && k + 3 < b.size(); k += 4)
        if ((a[k] != b[k] || a[k + 1] != b[k + 1] || a[k + 2] != b[k + 2]) && n++ == 0 && first)
            *first = "x " + std::to_string(k / 4 % Main.width) + " y " +
                     std::to_string(k / 4 / Main.width);
    return n + (a.size() != b.size());
}

// --- What a draw call sent ------------------------------------------------------------

using Vec = std::array<double, 3>;
inline Vec operator+(const Vec &a, const Vec &b) {
    return {a[0] + b[0], a[1] + b[1], a[2] + b[2]};
}
inline Vec operator-(const Vec &a, const Vec &b) {
    return {a[0] - b[0], a[1] - b[1], a[2] - b[2]};
}
inline double Length(const Vec &a) {
    return std::sqrt(a[0] * a[0] + a[1] * a[1] + a[2] * a[2]);
}

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
    Vec ToEye(const Vec &w) const {
        Vec e;
        for (int i = 0; i < 3; i++)
            e[i] = camera[i] * w[0] + camera[4 + i] * w[1] + camera[8 + i] * w[2] + camera[12 + i];
        return e;
    }
};

// Draws under the game's camera transform, with `colour` current as the frame leaves it,
// in feedback mode under a large orthographic projection where window units are eye units.
inline Capture CaptureDraw(const std::function<void()> &draw,
                           std::array<float, 3> colour = {1, 1, 1}) {
    const int size = 1000; // window units are eye units, offset by half the viewport
    const double depth = 1000.0;
    glViewport(0, 0, size, size);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-size / 2.0, size / 2.0, -size / 2.0, size / 2.0, -depth, depth);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glColor3f(colour[0], colour[1], colour[2]);
    CameraMgr->SetCamera();
    Capture frame;
    glGetDoublev(GL_MODELVIEW_MATRIX, frame.camera);

    static std::vector<GLfloat> buffer(400'000);
    glFeedbackBuffer(GLsizei(buffer.size()), GL_3D_COLOR_TEXTURE, buffer.data());
    glRenderMode(GL_FEEDBACK);
    glPushMatrix();
    draw();
    glPopMatrix();
    const GLint used = glRenderMode(GL_RENDER);
    Main.ReSizeGLScene(Main.width, Main.height);
    EXPECT_GE(used, 0) << "feedback buffer too small";

    const double *m = frame.camera;
    auto corner = [&](const GLfloat *v) {
        Corner c;
        c.eye = {v[0] - size / 2.0, v[1] - size / 2.0, depth * (1.0 - 2.0 * v[2])};
        // The camera transform is rigid: its inverse is the transposed rotation.
        const Vec d = c.eye - Vec{m[12], m[13], m[14]};
        for (int j = 0; j < 3; j++)
            c.world[j] = m[4 * j] * d[0] + m[4 * j + 1] * d[1] + m[4 * j + 2] * d[2];
        std::copy(v + 3, v + 7, c.colour);
        c.s = v[7];
        c.t = v[8];
        return c;
    };
    for (GLint k = 0; k < used;) {
        const int token = int(buffer[k++]);
        if (token == GL_POLYGON_TOKEN) {
            const int n = int(buffer[k++]);
            std::vector<Corner> corners;
            for (int v = 0; v < n; v++, k += 11) // x y z, r g b a, s t r q
                corners.push_back(corner(&buffer[k]));
            for (int v = 1; v + 1 < n; v++) // a fan, should a quad come back whole
                frame.triangles.push_back({corners[0], corners[v], corners[v + 1]});
        } else if (token == GL_PASS_THROUGH_TOKEN) {
            k++;
        } else {
            ADD_FAILURE() << "unexpected feedback token " << token;
            break;
        }
    }
    return frame;
}
