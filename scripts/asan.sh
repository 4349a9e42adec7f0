#!/usr/bin/env bash
# Builds the game, the emulator library and the game's tests with AddressSanitizer and
# UndefinedBehaviorSanitizer into build-asan/ (the generators, the package and the
# benchmarks stay out: their data is copied from the ordinary build, built first when
# missing) and runs the tests there. Any invalid memory access, leak or undefined
# behaviour in our code fails the run. Leaks inside the system's GL, SDL, font and X
# libraries are suppressed by name in tests/sanitizers/lsan.supp; nothing of ours is.
# The test demos and the hundred changes of resolution, long runs of what the other tests
# cover, are left to the ordinary run, and the soak plays 20,000 of its frames
# (GRAVEWAKE_SOAK_FRAMES). Arguments go to ctest (e.g. -R x11_smoke).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
scripts/deps.sh

flags="-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"
link="-fsanitize=address,undefined"

# The build reads the test lists from the instrumented test programs: the same options
# hold for the build as for the run.
export ASAN_OPTIONS="detect_leaks=1:halt_on_error=1:check_initialization_order=1:strict_init_order=1:detect_stack_use_after_return=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
export LSAN_OPTIONS="suppressions=$root/tests/sanitizers/lsan.supp:print_suppressions=0"
[ -f "build/run/Game Data/Map/Map.txt" ] || scripts/build.sh

# Line tables are all a report needs; full debug information would double the build.
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DGRAVEWAKE_TOOLS=OFF \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" \
    -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O1 -gline-tables-only -DNDEBUG" \
    -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -gline-tables-only -DNDEBUG" \
    -DCMAKE_EXE_LINKER_FLAGS="$link" -DCMAKE_SHARED_LINKER_FLAGS="$link"
nice cmake --build build-asan
rm -rf "build-asan/run/Game Data"
cp -a "build/run/Game Data" build-asan/run/

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
GRAVEWAKE_SOAK_FRAMES=${GRAVEWAKE_SOAK_FRAMES:-20000} ctest --test-dir build-asan --output-on-failure \
    -j2 -E 'TestDemo|AHundredResolutionChanges' "$@"
