#!/usr/bin/env bash
# Builds everything (the game, the emulator library, the data and music generators and
# every test) with AddressSanitizer and UndefinedBehaviorSanitizer into build-asan/, and
# runs every test that ctest lists there. Any invalid memory access, leak or undefined
# behaviour in our code fails the run. Leaks inside the system's GL, SDL, font and X
# libraries are suppressed by name in tests/sanitizers/lsan.supp; nothing of ours is.
# Arguments go to ctest (e.g. -R x11_smoke).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
scripts/deps.sh

flags="-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"
link="-fsanitize=address,undefined"

# The generators run during the build and the test lists are read from the test
# programs then, all instrumented: the same options hold for the build as for the run.
export ASAN_OPTIONS="detect_leaks=1:halt_on_error=1:check_initialization_order=1:strict_init_order=1:detect_stack_use_after_return=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
export LSAN_OPTIONS="suppressions=$root/tests/sanitizers/lsan.supp:print_suppressions=0"
# The soak plays all of its 100,000 frames here too (about 9 ms a frame, some 15 minutes,
# side by side with the other tests): a long game without a finding is what it is for.
# GRAVEWAKE_SOAK_FRAMES shortens it for a quick run.

cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" \
    -DCMAKE_EXE_LINKER_FLAGS="$link" -DCMAKE_SHARED_LINKER_FLAGS="$link"
nice cmake --build build-asan

# Mesa's EGL and GLX front ends and its software driver are loaded with dlopen and
# unloaded again when SDL closes the GL library; what they still held from their own
# globals then looks leaked, from code that can no longer be named. Loaded up front they
# stay until the process ends: those blocks stay reachable and every frame keeps its name.
lib=/usr/lib/$(gcc -print-multiarch)
preload=
for mesa in "$lib/libEGL_mesa.so.0" "$lib/libGLX_mesa.so.0" "$lib/dri/swrast_dri.so"; do
    [ -e "$mesa" ] && preload="$preload $mesa"
done
export LD_PRELOAD="${preload# }"
ctest --test-dir build-asan --output-on-failure -j2 "$@"
