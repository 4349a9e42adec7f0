// Renders an .spc file to a 16-bit stereo WAV at 32000 Hz for listening:
//   render_tune TUNE.spc OUT.wav [SECONDS] [VOICE]
// SECONDS defaults to 90; VOICE (0-7) plays that voice alone. Prints the peak and the
// loudness of each ten seconds.
#include <gme/gme.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace {

void put32(std::ofstream &o, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        o.put(static_cast<char>((v >> (8 * i)) & 0xFF));
}
void put16(std::ofstream &o, uint16_t v) {
    o.put(static_cast<char>(v & 0xFF));
    o.put(static_cast<char>(v >> 8));
}

} // namespace

int main(int argc, char **argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: render_tune TUNE.spc OUT.wav [SECONDS] [VOICE]\n");
        return 2;
    }
    const long rate = 32000;
    double seconds = argc > 3 ? std::atof(argv[3]) : 90.0;
    Music_Emu *emu = nullptr;
    if (gme_err_t err = gme_open_file(argv[1], &emu, rate)) {
        std::fprintf(stderr, "render_tune: %s\n", err);
        return 1;
    }
    gme_set_autoload_playback_limit(emu, 0); // no fade: the tune loops for ever
    gme_ignore_silence(emu, 1);
    if (argc > 4) gme_mute_voices(emu, 0xFF & ~(1 << std::atoi(argv[4])));
    gme_start_track(emu, 0);

    const long frames = static_cast<long>(seconds * rate);
    std::vector<short> pcm(static_cast<size_t>(frames) * 2);
    for (long at = 0; at < frames; at += rate / 10) {
        long n = std::min(rate / 10, frames - at);
        gme_play(emu, static_cast<int>(n * 2), &pcm[static_cast<size_t>(at) * 2]);
    }
    gme_delete(emu);

    std::ofstream o(argv[2], std::ios::binary);
    o.write("RIFF", 4);
    put32(o, 36 + static_cast<uint32_t>(pcm.size() * 2));
    o.write("WAVEfmt ", 8);
    put32(o, 16);
    put16(o, 1);
    put16(o, 2);
    put32(o, rate);
    put32(o, rate * 4);
    put16(o, 4);
    put16(o, 16);
    o.write("data", 4);
    put32(o, static_cast<uint32_t>(pcm.size() * 2));
    for (short s : pcm)
        put16(o, static_cast<uint16_t>(s));
    if (!o) {
        std::fprintf(stderr, "render_tune: cannot write %s\n", argv[2]);
        return 1;
    }

    int peak = 0;
    for (short s : pcm)
        peak = std::max(peak, std::abs(int(s)));
    std::printf("%s: %.1f s, peak %d (%.1f dBFS)\n", argv[2], seconds, peak,
                20 * std::log10(std::max(peak, 1) / 32768.0));
    for (long s = 0; s + 10 * rate <= frames; s += 10 * rate) {
        double sum = 0;
        for (long i = s * 2; i < (s + 10 * rate) * 2; ++i)
            sum += double(pcm[i]) * pcm[i];
        double rms = std::sqrt(sum / (20.0 * rate));
        std::printf("  %3ld-%3ld s  rms %6.0f (%.1f dBFS)\n", s / rate, s / rate + 10, rms,
                    20 * std::log10(std::max(rms, 1.0) / 32768.0));
    }
    return 0;
}
