// The generator makes the same files and bytes as the build put in the run directory: no
// time stamps, no unseeded randomness, and nothing left over under an older name for the
// picture checks to find.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

std::map<std::string, std::string> readTree(const fs::path &root) {
    std::map<std::string, std::string> files;
    for (const auto &e : fs::recursive_directory_iterator(root)) {
        if (!e.is_regular_file())
            continue;
        std::ifstream in(e.path(), std::ios::binary);
        files[fs::relative(e.path(), root).string()] =
            std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    return files;
}

} // namespace

TEST(Generator, ARunWritesTheSameBytesAsTheBuild) {
    const fs::path out =
        fs::temp_directory_path() / ("gravewake-art-" + std::to_string(::getpid()));
    fs::remove_all(out);
    ASSERT_EQ(std::system(("'" GRAVEWAKE_ART "' '" + out.string() + "'").c_str()), 0);
    auto fresh = readTree(out), built = readTree("Game Data");
    fs::remove_all(out);
    EXPECT_EQ(fresh.size(), 101u); // 100 pictures and the map
    for (const auto &[name, bytes] : fresh)
        EXPECT_TRUE(built.count(name) && built[name] == bytes)
            << name << " differs from the build's";
    for (const auto &[name, bytes] : built)
        EXPECT_TRUE(fresh.count(name) || name.rfind("Music/", 0) == 0)
            << name << " is not made any more";
}
