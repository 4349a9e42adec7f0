#include "Brr.h"

#include <cmath>
#include <cstdlib>
#include <limits>
#include <stdexcept>

namespace music {
namespace {

// One decoded sample from nibble n given the two previous outputs.
int decodeOne(int n, int shift, int filter, int p1, int p2) {
    int s = shift <= 12 ? (n * (1 << shift)) >> 1 : (n < 0 ? -2048 : 0);
    int h = p2 >> 1;
    switch (filter) {
    case 1:
        s += (p1 >> 1) + ((-p1) >> 5);
        break;
    case 2:
        s += p1 - h + (h >> 4) + ((-3 * p1) >> 6);
        break;
    case 3:
        s += p1 - h + ((-13 * p1) >> 7) + ((3 * h) >> 4);
        break;
    default:
        break;
    }
    if (s > 32767) s = 32767;
    if (s < -32768) s = -32768;
    return static_cast<int16_t>(static_cast<uint16_t>(s * 2)); // the chip wraps here
}

struct Block {
    uint8_t bytes[9];
    int p1, p2; // decoder state after the block
    long long error;
};

Block encodeBlock(const int16_t *x, int p1, int p2, bool filterZeroOnly, bool end, bool loop) {
    Block best{};
    best.error = std::numeric_limits<long long>::max();
    for (int filter = 0; filter < (filterZeroOnly ? 1 : 4); ++filter) {
        for (int shift = 1; shift <= 12; ++shift) {
            Block b{};
            b.bytes[0] =
                static_cast<uint8_t>(shift << 4 | filter << 2 | (loop ? 2 : 0) | (end ? 1 : 0));
            int q1 = p1, q2 = p2;
            long long err = 0;
            for (int i = 0; i < 16; ++i) {
                // Nearest nibble by the linear model, then the exact decoder picks among
                // its neighbours (it also steers clear of the wrap-around).
                int pred = decodeOne(0, shift, filter, q1, q2);
                int guess = static_cast<int>(std::lround(double(x[i] - pred) / double(1 << shift)));
                int bestN = 0, bestY = 0;
                long long bestE = std::numeric_limits<long long>::max();
                for (int n = guess - 1; n <= guess + 1; ++n) {
                    if (n < -8 || n > 7) continue;
                    int y = decodeOne(n, shift, filter, q1, q2);
                    long long e = (long long)(y - x[i]) * (y - x[i]);
                    if (e < bestE) bestE = e, bestN = n, bestY = y;
                }
                if (bestE == std::numeric_limits<long long>::max()) {
                    int n = guess < -8 ? -8 : 7;
                    bestY = decodeOne(n, shift, filter, q1, q2);
                    bestN = n;
                    bestE = (long long)(bestY - x[i]) * (bestY - x[i]);
                }
                err += bestE;
                uint8_t nib = static_cast<uint8_t>(bestN & 0xF);
                if (i % 2 == 0)
                    b.bytes[1 + i / 2] = static_cast<uint8_t>(nib << 4);
                else
                    b.bytes[1 + i / 2] |= nib;
                q2 = q1;
                q1 = bestY;
            }
            b.p1 = q1, b.p2 = q2, b.error = err;
            if (err < best.error) best = b;
        }
    }
    return best;
}

} // namespace

BrrSample encodeBrr(const std::vector<int16_t> &pcmIn, int loopStart) {
    std::vector<int16_t> pcm = pcmIn;
    bool looped = loopStart >= 0;
    if (looped && (loopStart % 16 != 0 || pcm.size() % 16 != 0 || size_t(loopStart) >= pcm.size()))
        throw std::runtime_error("looped BRR sample must be whole blocks");
    if (!looped) {
        pcm.resize((pcm.size() + 15) / 16 * 16 + 32, 0); // two silent blocks
        loopStart = static_cast<int>(pcm.size() - 16);
    }
    BrrSample out;
    size_t blocks = pcm.size() / 16;
    int p1 = 0, p2 = 0;
    for (size_t k = 0; k < blocks; ++k) {
        bool first = k == 0 || k * 16 == size_t(loopStart);
        bool last = k + 1 == blocks;
        Block b = encodeBlock(&pcm[k * 16], p1, p2, first, last, last);
        out.data.insert(out.data.end(), b.bytes, b.bytes + 9);
        p1 = b.p1, p2 = b.p2;
    }
    out.loopOffset = static_cast<uint16_t>(loopStart / 16 * 9);
    return out;
}

std::vector<int16_t> decodeBrr(const BrrSample &s, size_t count) {
    std::vector<int16_t> out;
    size_t at = 0;
    int p1 = 0, p2 = 0;
    while (out.size() < count && at + 9 <= s.data.size()) {
        uint8_t h = s.data[at];
        int shift = h >> 4, filter = (h >> 2) & 3;
        for (int i = 0; i < 16 && out.size() < count; ++i) {
            int n = (i % 2 == 0) ? s.data[at + 1 + i / 2] >> 4 : s.data[at + 1 + i / 2] & 0xF;
            if (n >= 8) n -= 16;
            int y = decodeOne(n, shift, filter, p1, p2);
            out.push_back(static_cast<int16_t>(y));
            p2 = p1, p1 = y;
        }
        at += 9;
        if (h & 1) {
            if (!(h & 2)) break;
            at = s.loopOffset;
        }
    }
    return out;
}

} // namespace music
