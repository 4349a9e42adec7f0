#!/usr/bin/env bash
# The game as a person meets it, on a real (virtual) X server: the full-screen
# question, a titled 800 x 600 window with the title menu, a change of resolution from
# the options screen, a game with its health bar, walking, weapons, attacks and a fresh
# population, and a clean exit (code 0) on Escape, on the window's close button and on
# SIGTERM. Keys and buttons go in through XTEST.
# Last, the swap interval a real GLX context takes: the game asks it not to wait for the
# display's retrace.
# Usage: x11_smoke.sh RUN_DIR X11PROBE TESTS
set -u
run_dir=$1
probe=$2
tests=$3
for tool in Xvfb xdotool; do
    command -v "$tool" >/dev/null || { echo "$tool is not installed"; exit 1; }
done

fail() { echo "FAIL: $*"; exit 1; }

exec 3>/tmp/gravewake-xvfb.$$
# -noreset: our probes come and go, and a server resetting after its last client
# left drops whoever connects meanwhile.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset >/dev/null 2>&1 &
xvfb=$!
# Wait for the server to go: a dying one removes its socket, which may by then belong
# to the next server on the same display number.
cleanup() {
    [ -n "${game:-}" ] && kill -9 "$game" 2>/dev/null
    kill "$xvfb" 2>/dev/null
    wait "$xvfb" 2>/dev/null
    rm -f /tmp/gravewake-xvfb.$$
}
trap cleanup EXIT
for _ in $(seq 100); do
    [ -s /tmp/gravewake-xvfb.$$ ] && break
    sleep 0.1
done
export DISPLAY=:$(head -n1 /tmp/gravewake-xvfb.$$)
[ "$DISPLAY" != ":" ] || fail "Xvfb did not start"
unset SDL_VIDEODRIVER

. "$(dirname "$0")/x11_keys.sh"

start_game() {
    (cd "$run_dir" && exec ./gravewake) &
    game=$!
}

wait_exit() {
    for _ in $(seq 100); do
        kill -0 $game 2>/dev/null || break
        sleep 0.1
    done
    kill -0 $game 2>/dev/null && fail "$1: the game did not end"
    wait $game
    local code=$?
    game=
    [ $code -eq 0 ] || fail "$1: exit code $code"
}

# Answers the message box with this title by a key; a box may be mapped a moment
# before it listens, so the key is pressed again until the box goes.
answer() {
    local box
    read -r box _ < <(wait_window "$1") || fail "no box \"$1\""
    for _ in 1 2 3 4 5; do
        press "$box" "$2"
        for _ in $(seq 20); do
            "$probe" find "$1" >/dev/null || return 0
            sleep 0.1
        done
    done
    fail "box \"$1\" did not take $2"
}

# The game's window after answering the full-screen question (and any follow-up).
open_window() {
    answer "Start FullScreen?" "$1"
    [ -z "${2:-}" ] || answer "OpenGL" "$2"
    read -r win w h < <(wait_window "Hollowmere's Gravewake") || fail "no game window"
    [ "$w" = 800 ] && [ "$h" = 600 ] || fail "client area ${w}x${h}, not 800x600"
}

# 1. No to full screen: the title menu is drawn. Options, right to 1024x768, Accept:
#    the window is made again at that size. Escape ends the game.
start_game
open_window Escape
sleep 0.5
max=$("$probe" max "$win") || fail "cannot read the window"
[ "$max" -gt 0 ] || fail "the menu is not drawn (window all black)"
for key in Down Return Right Down Return; do
    press "$win" "$key"
    sleep 0.2
done
for _ in $(seq 100); do
    read -r win w h < <("$probe" find "Hollowmere's Gravewake") && [ "$w" = 1024 ] && break
    sleep 0.1
done
[ "$w" = 1024 ] && [ "$h" = 768 ] || fail "after Accept the window is ${w}x${h}, not 1024x768"
press "$win" Escape
wait_exit "Escape"

# 2. Into the game: the health bar is up. Walk, choose each weapon and attack with the
#    left button, raise a fresh population with the right one; Escape ends it all.
start_game
open_window Escape
sleep 0.3
press "$win" Return
bar=0
for _ in $(seq 50); do
    bar=$("$probe" bar "$win") || fail "cannot read the window"
    [ "$bar" -gt 300 ] && break
    sleep 0.1
done
[ "$bar" -gt 300 ] || fail "no health bar in the game (${bar} red pixels)"
xdotool keydown w
sleep 0.4
xdotool keyup w
for weapon in 1 2 3; do
    press "$win" $weapon
    xdotool click 1
    sleep 0.2
done
xdotool click 3
sleep 0.3
kill -0 $game 2>/dev/null || fail "the game ended during play"
[ "$("$probe" bar "$win")" -gt 300 ] || fail "the health bar went away during play"
press "$win" Escape
wait_exit "Escape in the game"

# 3. The close button.
start_game
open_window Escape
"$probe" close "$win"
wait_exit "close button"

# 4. Yes to full screen: this display has no 800 x 600 mode, so the game offers
#    windowed mode; Yes again, then SIGTERM.
start_game
open_window Return Return
kill -TERM $game
wait_exit "SIGTERM"

# 5. The GL context on the X server: asked for swap interval 0, and 0 in force after.
swap=$(cd "$run_dir" && SDL_VIDEODRIVER=x11 "$tests" \
    --gtest_filter=WindowTest.EveryContextAsksNotToWaitForTheRetrace 2>&1) ||
    fail "the swap interval on the X server: $swap"
echo "$swap" | grep -q "in force 0" || fail "no swap interval read back: $swap"
echo "$swap" | grep "swap interval:"

echo "x11 smoke: all passed"
