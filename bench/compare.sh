#!/usr/bin/env bash
# The game as it is against an earlier revision, side by side in one run on this machine:
# start-up and frame pacing in play (frame_pacing_bench), the whole game frame at 800 x 600
# and 1600 x 1200 (game_frame_bench), and -timedemo of both test demos. Each measurement
# is taken three times, the two builds in turn, so that both see the same machine. Both
# are Release builds and run this tree's benchmark sources.
#
#   bench/compare.sh [REVISION]   (default: the map as drawn before it was compiled)
set -euo pipefail
cd "$(dirname "$0")/.."
rev=${1:-f50acda}
now=build-rel
before=build-before

build() { # SOURCE BUILD-DIR [CMAKE-ARGUMENTS]: the game, its data and the two benchmarks
    cmake -S "$1" -B "$2" -G Ninja -DCMAKE_BUILD_TYPE=Release "${@:3}" >/dev/null
    cmake --build "$2" --target gravewake snesapu game_art music game_frame_bench \
        frame_pacing_bench >/dev/null
}
build . "$now"
tree=$PWD/build-before-source
git worktree remove --force "$tree" 2>/dev/null || rm -rf "$tree"
trap 'git worktree remove --force "$tree"' EXIT
git worktree add --detach "$tree" "$rev" >/dev/null 2>&1
cp bench/game_frame_bench.cpp bench/frame_pacing.cpp bench/Places.h "$tree/bench/"
build "$tree" "$before" -DCMAKE_CXX_FLAGS=-DTODAYS_DRAWING

# Runs a command in each build's run directory in turn, three times, and prints the lines
# it prints that match the pattern.
turns() { # PATTERN COMMAND...
    for round in 1 2 3; do
        for b in "$before" "$now"; do
            printf '%-7s ' "$([ "$b" = "$now" ] && echo now || echo before)"
            (cd "$b/run" && "${@:2}" 2>/dev/null | grep -E "$1" | tr '\n' ' ') || true
            echo
        done
    done
}
echo "== start-up and frame pacing in play (frame_pacing_bench 400 play)"
turns 'start-up|period' ./frame_pacing_bench 400 play
for size in "800 600" "1600 1200"; do
    echo "== the whole game frame at ${size/ / x }, medians of the 8 places (game_frame_bench 10 $size)"
    turns '^all' ./game_frame_bench 10 $size
done
for demo in combat rooms; do
    echo "== -timedemo $demo.demo"
    turns '^timedemo' ./gravewake -timedemo "$PWD/tests/demos/$demo.demo" -headless
done
