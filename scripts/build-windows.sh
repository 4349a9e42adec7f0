#!/usr/bin/env bash
# Builds the 64-bit Windows game with MinGW-w64 into build-win/run/: gravewake.exe (its C
# and C++ runtimes linked in) and "Game Data", which the native build in build/ generates.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh
cmake -S . -B build-win -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
    -DCMAKE_BUILD_TYPE=Release -DGRAVEWAKE_NATIVE_BUILD="$PWD/build"
cmake --build build-win
# The zip and the installer (packaging/windows), beside the build: gravewake-VERSION-*.
(cd build-win && cpack)
