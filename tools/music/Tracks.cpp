#include "Tracks.h"

#include "Driver.h"
#include "SpcFile.h"

#include <fstream>
#include <sstream>
#include <stdexcept>

namespace music {

const std::vector<std::string> &trackNames() {
    static const std::vector<std::string> names = {"Zombies",  "Drugstore", "Orchard",  "Carnival",
                                                   "Arcade",   "Skyward",   "Cottage",  "Meadow",
                                                   "Hospital", "Roadhouse", "Defeated", "Skirmish"};
    return names;
}

std::vector<uint8_t> buildSpc(const std::string &text, const std::string &fileName,
                              TuneResult *info) {
    TuneResult r = compileTune(text, fileName);
    ChipImage img = buildChipImage(r.song);
    std::vector<uint8_t> file = makeSpcFile(img, r.song.title);
    if (info) *info = std::move(r);
    return file;
}

std::string readTextFile(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

} // namespace music
