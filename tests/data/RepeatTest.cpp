// The generator makes the same bytes on every run, and the same as the build put in the
// run directory: no time stamps, no unseeded randomness.
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
        if (!e.is_regular_file()) continue;
        std::ifstream in(e.path(), std::ios::binary);
        files[fs::relative(e.path(), root).string()] =
            std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    return files;
}

fs::path freshDir(const char *name) {
    fs::path p = fs::temp_directory_path() / ("gravewake-art-" + std::to_string(::getpid()) + name);
    fs::remove_all(p);
    return p;
}

int generate(const fs::path &out) {
    std::string cmd = std::string("'") + GRAVEWAKE_ART + "' '" + out.string() + "'";
    return std::system(cmd.c_str());
}

} // namespace

TEST(Generator, TwoRunsWriteIdenticalBytes) {
    fs::path a = freshDir("-a"), b = freshDir("-b");
    ASSERT_EQ(generate(a), 0);
    ASSERT_EQ(generate(b), 0);
    auto first = readTree(a), second = readTree(b);
    EXPECT_EQ(first.size(), 101u); // 100 pictures and the map
    ASSERT_EQ(first.size(), second.size());
    for (const auto &[name, bytes] : first) {
        auto it = second.find(name);
        ASSERT_NE(it, second.end()) << name;
        EXPECT_TRUE(bytes == it->second) << name << " differs between runs";
    }
    // And the build's own copy is the same.
    auto built = readTree("Game Data");
    for (const auto &[name, bytes] : first) {
        auto it = built.find(name);
        ASSERT_NE(it, built.end()) << name << " is not in the run directory";
        EXPECT_TRUE(bytes == it->second) << name << " differs from the built one";
    }
    fs::remove_all(a);
    fs::remove_all(b);
}
