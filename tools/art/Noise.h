// Deterministic randomness for the generators: a seeded generator and hash-based value
// noise that can wrap with a period, so tiles made from it repeat without seams.
#pragma once

#include <cstdint>

namespace art {

class Rng {
  public:
    explicit Rng(uint64_t seed) : s(seed * 0x9E3779B97F4A7C15ull + 0x632BE59BD9B4E019ull) {}
    uint32_t next() {
        // splitmix64: small, fast and the same on every platform
        uint64_t z = (s += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return uint32_t((z ^ (z >> 31)) >> 32);
    }
    float uniform() { return (next() >> 8) * (1.0f / 16777216.0f); }
    float range(float lo, float hi) { return lo + (hi - lo) * uniform(); }
    int below(int n) { return int(next() % uint32_t(n)); }

  private:
    uint64_t s;
};

// Hash of a lattice point and a seed to [0, 1).
float hash2(int x, int y, uint32_t seed);
// Value noise on a lattice of the given period (in lattice units), smooth and wrapping.
float valueNoise(float x, float y, int period, uint32_t seed);
// Sum of octaves of valueNoise; x and y in tile units 0..1 wrap with the tile.
float fbm(float x, float y, int basePeriod, int octaves, uint32_t seed);

} // namespace art
