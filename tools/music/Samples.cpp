#include "Samples.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <stdexcept>

namespace music {
namespace {

constexpr double kTwoPi = 6.283185307179586;

// Deterministic noise in -1..1.
struct Noise {
    uint32_t s;
    explicit Noise(uint32_t seed) : s(seed) {}
    double next() {
        s ^= s << 13;
        s ^= s >> 17;
        s ^= s << 5;
        return (s & 0xFFFF) / 32768.0 - 1.0;
    }
};

// A partial of a tonal sample: `ratio` times the fundamental, fading (or, with a
// negative decay, growing) by exp(-decay) per period until the loop begins, then steady.
struct Partial {
    double ratio, amp, decay;
};

struct Tone {
    int cycle;        // samples per period of the fundamental
    int attackCycles; // periods before the loop
    int loopCycles;   // periods in the loop; every ratio * loopCycles must be whole
    std::vector<Partial> partials;
    double breath = 0;      // noise in the attack, as a share of the peak
    double breathDecay = 1; // per period
};

std::vector<int16_t> normalise(const std::vector<double> &w, double peak) {
    double m = 1e-9;
    for (double v : w)
        m = std::max(m, std::fabs(v));
    std::vector<int16_t> out(w.size());
    for (size_t i = 0; i < w.size(); ++i)
        out[i] = static_cast<int16_t>(std::lround(w[i] / m * peak));
    return out;
}

std::vector<int16_t> tone(const Tone &t, int *loopStart, uint32_t seed) {
    const int attack = t.attackCycles * t.cycle;
    const int total = attack + t.loopCycles * t.cycle;
    for (const Partial &p : t.partials) {
        double whole = p.ratio * t.loopCycles;
        if (std::fabs(whole - std::round(whole)) > 1e-9 || p.ratio * 2 >= t.cycle)
            throw std::runtime_error("partial does not fit the loop");
    }
    std::vector<double> w(total, 0.0);
    Noise noise(seed);
    double lp = 0;
    for (int n = 0; n < total; ++n) {
        double periods = std::min(n, attack) / double(t.cycle);
        double phase = double(n) / t.cycle;
        double v = 0;
        for (size_t k = 0; k < t.partials.size(); ++k) {
            const Partial &p = t.partials[k];
            // Fixed, varied start phases keep the peak low.
            double ph = kTwoPi * (p.ratio * phase) + 0.7 * double(k * k);
            v += p.amp * std::exp(-p.decay * periods) * std::sin(ph);
        }
        if (n < attack && t.breath > 0) {
            lp += 0.5 * (noise.next() - lp);
            v += t.breath * lp * std::exp(-t.breathDecay * periods);
        }
        w[n] = v;
    }
    *loopStart = attack;
    return normalise(w, 15000);
}

// Harmonic series helper: amplitude of harmonic k given by f(k), with decay g(k).
template <class A, class D> std::vector<Partial> harmonics(int count, A amp, D decay) {
    std::vector<Partial> ps;
    for (int k = 1; k <= count; ++k)
        ps.push_back({double(k), amp(k), decay(k)});
    return ps;
}

// The same harmonic series three times: in tune and a little sharp and flat, all
// periodic over the loop, for an ensemble that shimmers.
std::vector<Partial> ensemble(const std::vector<Partial> &base, int loopCycles, double side) {
    std::vector<Partial> ps;
    for (const Partial &p : base) {
        ps.push_back(p);
        for (int d : {-1, 1})
            ps.push_back({p.ratio * (loopCycles + d) / loopCycles, p.amp * side, p.decay});
    }
    return ps;
}

std::vector<int16_t> makeTonal(const std::string &name, int *loop) {
    if (name == "sine") return tone({32, 0, 1, {{1, 1, 0}}}, loop, 1);
    if (name == "flute")
        return tone(
            {64, 24, 1, {{1, 1, 0}, {2, 0.22, 0.05}, {3, 0.08, 0.05}, {4, 0.03, 0}}, 0.5, 0.3},
            loop, 2);
    if (name == "whistle")
        return tone({32, 16, 1, {{1, 1, 0}, {2, 0.06, 0}, {3, 0.02, 0}}, 0.35, 0.35}, loop, 3);
    if (name == "square")
        return tone({32, 0, 1,
                     harmonics(
                         15, [](int k) { return k % 2 ? 1.0 / k : 0.0; }, [](int) { return 0.0; })},
                    loop, 4);
    if (name == "pulse")
        return tone({32, 0, 1,
                     harmonics(
                         15, [](int k) { return std::sin(3.14159265 * k * 0.25) / k; },
                         [](int) { return 0.0; })},
                    loop, 5);
    if (name == "saw")
        return tone(
            {64, 0, 1,
             harmonics(
                 24, [](int k) { return 1.0 / k / (1 + k * k / 400.0); }, [](int) { return 0.0; })},
            loop, 6);
    if (name == "strings") {
        auto base = harmonics(
            12, [](int k) { return 1.0 / k / (1 + k * k / 40.0); }, [](int) { return 0.0; });
        return tone({32, 0, 96, ensemble(base, 96, 0.8)}, loop, 7);
    }
    if (name == "pad") {
        auto base = harmonics(
            9, [](int k) { return k % 2 ? 1.0 / (k * k) : 0.15 / (k * k); },
            [](int) { return 0.0; });
        return tone({32, 0, 96, ensemble(base, 96, 0.7)}, loop, 8);
    }
    if (name == "choir") {
        // Vowel "ah" sung near A3: harmonics shaped by formants at 700, 1150 and 2700 Hz.
        auto formant = [](double f) {
            auto peak = [f](double c, double w, double g) {
                return g / (1 + ((f - c) / w) * ((f - c) / w));
            };
            return peak(700, 130, 1.0) + peak(1150, 150, 0.6) + peak(2700, 250, 0.25) + 0.04;
        };
        auto base = harmonics(
            15, [&](int k) { return formant(220.0 * k) / std::sqrt(double(k)); },
            [](int) { return 0.0; });
        return tone({32, 0, 96, ensemble(base, 96, 0.75)}, loop, 9);
    }
    if (name == "organ")
        return tone(
            {64,
             0,
             1,
             {{1, 1, 0}, {2, 0.6, 0}, {3, 0.4, 0}, {4, 0.25, 0}, {6, 0.15, 0}, {8, 0.1, 0}}},
            loop, 10);
    if (name == "epiano")
        return tone({64,
                     48,
                     1,
                     {{1, 1, 0.01},
                      {2, 0.35, 0.04},
                      {3, 0.15, 0.06},
                      {4, 0.08, 0.08},
                      {7, 0.3, 0.12},
                      {11, 0.08, 0.2}},
                     0.1,
                     1.0},
                    loop, 11);
    if (name == "pluck")
        return tone({64, 48, 1,
                     harmonics(
                         18,
                         [](int k) {
                             return std::fabs(std::sin(3.14159265 * k * 0.18)) / std::pow(k, 1.1);
                         },
                         [](int k) { return 0.004 * std::pow(k, 1.6); }),
                     0.15, 1.0},
                    loop, 12);
    if (name == "harp")
        return tone({64, 48, 1,
                     harmonics(
                         10, [](int k) { return 1.0 / std::pow(k, 1.8); },
                         [](int k) { return 0.006 * k * k; }),
                     0.05, 1.0},
                    loop, 13);
    if (name == "bass")
        return tone(
            {128, 16, 1,
             harmonics(
                 16, [](int k) { return 1.0 / std::pow(k, 1.3); }, [](int k) { return 0.03 * k; }),
             0.08, 1.0},
            loop, 14);
    if (name == "synbass")
        return tone(
            {64, 0, 1,
             harmonics(
                 16, [](int k) { return 1.0 / k / (1 + k * k / 30.0); }, [](int) { return 0.0; })},
            loop, 15);
    if (name == "bell")
        return tone({64,
                     64,
                     4,
                     {{1, 1, 0.004}, {2.75, 0.5, 0.03}, {5.5, 0.25, 0.06}, {9, 0.12, 0.1}},
                     0.05,
                     2.0},
                    loop, 16);
    if (name == "musicbox")
        return tone({64,
                     48,
                     1,
                     {{1, 1, 0.006}, {3, 0.3, 0.04}, {5, 0.12, 0.08}, {8, 0.08, 0.15}},
                     0.05,
                     2.0},
                    loop, 17);
    if (name == "glass")
        return tone(
            {64, 32, 4, {{1, 1, 0.0}, {2.25, 0.3, 0.01}, {3, 0.12, 0.02}, {4.5, 0.1, 0.03}}}, loop,
            18);
    if (name == "marimba")
        return tone({64, 48, 1, {{1, 1, 0.015}, {4, 0.45, 0.1}, {10, 0.12, 0.3}}, 0.2, 1.5}, loop,
                    19);
    if (name == "accordion") {
        auto base = harmonics(
            12, [](int k) { return (k == 2 || k == 3 ? 1.2 : 1.0) / std::pow(k, 0.8); },
            [](int) { return 0.0; });
        std::vector<Partial> ps;
        for (const Partial &p : base) {
            ps.push_back(p);
            ps.push_back({p.ratio * 65 / 64, p.amp * 0.9, 0});
        }
        return tone({32, 0, 64, ps}, loop, 20);
    }
    if (name == "brass")
        return tone({64, 24, 1,
                     harmonics(
                         20, [](int k) { return std::exp(-0.5 * k) * 3.0 / std::sqrt(double(k)); },
                         [](int k) { return -0.35 * k / 24.0; }),
                     0.05, 1.0},
                    loop, 21);
    if (name == "reed")
        return tone({64,
                     0,
                     1,
                     {{1, 1, 0},
                      {2, 0.05, 0},
                      {3, 0.5, 0},
                      {4, 0.04, 0},
                      {5, 0.3, 0},
                      {7, 0.18, 0},
                      {9, 0.1, 0},
                      {11, 0.05, 0}}},
                    loop, 22);
    if (name == "fiddle")
        return tone({64, 24, 1,
                     harmonics(
                         22,
                         [](int k) {
                             double body = 1 + 0.8 * std::exp(-std::pow((k - 4) / 1.5, 2)) +
                                           0.5 * std::exp(-std::pow((k - 10) / 2.5, 2));
                             return body / k;
                         },
                         [](int) { return 0.0; }),
                     0.25, 0.2},
                    loop, 23);
    return {};
}

// Drums, synthesised sample by sample at their natural rate.
std::vector<int16_t> makeDrum(const std::string &name, int rate, int *loop) {
    *loop = -1;
    std::vector<double> w;
    Noise noise(0xC0FFEE ^ static_cast<uint32_t>(name.size() * 7919));
    auto len = [&](double s) { w.assign(static_cast<size_t>(s * rate), 0.0); };
    if (name == "kick") {
        len(0.3);
        double ph = 0;
        for (size_t i = 0; i < w.size(); ++i) {
            double t = double(i) / rate;
            double f = 48 + 120 * std::exp(-t / 0.025);
            ph += kTwoPi * f / rate;
            w[i] = std::sin(ph) * std::exp(-t / 0.11) + 0.3 * noise.next() * std::exp(-t / 0.004);
        }
    } else if (name == "snare") {
        len(0.2);
        double ph = 0, hp = 0, prev = 0;
        for (size_t i = 0; i < w.size(); ++i) {
            double t = double(i) / rate;
            ph += kTwoPi * 190 / rate;
            double n = noise.next();
            hp = 0.85 * (hp + n - prev);
            prev = n;
            w[i] = 0.55 * std::sin(ph) * std::exp(-t / 0.035) + 0.8 * hp * std::exp(-t / 0.055);
        }
    } else if (name == "hat") {
        len(0.06);
        double hp = 0, prev = 0;
        for (size_t i = 0; i < w.size(); ++i) {
            double t = double(i) / rate;
            double n = noise.next();
            hp = 0.6 * (hp + n - prev);
            prev = n;
            w[i] = hp * std::exp(-t / 0.013);
        }
    } else if (name == "noise") {
        // Steady bright noise, looped: cymbals and shakers take their shape from the envelope.
        len(2048.0 / rate);
        double hp = 0, prev = 0;
        for (size_t i = 0; i < w.size(); ++i) {
            double n = noise.next();
            hp = 0.7 * (hp + n - prev);
            prev = n;
            w[i] = hp;
        }
        *loop = 0;
    } else if (name == "wood") {
        len(0.06);
        double a = 0, b = 0;
        for (size_t i = 0; i < w.size(); ++i) {
            double t = double(i) / rate;
            a += kTwoPi * 1250 / rate;
            b += kTwoPi * 2710 / rate;
            w[i] = (std::sin(a) + 0.4 * std::sin(b)) * std::exp(-t / 0.012);
        }
    } else if (name == "clap") {
        len(0.16);
        double bp1 = 0, bp2 = 0;
        for (size_t i = 0; i < w.size(); ++i) {
            double t = double(i) / rate;
            double env = 0;
            for (double s : {0.0, 0.011, 0.022}) {
                if (t >= s && t < s + 0.01) env = std::max(env, std::exp(-(t - s) / 0.003));
            }
            if (t >= 0.03) env = std::max(env, std::exp(-(t - 0.03) / 0.04));
            // a crude band pass around 1.5 kHz
            bp1 += 0.35 * (noise.next() - bp1);
            bp2 += 0.35 * (bp1 - bp2);
            w[i] = (bp1 - bp2) * env;
        }
    }
    if (w.empty()) return {};
    if (*loop < 0) { // a whole number of blocks, tail faded
        size_t tail = std::min<size_t>(64, w.size());
        for (size_t i = 0; i < tail; ++i)
            w[w.size() - 1 - i] *= double(i) / tail;
    }
    return normalise(w, name == "noise" ? 12000 : 20000);
}

} // namespace

const std::vector<SampleInfo> &sampleList() {
    // name, cycle, rate, ADSR1, ADSR2 (the default envelope a tune may override)
    static const std::vector<SampleInfo> list = {
        {"sine", 32, 0, 0x8E, 0xE0},     {"flute", 64, 0, 0x8B, 0xE0},
        {"whistle", 32, 0, 0x8C, 0xE0},  {"square", 32, 0, 0x8F, 0xF4},
        {"pulse", 32, 0, 0x8F, 0xF4},    {"saw", 64, 0, 0x8E, 0xF3},
        {"strings", 32, 0, 0x89, 0xE0},  {"pad", 32, 0, 0x88, 0xE0},
        {"choir", 32, 0, 0x89, 0xE0},    {"organ", 64, 0, 0x8E, 0xE0},
        {"epiano", 64, 0, 0x9F, 0x8F},   {"pluck", 64, 0, 0xAF, 0x4F},
        {"harp", 64, 0, 0xAF, 0x50},     {"bass", 128, 0, 0xCF, 0x6E},
        {"synbass", 64, 0, 0xBF, 0x8B},  {"bell", 64, 0, 0xAF, 0x50},
        {"musicbox", 64, 0, 0xAF, 0x51}, {"glass", 64, 0, 0x8B, 0xEC},
        {"marimba", 64, 0, 0xBF, 0x53},  {"accordion", 32, 0, 0x8D, 0xE0},
        {"brass", 64, 0, 0x8C, 0xEF},    {"reed", 64, 0, 0x8D, 0xE0},
        {"fiddle", 64, 0, 0x8C, 0xE0},   {"kick", 0, 12000, 0x8F, 0xE0},
        {"snare", 0, 24000, 0x8F, 0xE0}, {"hat", 0, 32000, 0x8F, 0xE0},
        {"noise", 0, 32000, 0xFF, 0x17}, {"wood", 0, 32000, 0x8F, 0xE0},
        {"clap", 0, 24000, 0x8F, 0xE0},
    };
    return list;
}

const SampleInfo *findSample(const std::string &name) {
    for (const SampleInfo &s : sampleList())
        if (s.name == name) return &s;
    return nullptr;
}

std::vector<int16_t> samplePcm(const std::string &name, int *loopStart) {
    const SampleInfo *info = findSample(name);
    if (!info) throw std::runtime_error("unknown sample: " + name);
    std::vector<int16_t> pcm =
        info->cycle ? makeTonal(name, loopStart) : makeDrum(name, info->rate, loopStart);
    if (pcm.empty()) throw std::runtime_error("sample not synthesised: " + name);
    return pcm;
}

const BrrSample &brrSample(const std::string &name) {
    static std::map<std::string, BrrSample> cache;
    auto it = cache.find(name);
    if (it != cache.end()) return it->second;
    int loop = -1;
    std::vector<int16_t> pcm = samplePcm(name, &loop);
    return cache.emplace(name, encodeBrr(pcm, loop)).first->second;
}

} // namespace music
