// The places of the world the drawing benchmarks look from, and what they share: putting
// the player and the camera there, and the median of a run of timings.
#pragma once

#include "../tests/Stage.h"

#include "app/Records.h"

#include <algorithm>
#include <vector>

struct Place {
    const char *name;
    float x, z, yaw, pitch;
};

const Place kPlaces[] = {
    {"start", 1.0f, 59.0f, 91.0f, 13.0f},        {"hospital", 130.0f, 180.0f, 289.0f, 21.0f},
    {"centre N", 125.0f, 125.0f, 0.0f, 20.0f},   {"centre E", 125.0f, 125.0f, 90.0f, 20.0f},
    {"centre S", 125.0f, 125.0f, 180.0f, 20.0f}, {"centre W", 125.0f, 125.0f, 270.0f, 20.0f},
    {"low view", 60.0f, 200.0f, 135.0f, 5.0f},   {"high view", 200.0f, 60.0f, 250.0f, 60.0f},
};

// The camera at its start values but for the place's heading and tilt, behind the player
// standing there.
inline void LookFrom(const Place &p) {
    TheCamera = kStartCamera;
    TheCamera.yaw = p.yaw;
    TheCamera.pitch = p.pitch;
    StandAt(p.x, p.z);
}

inline double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}
