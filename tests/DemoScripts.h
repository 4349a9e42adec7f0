// Scripted games for demos: a driver that runs WinMain from the title menu and hands
// each presented frame to a script, and the scripts the test demos in tests/demos/ are
// recorded from (DemoTest's RecordTheTestDemos, scripts/record-demos.sh).
#pragma once

#include "GameTest.h"

#include "actors/ZombieMgr.h"
#include "app/Demo.h"
#include "audio/Music.h"
#include "hud/Hud.h"
#include "world/CameraMgr.h"
#include "world/MapMgr.h"

#include <array>
#include <cmath>
#include <memory>
#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <vector>

// Runs the game through WinMain from its first frame: step(pass) once per presented
// frame, menu included; when it returns false, Escape ends the game. Bounded like
// PlayGame: a game that runs on past maxPasses fails the test.
inline int DriveGame(const std::function<bool(int pass)> &step, int maxPasses) {
    int pass = 0, lastPresents = -1, pumps = 0, afterEscape = 0;
    bool quitting = false;
    seams::SetPumpHook([&] {
        if (++pumps > 20 * maxPasses) {
            EndRunawayLoop(pumps - 20 * maxPasses, "the scripted game does not end");
            return;
        }
        if (quitting) {
            EndRunawayLoop(++afterEscape - 20, "Escape did not end the game");
            return;
        }
        if (seams::Presents() == lastPresents)
            return;
        lastPresents = seams::Presents();
        if (pass > maxPasses) {
            EndRunawayLoop(pass++ - maxPasses, "the script did not end the game");
            return;
        }
        if (!step(pass++)) {
            seams::KeyEvent(DIK_ESCAPE, true);
            quitting = true;
        }
    });
    return WinMain(GetModuleHandleA(nullptr), nullptr, nullptr, SW_SHOW);
}

// Menu keys, each held for one frame and let go for three: one action per press. (Held
// longer, Enter on "Accept" after a change of resolution would count again: the new
// window's keyboard starts with no key seen down.)
struct MenuKeys {
    std::vector<uint8_t> keys;
    // True while keys are left; presses the one due at this pass.
    bool Step(int pass) {
        const size_t k = static_cast<size_t>(pass / 4);
        if (k >= keys.size())
            return false;
        seams::KeyEvent(keys[k], pass % 4 == 0);
        return true;
    }
    int Passes() const { return static_cast<int>(keys.size()) * 4; }
};

// Turns the view towards a point with the mouse and walks there with W.
struct Walker {
    // True once within half a cell of the point.
    bool Towards(float x, float z) {
        const float dx = x - stCharacter.posX, dz = z - stCharacter.posZ;
        if (std::fabs(dx) < 0.5f && std::fabs(dz) < 0.5f) {
            seams::KeyEvent(DIK_W, false);
            return true;
        }
        const float want = std::atan2(dx, -dz) * 57.29578f;
        float turn = std::fmod(want - Mouse->posX, 360.0f);
        if (turn > 180.0f)
            turn -= 360.0f;
        if (turn < -180.0f)
            turn += 360.0f;
        const int counts = static_cast<int>(std::lround(turn / Mouse->sensitivity));
        if (counts != 0)
            seams::MouseMotion(counts, 0);
        seams::KeyEvent(DIK_W, std::fabs(turn) < 10.0f);
        return false;
    }
};

// A way over the map from the player's cell to the nearest cell inside the rectangle,
// through cells whose neighbours are all free too (the walk looks ahead); each step a
// cell in one of eight directions. Empty when there is none.
inline std::vector<std::pair<int, int>> WayInto(int x0, int x1, int z0, int z1) {
    auto clear = [](int x, int z) {
        for (int i = x - 1; i <= x + 1; i++)
            for (int j = z - 1; j <= z + 1; j++)
                if (i < 0 || j < 0 || i >= kMapSize || j >= kMapSize || BlocksWalking(stMap[i][j]))
                    return false;
        return true;
    };
    std::vector<int> from(kMapSize * kMapSize, -1);
    const int start =
        static_cast<int>(stCharacter.posX) * kMapSize + static_cast<int>(stCharacter.posZ);
    std::vector<int> queue = {start};
    from[start] = start;
    for (size_t q = 0; q < queue.size(); q++) {
        const int x = queue[q] / kMapSize, z = queue[q] % kMapSize;
        if (x >= x0 && x <= x1 && z >= z0 && z <= z1) {
            std::vector<std::pair<int, int>> way;
            for (int c = queue[q]; c != start; c = from[c])
                way.insert(way.begin(), {c / kMapSize, c % kMapSize});
            return way;
        }
        for (int dx = -1; dx <= 1; dx++)
            for (int dz = -1; dz <= 1; dz++) {
                const int nx = x + dx, nz = z + dz;
                if ((dx || dz) && clear(nx, nz) && (!dx || !dz || (clear(nx, z) && clear(x, nz))) &&
                    from[nx * kMapSize + nz] < 0) {
                    from[nx * kMapSize + nz] = queue[q];
                    queue.push_back(nx * kMapSize + nz);
                }
            }
    }
    return {};
}

// What a scripted game went through, to show the demo covers what it is meant to.
struct Coverage {
    std::set<int> tracks;
    std::set<int> weapons;
    int repopulations = 0, deaths = 0, respawns = 0, resolutionChanges = 0;
    bool wasDead = false;
    int lastWidth = 0;
    void Note() {
        if (MusicMgr)
            tracks.insert(MusicMgr->currentTrack);
        if (Main.screen == 1 && stCharacter.attacking)
            weapons.insert(stCharacter.weapon);
        const bool dead = stCharacter.health <= 0.0f;
        deaths += dead && !wasDead;
        respawns += !dead && wasDead;
        wasDead = dead;
        if (lastWidth && Main.width != lastWidth)
            resolutionChanges++;
        lastWidth = Main.width;
    }
};

// The options screen first (640x480), then the game: into the first skirmish ground,
// the second, and the arcade, each by a way found over the map; dead on the way, Enter
// once the death message allows it, and on.
inline std::function<bool(int)> RoomsScript(Coverage &seen) {
    struct State {
        MenuKeys menu;
        Walker walker;
        size_t room = 0, step = 0;
        std::vector<std::pair<int, int>> way;
        bool wayFound = false;
    };
    auto st = std::make_shared<State>();
    st->menu.keys = {DIK_DOWN, DIK_RETURN, DIK_LEFT, DIK_DOWN, DIK_RETURN, DIK_UP, DIK_RETURN};
    return [&seen, st](int pass) {
        seen.Note();
        if (st->menu.Step(pass))
            return true;
        if (Main.screen != 1)
            return pass < st->menu.Passes() + 20;
        if (stCharacter.health <= 0.0f) {
            seams::KeyEvent(DIK_W, false);
            seams::KeyEvent(DIK_RETURN, Main.deathTimer < -3.0f && pass % 4 == 0);
            st->wayFound = false; // the player rises at the start
            return true;
        }
        seams::KeyEvent(DIK_RETURN, false);
        static const int rooms[][4] = {{4, 26, 31, 39}, {4, 27, 76, 89}, {51, 65, 105, 146}};
        if (st->room >= sizeof rooms / sizeof rooms[0])
            return false;
        if (!st->wayFound) {
            const int *r = rooms[st->room];
            st->way = WayInto(r[0], r[1], r[2], r[3]);
            st->step = 0;
            st->wayFound = true;
            if (st->way.empty()) {
                ADD_FAILURE() << "no way into room " << st->room;
                return false;
            }
        }
        const auto &cell = st->way[std::min(st->step, st->way.size() - 1)];
        if (st->walker.Towards(cell.first + 0.5f, cell.second + 0.5f)) {
            if (++st->step >= st->way.size()) {
                st->room++;
                st->wayFound = false;
            }
        }
        return pass < 3000;
    };
}

// Straight into the game: every weapon struck, the view zoomed, a fresh population,
// then standing among the zombies until dead; Enter once the death message allows it,
// a few steps alive again, the focus lost and found, and the close button.
// With `untilDeath` false it ends (Escape) after the fresh population.
inline std::function<bool(int)> CombatScript(Coverage &seen, bool untilDeath = true) {
    auto state = std::make_shared<std::array<int, 2>>(); // phase, pass it began
    return [&seen, state, untilDeath](int pass) {
        seen.Note();
        int &phase = (*state)[0], &since = (*state)[1];
        const int t = pass - since;
        auto next = [&] {
            phase++;
            since = pass;
        };
        switch (phase) {
        case 0: // Enter on "Start Game"
            seams::KeyEvent(DIK_RETURN, t < 2);
            if (t >= 3 && Main.screen == 1)
                next();
            return true;
        case 1: { // each weapon: select, then three strikes
            const int weapon = t / 90;
            if (weapon > 2) {
                seams::MouseButton(0, false);
                next();
                return true;
            }
            seams::KeyEvent(static_cast<uint8_t>(DIK_1 + weapon), t % 90 < 2);
            seams::MouseButton(0, t % 90 >= 5 && t % 30 < 12);
            if (t % 30 == 0)
                seams::MouseMotion(40, t % 60 ? 10 : -10);
            return true;
        }
        case 2: // zoom out and in, a fresh population
            if (t == 0 || t == 4)
                seams::MouseWheel(-1);
            if (t == 8)
                seams::MouseWheel(1);
            seams::MouseButton(1, t >= 10 && t < 12);
            if (t == 12)
                seen.repopulations++;
            if (t > 14)
                next();
            return untilDeath || t <= 14;
        case 3: // among them until dead
            if (stCharacter.health <= 0.0f)
                next();
            return t < 4000;
        case 4: // the death message, then Enter
            seams::KeyEvent(DIK_RETURN, Main.deathTimer < -3.0f && t % 4 < 2);
            if (stCharacter.health > 0.0f)
                next();
            return t < 1000;
        case 5: // alive again: a few steps back, the focus lost for a while
            seams::KeyEvent(DIK_RETURN, false);
            seams::KeyEvent(DIK_S, t < 20);
            if (t == 25)
                seams::FocusLost();
            if (t == 35)
                seams::FocusGained();
            if (t == 40)
                seams::CloseButton();
            return t < 60;
        }
        return false;
    };
}

// The platform as a fresh process has it, with the virtual clock and the music, and the
// full-screen question answered No.
inline void FreshPlatform() {
    seams::Reset();
    seams::UseVirtualClock(1000);
    seams::SetLibraryFolder(std::filesystem::current_path().string());
    seams::ScriptAnswers({IDNO});
}

// Records a scripted game into `path`; returns the game's exit code, or -1 if the
// recording could not be made.
inline int RecordScripted(const std::string &path, const std::function<bool(int)> &script,
                          int maxPasses) {
    FreshPlatform();
    std::string error;
    if (!demo::StartRecording(path, GameIdentity(), error)) {
        ADD_FAILURE() << error;
        return -1;
    }
    RestartGame();
    const int code = DriveGame(script, maxPasses);
    const demo::Outcome out = demo::Finish(code);
    EXPECT_FALSE(out.writeFailed) << out.error;
    seams::SetPumpHook(nullptr);
    return out.writeFailed ? -1 : code;
}
