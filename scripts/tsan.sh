#!/usr/bin/env bash
# Builds the music tests (emulator library, wave-out device, SPC player, room music) with
# ThreadSanitizer into build-tsan/ and runs them; any data race fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
flags="-fsanitize=thread -fno-omit-frame-pointer"
cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DGRAVEWAKE_TOOLS=OFF \
    -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" \
    -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O1 -g1 -DNDEBUG" -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1 -DNDEBUG" \
    -DCMAKE_EXE_LINKER_FLAGS=-fsanitize=thread -DCMAKE_SHARED_LINKER_FLAGS=-fsanitize=thread
cmake --build build-tsan --target gravewake_audio_tests snesapu
TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
    ctest --test-dir build-tsan -L audio --output-on-failure -j2
