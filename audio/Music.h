// The background music: the tune of the room the player stands in, or the defeat tune
// while the player is dead.
#pragma once

class CMusic {
  public:
    static const int kTracks = 12;

    CMusic() {}
    ~CMusic();
    void InitSound();
    void InitFiles();
    void ShutdownSound();
    void PlaySPC(int track);
    void HandleRoomMusic();

    const char *trackPaths[kTracks];
    int currentTrack; // -1: none
};

extern CMusic *MusicMgr;
