#!/usr/bin/env bash
# Takes the README's pictures of the game in play into docs/: the game runs in a window
# on a virtual X server (Xvfb) and ImageMagick's import captures it. Needs xvfb and
# imagemagick (apt-get install -y xvfb imagemagick) and a build (scripts/build.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
docs=$PWD/docs
exec 3>/tmp/gravewake-shots.$$
Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null; rm -f /tmp/gravewake-shots.$$' EXIT
for _ in $(seq 100); do
    [ -s /tmp/gravewake-shots.$$ ] && break
    sleep 0.1
done
export DISPLAY=:$(head -n1 /tmp/gravewake-shots.$$)
unset SDL_VIDEODRIVER
cd build/run
SDL_AUDIODRIVER=dummy ./screenshots "$docs"
