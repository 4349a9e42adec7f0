// Builds the game's tunes: make_music TUNE_DIR OUT_DIR [-v]
// Compiles TUNE_DIR/<name>.tune for every room and writes OUT_DIR/<name>.spc.
// With -v it prints each tune's loop length and memory use.
// make_music --pitch-test TUNE_FILE OUT_FILE writes the tuning test tune instead.
#include "Tracks.h"

#include <cstdio>
#include <exception>
#include <fstream>
#include <string>

namespace {

void writeFile(const std::string &path, const std::vector<uint8_t> &bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char *>(bytes.data()), std::streamsize(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path);
}

} // namespace

int main(int argc, char **argv) {
    try {
        if (argc == 4 && std::string(argv[1]) == "--pitch-test") {
            writeFile(argv[3], music::buildSpc(music::readTextFile(argv[2]), argv[2]));
            return 0;
        }
        if (argc < 3) {
            std::fprintf(stderr, "usage: make_music TUNE_DIR OUT_DIR [-v]\n");
            return 2;
        }
        bool verbose = argc > 3 && std::string(argv[3]) == "-v";
        for (const std::string &name : music::trackNames()) {
            std::string src = std::string(argv[1]) + "/" + name + ".tune";
            music::TuneResult info;
            std::vector<uint8_t> spc = music::buildSpc(music::readTextFile(src), src, &info);
            if (info.song.title != name) throw std::runtime_error(src + ": title must be " + name);
            double loop = info.song.loopSeconds();
            if (loop < 20.0 || loop > 90.0)
                throw std::runtime_error(src + ": loop of " + std::to_string(loop) +
                                         " s, wanted 20 to 90");
            writeFile(std::string(argv[2]) + "/" + name + ".spc", spc);
            if (verbose) {
                size_t data = 0;
                for (const auto &c : info.song.channels)
                    data += c.bytes.size();
                std::printf("%-10s intro %5.1f s  loop %5.1f s  %zu channels  %zu stream bytes\n",
                            name.c_str(), info.song.introSeconds(), loop, info.song.channels.size(),
                            data);
            }
        }
        return 0;
    } catch (const std::exception &e) {
        std::fprintf(stderr, "make_music: %s\n", e.what());
        return 1;
    }
}
