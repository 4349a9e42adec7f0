// The process's open file descriptors, from /proc/self/fd, for tests that check that
// what the game repeats gives back every file it opens.
#pragma once

#include <gtest/gtest.h>

#include <dirent.h>
#include <unistd.h>

#include <cstdlib>
#include <map>
#include <sstream>
#include <string>

// The open descriptors of this process and what each one refers to.
inline std::map<int, std::string> OpenDescriptors() {
    std::map<int, std::string> open;
    DIR *dir = opendir("/proc/self/fd");
    if (!dir)
        return open;
    const int own = dirfd(dir);
    while (dirent *entry = readdir(dir)) {
        if (entry->d_name[0] == '.')
            continue;
        const int fd = std::atoi(entry->d_name);
        if (fd == own)
            continue;
        char target[512] = {};
        const std::string link = std::string("/proc/self/fd/") + entry->d_name;
        const ssize_t n = readlink(link.c_str(), target, sizeof target - 1);
        open[fd] = n > 0 ? std::string(target, size_t(n)) : "?";
    }
    closedir(dir);
    return open;
}

// The descriptors in `after` that were not open in `before`, for the failure message.
inline std::string Opened(const std::map<int, std::string> &before,
                          const std::map<int, std::string> &after) {
    std::ostringstream out;
    int shown = 0;
    for (const auto &fd : after)
        if (!before.count(fd.first) && shown++ < 10)
            out << "\n  fd " << fd.first << " -> " << fd.second;
    for (const auto &fd : before)
        if (!after.count(fd.first) && shown++ < 10)
            out << "\n  closed: fd " << fd.first << " -> " << fd.second;
    if (shown > 10)
        out << "\n  ... and " << shown - 10 << " more";
    return out.str();
}

#define EXPECT_SAME_DESCRIPTORS(before, after)                                                     \
    EXPECT_EQ((after).size(), (before).size()) << Opened((before), (after))
