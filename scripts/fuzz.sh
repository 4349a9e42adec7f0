#!/usr/bin/env bash
# Fuzzes the readers of outside data: the map file (LoadMap), the pictures (pngBind), the
# tunes (LoadSPC and the emulator library: spc on libgme, spc_own on the project's own
# core, spc_core that core alone) and demos (the demo reader), each a libFuzzer target
# built with clang, AddressSanitizer and UBSan into build-fuzz/. Seeds come from the
# generated game data in build/run/"Game Data" (built first when missing). Usage:
# scripts/fuzz.sh [seconds per target] (default 60). Corpora grow in
# build-fuzz/corpus/<target>; a crash, a hang or a failed check stops that target and
# leaves its input in build-fuzz/findings/<target>.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
targets=${FUZZ_TARGETS:-map png spc spc_own spc_core demo}

"$PWD/scripts/deps.sh"
command -v clang++-14 >/dev/null || {
    echo "fuzz.sh needs clang 14 with libFuzzer: apt-get install -y clang-14" >&2
    exit 1
}
[ -f "build/run/Game Data/Map/Map.txt" ] || scripts/build.sh

CC=clang-14 CXX=clang++-14 cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DGRAVEWAKE_FUZZ=ON >/dev/null
nice cmake --build build-fuzz --target fuzz_map fuzz_png fuzz_spc fuzz_spc_own fuzz_spc_core fuzz_demo

# Seeds: the map cut into short heads (a whole map takes the reader 62,500 records, too
# slow to mutate), every picture, every tune, the test demos cut after a few frames (see
# tests/fuzz/regressions/demo), and the regression files.
data="build/run/Game Data"
seeds=$PWD/build-fuzz/seeds
rm -rf "$seeds"
mkdir -p "$seeds"/{map,png,spc,demo}
for n in 64 512 4096; do head -c $n "$data/Map/Map.txt" >"$seeds/map/head$n"; done
find "$data" -name '*.png' -exec cp {} "$seeds/png/" \;
cp "$data"/Music/BGM/*.spc "$seeds/spc/"
for t in map png spc demo; do
    [ -d tests/fuzz/regressions/$t ] && cp tests/fuzz/regressions/$t/* "$seeds/$t/"
done
ln -sfn spc "$seeds/spc_own" # every core starts from the same tunes
ln -sfn spc "$seeds/spc_core"

declare -A maxlen=([map]=8192 [png]=262144 [spc]=70000 [spc_own]=70000 [spc_core]=70000 [demo]=16384)
export SDL_VIDEODRIVER=offscreen
for t in $targets; do
    corpus=$PWD/build-fuzz/corpus/$t findings=$PWD/build-fuzz/findings/$t
    mkdir -p "$corpus" "$findings"
    log=build-fuzz/fuzz_$t.log
    echo "== $t: $seconds s"
    status=0
    nice -n 19 build-fuzz/fuzz/fuzz_$t "$corpus" "$seeds/$t" -max_total_time="$seconds" \
        -max_len="${maxlen[$t]}" -timeout=10 -rss_limit_mb=4096 -print_final_stats=1 \
        -artifact_prefix="$findings/" >"$log" 2>&1 || status=$?
    grep -E '^(#[0-9]+ +DONE|stat::number_of_executed_units|stat::average_exec_per_sec)' "$log" || true
    if [ $status -ne 0 ]; then
        echo "$t: FAILED (see $log and $findings)"
        tail -40 "$log"
        exit 1
    fi
done
