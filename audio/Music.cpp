#include "audio/Music.h"

#include "app/Records.h"
#include "audio/SPCPlayer.h"
#include "platform/fmod.h"

CMusic::~CMusic() {
    Player.CloseSPCPlayer();
}

void CMusic::InitSound() {
    FSOUND_Init(44100, 32, 0);
    currentTrack = -1;
    Player.InitSPCPlayer();
    InitFiles();
}

void CMusic::InitFiles() {
    static const char *const kPaths[kTracks] = {
        ".//Game Data//Music//BGM//Zombies.spc",  ".//Game Data//Music//BGM//Drugstore.spc",
        ".//Game Data//Music//BGM//Orchard.spc",  ".//Game Data//Music//BGM//Carnival.spc",
        ".//Game Data//Music//BGM//Arcade.spc",   ".//Game Data//Music//BGM//Skyward.spc",
        ".//Game Data//Music//BGM//Cottage.spc",  ".//Game Data//Music//BGM//Meadow.spc",
        ".//Game Data//Music//BGM//Hospital.spc", ".//Game Data//Music//BGM//Roadhouse.spc",
        ".//Game Data//Music//BGM//Defeated.spc", ".//Game Data//Music//BGM//Skirmish.spc",
    };
    for (int i = 0; i < kTracks; i++)
        trackPaths[i] = kPaths[i];
}

void CMusic::ShutdownSound() {
    FSOUND_StopSound(0);
}

void CMusic::PlaySPC(int track) {
    currentTrack = track;
    Player.WavClose();
    CloseHandle(Player.fileHandle);
    Player.fileHandle = nullptr; // never closed twice
    Player.LoadSPC(trackPaths[track]);
    Player.WavOpen();
}

namespace {

// A room holds the player when a <= x <= b and c <= z <= d.
struct Room {
    float a, b, c, d;
    int track;
};

const Room kRooms[] = {
    {96.0f, 156.0f, 2.0f, 46.0f, 3},     // Carnival
    {175.0f, 250.0f, 0.0f, 70.0f, 1},    // Drugstore
    {49.0f, 67.0f, 103.0f, 148.0f, 4},   // Arcade
    {49.0f, 59.0f, 158.0f, 184.0f, 5},   // Skyward
    {212.0f, 242.0f, 203.0f, 234.0f, 2}, // Orchard
    {201.0f, 248.0f, 94.0f, 148.0f, 6},  // Cottage
    {150.0f, 196.0f, 169.0f, 200.0f, 7}, // Meadow
    {82.0f, 137.0f, 169.0f, 200.0f, 8},  // Hospital
    {123.0f, 164.0f, 94.0f, 135.0f, 9},  // Roadhouse
    {2.0f, 28.0f, 29.0f, 41.0f, 11},     // Skirmish, first ground
    {2.0f, 29.0f, 74.0f, 91.0f, 11},     // Skirmish, second ground
};

const int kOutdoors = 0;
const int kDefeated = 10;

} // namespace

void CMusic::HandleRoomMusic() {
    int wanted = kOutdoors;
    if (stCharacter.health <= 0.0f) {
        wanted = kDefeated;
    } else {
        const float x = stCharacter.posX, z = stCharacter.posZ;
        for (const Room &r : kRooms)
            if (r.a <= x && x <= r.b && r.c <= z && z <= r.d) {
                wanted = r.track;
                break;
            }
    }
    if (wanted != currentTrack)
        PlaySPC(wanted); // from the tune's beginning
}
