// The actors' logic on the CPU: one frame of the thousand zombies (walk cycle, death
// animations, chase and wander), and one weapon sweep, the literal slot-by-slot way
// against the game's cell index, with the sweep finding zombies and finding none. Each
// figure is the median of many single calls, the state copied back before each one with
// the clock stopped, so that every call does the same work. Run it from the run
// directory (it reads the map from "Game Data"); no window is opened.
#include "../tests/Literal.h"

#include "actors/CharacterMgr.h"
#include "actors/WeaponMgr.h"
#include "actors/ZombieMgr.h"
#include "app/Main.h"
#include "app/Random.h"
#include "app/Records.h"
#include "world/CameraMgr.h"
#include "platform/testing.h"
#include "world/MapMgr.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

const unsigned kSeed = 1;
const float kHospitalX = 130.0f, kHospitalZ = 180.0f, kHospitalYaw = 289.0f;

double Ns(Clock::time_point a, Clock::time_point b) {
    return std::chrono::duration<double, std::nano>(b - a).count();
}

struct Stats {
    double median, mean, p90;
};

Stats Summarise(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    double sum = 0.0;
    for (double x : v)
        sum += x;
    return {v[v.size() / 2], sum / static_cast<double>(v.size()), v[v.size() * 9 / 10]};
}

// The state a measurement starts from, copied back before each measured call.
struct Snapshot {
    std::vector<structZombies> zombies;
    structCharacter character;
    structCamera camera;
    structWeapon weapon;

    void Take() {
        zombies.assign(stZombies, stZombies + kZombies);
        character = stCharacter;
        camera = TheCamera;
        weapon = stWeapon;
    }
    void Restore() const {
        std::copy(zombies.begin(), zombies.end(), stZombies);
        stCharacter = character;
        TheCamera = camera;
        stWeapon = weapon;
    }
};

void PlacePlayer(float x, float z, float yaw) {
    stCharacter.posX = x;
    stCharacter.posZ = z;
    TheCamera = kStartCamera;
    TheCamera.yaw = yaw;
}

// --- One frame of the zombies' logic ------------------------------------------------

const DWORD kFrameStep = 25; // one tick-count read a frame, so the walk cycle runs at 40 fps
const int kBlock = 9;        // frames between restores: the walk pictures change in one of them

void LogicFrame() {
    ZombieMgr->HandleWalking();
    ZombieMgr->HandleHit();
    ZombieMgr->HandleAI();
}

bool InSight(const structZombies &z) {
    return std::fabs(z.posX - stCharacter.posX) < 20.0f &&
           std::fabs(z.posZ - stCharacter.posZ) < 20.0f;
}

// Kills the living zombies nearest the player but out of its sight with the given weapon,
// the swings taking turns, so that their death animations start now. Those in sight are
// spared to keep the chase going; where a body falls makes no difference to the work.
void KillBeyondSight(int weapon, int count) {
    std::vector<int> slots;
    for (int i = 0; i < kZombies; i++)
        if (stZombies[i].active && stZombies[i].health > 0 && !InSight(stZombies[i]))
            slots.push_back(i);
    auto distance = [](int i) {
        return std::fabs(stZombies[i].posX - stCharacter.posX) +
               std::fabs(stZombies[i].posZ - stCharacter.posZ);
    };
    std::sort(slots.begin(), slots.end(), [&](int a, int b) { return distance(a) < distance(b); });
    stCharacter.weapon = weapon;
    for (int k = 0; k < count && k < static_cast<int>(slots.size()); k++) {
        stWeapon.swing = k % 3;
        ZombieMgr->HitResult(slots[k]);
    }
}

void BenchLogic(int blocks) {
    // At the hospital: the zombies placed as the game places them, then 60 frames of
    // logic with the player standing still, so that those in sight have closed in and the
    // others are on their wander legs. Three volleys of kills on the way leave the cut,
    // the knocked-down and the shot falling at the moment the snapshot is taken.
    GameSrand(kSeed);
    seams::UseVirtualClock(100000, kFrameStep);
    ZombieMgr->InitZombies();
    CharacterMgr->InitCharacter();
    PlacePlayer(kHospitalX, kHospitalZ, kHospitalYaw);
    for (int f = 0; f < 60; f++) {
        if (f == 30)
            KillBeyondSight(1, 8); // the cut lasts about 60 frames
        if (f == 50)
            KillBeyondSight(0, 8); // knocked down, about 23 frames
        if (f == 58)
            KillBeyondSight(2, 8); // shot, about 12 frames
        LogicFrame();
        stCharacter.health = 30.0f; // the bites must not end the game meanwhile
    }
    Snapshot start;
    start.Take();
    const DWORD clockAt = seams::VirtualNow();

    int chasing = 0, dying = 0, wandering = 0, dead = 0;
    for (const structZombies &z : stZombies) {
        if (z.hitWeapon != -1)
            dying++;
        else if (z.health <= 0)
            dead++;
        else if (InSight(z))
            chasing++;
        else
            wandering++;
    }
    std::printf("Logic of one frame, %d zombies at the hospital: %d chasing, %d falling, "
                "%d wandering, %d lying dead\n",
                kZombies, chasing, dying, wandering, dead);
    std::printf("%d frames, restored every %d\n", blocks * kBlock, kBlock);

    std::vector<double> walking, hit, ai, total;
    for (int b = 0; b < blocks + 2; b++) {
        start.Restore();
        seams::UseVirtualClock(clockAt, kFrameStep);
        GameSrand(kSeed + 1); // new wander legs draw the same numbers in every block
        for (int f = 0; f < kBlock; f++) {
            const Clock::time_point t0 = Clock::now();
            ZombieMgr->HandleWalking();
            const Clock::time_point t1 = Clock::now();
            ZombieMgr->HandleHit();
            const Clock::time_point t2 = Clock::now();
            ZombieMgr->HandleAI();
            const Clock::time_point t3 = Clock::now();
            if (b < 2)
                continue; // warming up
            walking.push_back(Ns(t0, t1));
            hit.push_back(Ns(t1, t2));
            ai.push_back(Ns(t2, t3));
            total.push_back(Ns(t0, t3));
        }
    }
    std::printf("  %-34s %10s %10s %10s\n", "", "median us", "mean us", "p90 us");
    const struct {
        const char *name;
        const std::vector<double> &samples;
    } rows[] = {{"HandleWalking", walking},
                {"HandleHit", hit},
                {"HandleAI", ai},
                {"the frame (target < 50 us)", total}};
    for (const auto &row : rows) {
        const Stats s = Summarise(row.samples);
        std::printf("  %-34s %10.2f %10.2f %10.2f\n", row.name, s.median / 1000.0, s.mean / 1000.0,
                    s.p90 / 1000.0);
    }
    seams::UseRealClock();
}

// --- One weapon sweep -----------------------------------------------------------------

struct Spot {
    float x, z, yaw;
    int kills;
    int row; // ahead of the player, of the nearest kill; -1 without one
};

// Runs the game's sweep once from the given spot and puts everything back; reports the
// kills and the row ahead of the player where the nearest one stood. Expects the state
// of the snapshot.
Spot TrySpot(const Snapshot &base, int weapon, float x, float z, float yaw) {
    PlacePlayer(x, z, yaw);
    ZombieMgr->HitZombies(weapon);
    Spot spot = {x, z, yaw, stCharacter.killCount - base.character.killCount, -1};
    float s, c;
    HeadingSinCos(yaw, s, c);
    for (int i = 0; i < kZombies && spot.kills > 0; i++) {
        if (stZombies[i].health > 0 || base.zombies[i].health <= 0)
            continue;
        const float ahead = (stZombies[i].posX - x) * s - (stZombies[i].posZ - z) * c;
        const int row = static_cast<int>(std::lround(ahead));
        if (spot.row < 0 || row < spot.row)
            spot.row = row;
    }
    if (spot.kills > 0) {
        base.Restore();
    } else { // nothing else changed
        stCharacter = base.character;
        TheCamera = base.camera;
    }
    return spot;
}

// Looks over the middle of the map for a spot where the sweep kills the most (weapon 0)
// or meets its zombie nearest mid-range (weapon 2), and one where it meets none.
void FindSpots(const Snapshot &base, int weapon, Spot &hits, Spot &none) {
    hits = {0, 0, 0, 0, -1};
    none = {0, 0, 0, -1, -1};
    base.Restore();
    for (int x = 30; x <= 220; x += 2) {
        for (int z = 30; z <= 220; z += 2) {
            for (int yaw = 0; yaw < 360; yaw += 30) {
                const Spot s = TrySpot(base, weapon, static_cast<float>(x) + 0.3f,
                                       static_cast<float>(z) + 0.3f, static_cast<float>(yaw));
                if (s.kills == 0) {
                    if (none.kills < 0)
                        none = s;
                    continue;
                }
                const bool better =
                    weapon == 2 ? hits.kills == 0 || std::abs(s.row - 15) < std::abs(hits.row - 15)
                                : s.kills > hits.kills;
                if (better)
                    hits = s;
            }
        }
    }
}

// The literal sweep and the game's kill the same zombies from the spot.
bool SameKills(const Snapshot &base, int weapon, const Spot &spot) {
    base.Restore();
    PlacePlayer(spot.x, spot.z, spot.yaw);
    LiteralHitZombies(weapon);
    const std::vector<structZombies> literal(stZombies, stZombies + kZombies);
    base.Restore();
    PlacePlayer(spot.x, spot.z, spot.yaw);
    ZombieMgr->HitZombies(weapon);
    bool same = true;
    for (int i = 0; i < kZombies; i++)
        same = same && literal[i].health == stZombies[i].health &&
               literal[i].cutStyle == stZombies[i].cutStyle;
    base.Restore();
    return same;
}

// Times the literal sweep and the game's from the spot, call for call in turn, so that
// both meet the same moments of a busy machine.
void TimeSweeps(const Snapshot &base, int weapon, const Spot &spot, int reps, Stats &literal,
                Stats &game) {
    std::vector<double> ns[2];
    for (int i = -reps / 10; i < reps; i++) {
        for (int way = 0; way < 2; way++) {
            base.Restore();
            PlacePlayer(spot.x, spot.z, spot.yaw);
            const Clock::time_point t0 = Clock::now();
            if (way == 0)
                LiteralHitZombies(weapon);
            else
                ZombieMgr->HitZombies(weapon);
            const Clock::time_point t1 = Clock::now();
            if (i >= 0)
                ns[way].push_back(Ns(t0, t1));
        }
    }
    base.Restore();
    literal = Summarise(ns[0]);
    game = Summarise(ns[1]);
}

void BenchSweeps(int reps) {
    std::printf("\nOne weapon sweep over the %d zombies as placed at the start, %d calls each\n",
                kZombies, reps);
    std::printf("  %-48s %5s %12s %12s %12s %8s\n", "", "kills", "literal us", "game us",
                "game p90 us", "ratio");
    for (int weapon : {0, 2}) {
        GameSrand(kSeed);
        ZombieMgr->InitZombies();
        CharacterMgr->InitCharacter();
        CharacterMgr->SelectWeapon(weapon);
        stWeapon.swing = 0;
        Snapshot base;
        base.Take();
        Spot hits, none;
        FindSpots(base, weapon, hits, none);
        for (const Spot *spot : {&hits, &none}) {
            char label[96];
            std::snprintf(label, sizeof label, "weapon %d, %s (%.1f, %.1f, yaw %.0f)", weapon,
                          spot->kills > 0 ? (weapon == 2 ? "a zombie in line" : "zombies in reach")
                                          : "nobody in reach",
                          spot->x, spot->z, spot->yaw);
            if (spot->kills < 0) {
                std::printf("  %-48s no such spot found\n", label);
                continue;
            }
            if (!SameKills(base, weapon, *spot)) {
                std::printf("  %-48s the two sweeps kill different zombies\n", label);
                std::exit(1);
            }
            Stats literal, game;
            TimeSweeps(base, weapon, *spot, reps, literal, game);
            std::printf("  %-48s %5d %12.2f %12.2f %12.2f %7.1fx\n", label, spot->kills,
                        literal.median / 1000.0, game.median / 1000.0, game.p90 / 1000.0,
                        literal.median / game.median);
            if (weapon == 2 && spot->kills > 0)
                std::printf("  %-48s (the zombie stands %d rows ahead)\n", "", spot->row);
        }
    }
    std::printf("  target: one sweep of the game's under 50 us\n");
}

} // namespace

int main(int argc, char **argv) {
    const int scale = argc > 1 ? std::max(1, std::atoi(argv[1])) : 1;
    // The map's walls stop walkers; the game loads it with its first window.
    MapMgr->InitMap();
    MapMgr->LoadMap();
    if (std::FILE *file = std::fopen(".//Game Data//Map//Map.txt", "r"))
        std::fclose(file);
    else
        std::printf("(no map file here: the zombies walk a flat, open map)\n");
    BenchLogic(300 * scale);
    BenchSweeps(2000 * scale);
    return 0;
}
