#!/usr/bin/env bash
# Re-records the test demos in tests/demos/ from their scripted games (tests/DemoTest.cpp),
# for when a change to the game is meant to change how it plays. Raise kLogicVersion in
# app/Demo.h with such a change, so that demos of the old game are refused, not
# reported out of sync. Then check the new demos play back, and commit them.
set -euo pipefail
cd "$(dirname "$0")/.."
[ -x build/tests/gravewake_tests ] || scripts/build.sh
nice cmake --build build --target gravewake_tests gravewake
folder=$PWD/tests/demos
(cd build/run && GRAVEWAKE_RECORD_DEMOS=$folder SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy \
    ../tests/gravewake_tests --gtest_filter=DemoRecording.RecordTheTestDemos)
for f in "$folder"/*.demo; do
    (cd build/run && SDL_AUDIODRIVER=dummy ./gravewake -timedemo "$f" -headless)
done
