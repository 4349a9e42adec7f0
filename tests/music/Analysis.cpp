#include "Analysis.h"

#include <gme/gme.h>

#include <cmath>
#include <fstream>
#include <iterator>

namespace musictest {

std::vector<uint8_t> readFile(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

Rendered render(const std::vector<uint8_t> &spc, double seconds, int muteMask) {
    Rendered r;
    Music_Emu *emu = nullptr;
    if (gme_err_t err = gme_open_data(spc.data(), long(spc.size()), &emu, kRate)) {
        r.error = err;
        return r;
    }
    gme_set_autoload_playback_limit(emu, 0);
    gme_ignore_silence(emu, 1);
    gme_mute_voices(emu, muteMask);
    if (gme_err_t err = gme_start_track(emu, 0))
        r.error = err;
    const size_t frames = size_t(seconds * kRate), chunk = 3200;
    std::vector<short> buf(chunk * 2);
    r.left.reserve(frames);
    r.right.reserve(frames);
    r.mono.reserve(frames);
    for (size_t at = 0; at < frames && r.error.empty(); at += chunk) {
        if (gme_err_t err = gme_play(emu, int(chunk * 2), buf.data()))
            r.error = err;
        for (size_t i = 0; i < chunk; ++i) {
            r.left.push_back(buf[2 * i]);
            r.right.push_back(buf[2 * i + 1]);
            r.mono.push_back(0.5f * (r.left.back() + r.right.back()));
        }
        if (gme_track_ended(emu))
            r.ended = true;
    }
    gme_delete(emu);
    return r;
}

double rms(const std::vector<float> &x, size_t from, size_t count) {
    double s = 0;
    for (size_t i = from; i < from + count && i < x.size(); ++i)
        s += double(x[i]) * x[i];
    return std::sqrt(s / double(count));
}

namespace {

double diff(const std::vector<float> &x, size_t from, size_t count, size_t lag) {
    double s = 0;
    for (size_t i = from; i + lag < from + count; ++i) {
        double d = double(x[i]) - x[i + lag];
        s += d * d;
    }
    return s / double(count - lag);
}

// Minimum of three equally spaced values, by a parabola through them.
double vertex(double a, double b, double c) {
    double den = a - 2 * b + c;
    return den > 0 ? 0.5 * (a - c) / den : 0.0;
}

} // namespace

double detectFrequency(const std::vector<float> &x, size_t from, size_t count) {
    const size_t maxLag = std::min<size_t>(count / 3, 1200);
    std::vector<double> d(maxLag + 2, 0.0), nd(maxLag + 2, 1.0);
    double running = 0;
    for (size_t lag = 1; lag <= maxLag + 1; ++lag) {
        d[lag] = diff(x, from, count, lag);
        running += d[lag];
        nd[lag] = d[lag] * double(lag) / running;
    }
    size_t best = 0;
    for (size_t lag = 4; lag <= maxLag; ++lag) {
        if (nd[lag] < 0.2) {
            while (lag < maxLag && nd[lag + 1] < nd[lag])
                ++lag;
            best = lag;
            break;
        }
    }
    if (!best)
        return 0.0;
    double period = best + vertex(d[best - 1], d[best], d[best + 1]);
    // Refine over k periods: the error of one lag estimate spreads over k periods.
    size_t k = std::max<size_t>(1, size_t((count * 0.6) / period));
    size_t centre = size_t(std::lround(k * period));
    size_t lo = centre > 3 ? centre - 3 : 1, hi = centre + 3;
    size_t arg = lo;
    double m = 1e300;
    for (size_t lag = lo; lag <= hi; ++lag) {
        double v = diff(x, from, count, lag);
        if (v < m)
            m = v, arg = lag;
    }
    double refined = arg + vertex(diff(x, from, count, arg - 1), m, diff(x, from, count, arg + 1));
    return kRate * double(k) / refined;
}

} // namespace musictest
