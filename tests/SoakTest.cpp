// A long game on the virtual clock: a script walks, turns, strikes with every weapon,
// raises fresh populations, stands among the zombies until it dies and rises again, over
// and over. Through it the game must stay sane (everyone on the map, the counts only
// rising, one death counted per death) and its memory flat once warmed up.
// GRAVEWAKE_SOAK_FRAMES sets the length (100,000 frames by default).
#include "Harness.h"

namespace {

bool OnTheMap(float x, float z) {
    return std::isfinite(x) && std::isfinite(z) && x >= 0 && z >= 0 && x <= 250 && z <= 250;
}

TEST(SoakTest, AHundredThousandFramesOfPlay) {
    const char *env = std::getenv("GRAVEWAKE_SOAK_FRAMES");
    const int frames = env ? std::max(4000, std::atoi(env)) : 100000, rounds = frames / 2000;
    // The clock is virtual before the game seeds its random numbers from it: the same
    // script plays the same game every run. The music plays too. A tiny window and a short
    // view: the soak is about state and memory, and every frame is still drawn.
    FreshPlatform();
    RestartGame();
    Main.width = 64;
    Main.height = 48;
    Main.drawDistance = 4;
    int deaths = 0, respawns = 0, presses = 0, freshCrowds = 0, strikes[3] = {}, checkAt = -1;
    int kills = 0, deathCount = 0;
    bool wasDead = false, enterDown = false, repopulate = false, rightDown = false;
    std::string fault; // the first thing found wrong
    long residentWarm = 0, residentLate = 0, heapWarm = 0, heapLate = 0;
    const int code = PlayGame(
        [&](int frame) {
            const int t = frame % 2000;
            const bool dead = stCharacter.health <= 0.0f;
            deaths += dead && !wasDead;
            respawns += !dead && wasDead;
            wasDead = dead;
            // Rise again as soon as the death message allows it.
            enterDown = dead && Main.deathTimer < -3.0f && !enterDown;
            seams::KeyEvent(DIK_RETURN, enterDown);
            // Walk and turn, stepping aside now and then, zooming out and in.
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
            const int weapon = t >= 600 && t < 900 ? (t - 600) / 100 : t >= 1000 ? t / 250 % 3 : -1;
            if (weapon >= 0)
                seams::KeyEvent(uint8_t(DIK_1 + weapon), t % 50 == 0);
            seams::MouseButton(0, weapon >= 0 && t % 15 >= 3 && t % 15 < 9);
            if (weapon >= 0 && t % 15 == 3 && !dead)
                strikes[weapon]++;
            // A fresh population twice a round, at the first moment alive after its time;
            // two frames later, a thousand living zombies.
            repopulate = repopulate || t == 900 || t == 1500;
            const bool press = repopulate && !dead && !rightDown;
            seams::MouseButton(1, press);
            rightDown = press;
            if (press)
                repopulate = false, checkAt = frame + 2;
            if (frame == checkAt && !dead)
                presses++, freshCrowds += LivingZombies() >= 990;
            // The state as the previous frame left it.
            if (fault.empty() && stCharacter.killCount < kills)
                fault = "the kill count went down at frame " + std::to_string(frame);
            if (fault.empty() &&
                (stCharacter.deathCount < deathCount || stCharacter.deathCount > deathCount + 1))
                fault = "the death count jumped at frame " + std::to_string(frame);
            if (fault.empty() && !OnTheMap(stCharacter.posX, stCharacter.posZ))
                fault = "the player left the map at frame " + std::to_string(frame);
            for (int i = 0; i < kZombies && frame % 100 == 0 && fault.empty(); i++)
                if (!OnTheMap(stZombies[i].posX, stZombies[i].posZ))
                    fault = "a zombie left the map at frame " + std::to_string(frame);
            kills = stCharacter.killCount;
            deathCount = stCharacter.deathCount;
            // Memory every 1000 frames: the highest after the warm-up (the second and third
            // tenths) against the highest of the last fifth. A leak grows from one to the
            // other; what the allocator and the driver keep in hand comes and goes.
            if (frame % 1000 == 0 && frame >= frames / 10 && frame <= frames * 3 / 10)
                residentWarm = std::max(residentWarm, ResidentKiB()),
                heapWarm = std::max(heapWarm, HeapKiB());
            if (frame % 1000 == 0 && frame >= frames * 8 / 10)
                residentLate = std::max(residentLate, ResidentKiB()),
                heapLate = std::max(heapLate, HeapKiB());
            return frame < frames && fault.empty();
        },
        frames + 10);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(fault, "");
    // The script died again and again and rose after each death, killed with the weapons
    // and raised its populations.
    EXPECT_EQ(stCharacter.deathCount, deaths);
    EXPECT_GE(deaths, rounds / 2) << "the script stood among zombies " << rounds << " times";
    EXPECT_GE(respawns, deaths - 1);
    EXPECT_GE(stCharacter.killCount, rounds);
    EXPECT_GE(presses, rounds) << "presses of the right button while alive";
    EXPECT_EQ(freshCrowds, presses) << "a thousand living zombies after the right button";
    for (int w = 0; w < 3; w++)
        EXPECT_GE(strikes[w], rounds) << "weapon " << w;
    if (kResidentMemoryIsOurs) {
        EXPECT_LE(heapLate - heapWarm, 1024)
            << "heap in use " << heapWarm << " KiB, then " << heapLate;
        EXPECT_LE(residentLate - residentWarm, 6144)
            << "resident " << residentWarm << " KiB, then " << residentLate;
    }
    std::printf(
        "soak: %d frames, %d deaths, %d kills; after the warm-up and at the end: resident %ld "
        "and %ld KiB, heap in use %ld and %ld KiB\n",
        frames, deaths, stCharacter.killCount, residentWarm, residentLate, heapWarm, heapLate);
}

} // namespace
