// A long game on the virtual clock: a script walks, turns, strikes with every weapon,
// raises fresh populations, stands among the zombies until it dies, and rises again,
// over and over. Through it the game must stay sane (everyone on the map, the counts
// only rising, one death counted per death) and its resident memory must stay flat
// once warmed up. GRAVEWAKE_SOAK_FRAMES sets the length (100,000 frames by default).
#include "GameTest.h"
#include "PlayGame.h"
#include "Sanitizers.h"

#include "actors/ZombieMgr.h"
#include "world/MapMgr.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <malloc.h>
#include <string>
#include <unistd.h>

namespace {

// Bytes the allocator has handed out and not had back.
long HeapKiB() {
    return static_cast<long>(mallinfo2().uordblks / 1024);
}

long ResidentKiB() {
    long pages = 0, resident = 0;
    if (std::FILE *f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(f);
    }
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

bool OnTheMap(float x, float z) {
    return std::isfinite(x) && std::isfinite(z) && x >= 0.0f && z >= 0.0f && x <= 250.0f &&
           z <= 250.0f;
}

// What the script does in each frame of its 2000-frame round, and what it saw.
struct Script {
    int deaths = 0, respawns = 0, pressesAlive = 0, freshCrowds = 0, strikes[3] = {};
    bool repopulateDue = false, rightDown = false;
    int checkAt = -1;
    int lastKills = 0, lastDeaths = 0;
    bool wasDead = false;
    bool enterDown = false;
    std::string fault; // the first thing found wrong

    void Note(const std::string &what, int frame) {
        if (fault.empty())
            fault = what + " at frame " + std::to_string(frame);
    }

    void Step(int frame) {
        const int t = frame % 2000;
        const bool dead = stCharacter.health <= 0.0f;
        if (dead && !wasDead)
            deaths++;
        if (!dead && wasDead)
            respawns++;
        wasDead = dead;

        // Rise again as soon as the death message allows it.
        const bool enter = dead && Main.deathTimer < -3.0f && !enterDown;
        seams::KeyEvent(DIK_RETURN, enter);
        enterDown = enter;

        // Walk and turn, stepping aside now and then.
        const bool walking = t < 600;
        seams::KeyEvent(DIK_W, walking && t % 200 < 150);
        seams::KeyEvent(DIK_S, walking && t % 200 >= 170);
        seams::KeyEvent(DIK_A, walking && t % 100 >= 40 && t % 100 < 50);
        seams::KeyEvent(DIK_D, walking && t % 100 >= 90);
        if (t % 5 == 0)
            seams::MouseMotion(t < 1000 ? 7 : -5, t % 10 == 0 ? 2 : -2);
        if (t % 300 == 0)
            seams::MouseWheel(t % 600 == 0 ? 1 : -1);
        // Every weapon in turn, struck again and again; then among the zombies.
        int weapon = -1;
        if (t >= 600 && t < 900)
            weapon = (t - 600) / 100;
        else if (t >= 1000)
            weapon = (t / 250) % 3;
        if (weapon >= 0) {
            const int key = static_cast<int>(DIK_1) + weapon;
            seams::KeyEvent(static_cast<uint8_t>(key), t % 50 == 0);
            const bool press = t % 15 >= 3 && t % 15 < 9;
            if (press && t % 15 == 3 && !dead)
                strikes[weapon]++;
            seams::MouseButton(0, press);
        } else {
            seams::MouseButton(0, false);
        }
        // A fresh population twice a round, at the first moment alive after its time (the
        // dead take no orders but Enter); two frames later, a thousand living zombies.
        if (t == 900 || t == 1500)
            repopulateDue = true;
        const bool repopulate = repopulateDue && !dead && !rightDown;
        seams::MouseButton(1, repopulate);
        rightDown = repopulate;
        if (repopulate) {
            repopulateDue = false;
            checkAt = frame + 2;
        }
        if (frame == checkAt && !dead) {
            pressesAlive++;
            int living = 0;
            for (const structZombies &z : stZombies)
                living += z.active && z.health > 0;
            freshCrowds += living >= 990;
        }

        // The state as the previous frame left it.
        if (stCharacter.killCount < lastKills)
            Note("the kill count went down", frame);
        if (stCharacter.deathCount < lastDeaths || stCharacter.deathCount > lastDeaths + 1)
            Note("the death count jumped from " + std::to_string(lastDeaths) + " to " +
                     std::to_string(stCharacter.deathCount),
                 frame);
        lastKills = stCharacter.killCount;
        lastDeaths = stCharacter.deathCount;
        if (!OnTheMap(stCharacter.posX, stCharacter.posZ))
            Note("the player left the map", frame);
        if (frame % 100 == 0)
            for (const structZombies &z : stZombies)
                if (!OnTheMap(z.posX, z.posZ)) {
                    Note("a zombie left the map", frame);
                    break;
                }
    }
};

TEST(SoakTest, AHundredThousandFramesOfPlay) {
    int frames = 100000;
    if (const char *env = std::getenv("GRAVEWAKE_SOAK_FRAMES"))
        frames = std::max(4000, std::atoi(env));
    seams::Reset();
    // The virtual clock first: the game seeds its random numbers from the clock as it
    // starts, so the same script plays the same game every run. The music plays too.
    seams::UseVirtualClock(1000);
    seams::SetLibraryFolder(std::filesystem::current_path().string());
    RebuildMain();
    // A small window and a short view: the soak is about the game's state and memory,
    // and every frame is still drawn.
    Main.width = 320;
    Main.height = 240;
    Main.drawDistance = 12;

    Script script;
    // Resident memory every 1000 frames: the highest after the warm-up (the second tenth
    // to the third) against the highest of the last fifth. A leak grows from one to the
    // other; what the allocator and the driver keep in hand comes and goes.
    // The heap in use is measured the same way: it moves far less than what is resident.
    long residentWarm = 0, residentLate = 0, heapWarm = 0, heapLate = 0;
    const int code = PlayGame(
        [&](int frame) {
            script.Step(frame);
            if (frame % 1000 == 0 && frame >= frames / 10 && frame <= frames * 3 / 10)
                residentWarm = std::max(residentWarm, ResidentKiB()),
                heapWarm = std::max(heapWarm, HeapKiB());
            if (frame % 1000 == 0 && frame >= frames * 8 / 10)
                residentLate = std::max(residentLate, ResidentKiB()),
                heapLate = std::max(heapLate, HeapKiB());
            return frame < frames && script.fault.empty();
        },
        frames + 10);
    Main.width = 800;
    Main.height = 600;
    seams::Reset();

    EXPECT_EQ(code, 0);
    EXPECT_EQ(script.fault, "");
    // The counts rose as the script played: it died again and again and rose after each
    // death, killed with the weapons, and raised its populations.
    const int rounds = frames / 2000;
    EXPECT_EQ(stCharacter.deathCount, script.deaths);
    EXPECT_GE(script.deaths, rounds / 2) << "the script stood among zombies " << rounds << " times";
    EXPECT_GE(script.respawns, script.deaths - 1);
    EXPECT_GE(stCharacter.killCount, rounds) << "kills in " << rounds << " rounds of strikes";
    EXPECT_GE(script.pressesAlive, rounds) << "presses of the right button while alive";
    EXPECT_EQ(script.freshCrowds, script.pressesAlive)
        << "a thousand living zombies after the right button";
    for (int w = 0; w < 3; w++)
        EXPECT_GE(script.strikes[w], rounds) << "weapon " << w;
    if (kResidentMemoryIsOurs) {
        EXPECT_LE(heapLate - heapWarm, 1024)
            << "heap in use " << heapWarm << " KiB after the warm-up, " << heapLate
            << " KiB at the end";
        EXPECT_LE(residentLate - residentWarm, 6144)
            << "resident " << residentWarm << " KiB after the warm-up, " << residentLate
            << " KiB at the end";
    }
    std::printf("soak: %d frames, %d deaths, %d kills; after the warm-up and at the end: "
                "resident %ld and %ld KiB, heap in use %ld and %ld KiB\n",
                frames, script.deaths, stCharacter.killCount, residentWarm, residentLate, heapWarm,
                heapLate);
}

} // namespace
