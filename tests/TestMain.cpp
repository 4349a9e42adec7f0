// The tests run headless: SDL's offscreen video (a real Mesa GL context without an X
// server) and its dummy audio, unless the environment asks for another driver. (The
// Windows build's tests need neither.)
#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char **argv) {
#ifndef _WIN32
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
#endif
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
