#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test, the soak at its full 100,000
# frames; then the music tests again under ThreadSanitizer (scripts/tsan.sh, its own build
# in build-tsan/), where a data race between the game thread and the audio thread fails
# the command; last, the game's tests under AddressSanitizer and UndefinedBehaviorSanitizer
# (scripts/asan.sh, its own build in build-asan/, a shorter soak), where a bad memory
# access, a leak or undefined behaviour fails it. Then the Windows build (MinGW-w64, in
# build-win/) and its tests under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh
ctest --test-dir build --output-on-failure -j2
scripts/tsan.sh
scripts/asan.sh
scripts/build-windows.sh
ctest --test-dir build-win --output-on-failure -j2
