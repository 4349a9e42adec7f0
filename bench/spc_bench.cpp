// The emulator library's two cores side by side: each of the twelve tunes rendered for
// 60 s of music, 100 ms at a time as the game's audio thread asks, by the libgme library
// and by the own one; the best of three runs each. The share of a core is the time a
// second of music takes to render: what the game's audio thread spends on music. Run it
// from the run directory (it reads the tunes from "Game Data").
#include "../tests/SpcLibrary.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

// Seconds to render a minute of the tune, the best of three.
double Minute(const SpcLibrary &library, const std::vector<uint8_t> &image) {
    double best = 1e9;
    for (int run = 0; run < 3; run++) {
        const auto start = std::chrono::steady_clock::now();
        library.render(image, 60 * 32000);
        best = std::min(
            best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    return best;
}

} // namespace

int main() {
    const SpcLibrary gme(GME_LIBRARY), own(OWN_LIBRARY);
    if (!gme.ok() || !own.ok()) {
        std::fprintf(stderr, "spc_bench: the libraries %s and %s are needed\n", GME_LIBRARY,
                     OWN_LIBRARY);
        return 1;
    }
    std::vector<std::filesystem::path> tunes;
    for (const auto &entry : std::filesystem::directory_iterator("Game Data/Music/BGM"))
        tunes.push_back(entry.path());
    std::sort(tunes.begin(), tunes.end());
    if (tunes.empty()) {
        std::fprintf(stderr, "spc_bench: no tunes: run it from the run directory\n");
        return 1;
    }
    std::printf("%-14s %10s %10s %7s\n", "60 s of", "libgme ms", "own ms", "own/gme");
    double totalGme = 0, totalOwn = 0;
    for (const auto &tune : tunes) {
        const std::vector<uint8_t> image = SpcLibrary::ReadImage(tune);
        const double g = Minute(gme, image), o = Minute(own, image);
        totalGme += g, totalOwn += o;
        std::printf("%-14s %10.1f %10.1f %7.2f\n", tune.filename().c_str(), g * 1000, o * 1000,
                    o / g);
    }
    const double minutes = double(tunes.size());
    std::printf("%-14s %10.1f %10.1f %7.2f\n", "all", totalGme * 1000, totalOwn * 1000,
                totalOwn / totalGme);
    std::printf("share of a core for music: libgme %.2f %%, own %.2f %%\n",
                100 * totalGme / (60 * minutes), 100 * totalOwn / (60 * minutes));
    return 0;
}
