#!/usr/bin/env bash
# The game as a person meets it, on a real (virtual) X server: the full-screen
# question, a titled 800 x 600 window with the title menu, a change of resolution from
# the options screen, a game with its health bar, walking, weapons, attacks and a fresh
# population, and a clean exit (code 0) on Escape, on the window's close button and on
# SIGTERM. Keys and buttons go in through XTEST.
# Last, the swap interval a real GLX context takes: the game asks it not to wait for the
# display's retrace.
# Usage: x11_smoke.sh RUN_DIR X11PROBE TESTS
game_dir=$1 probe=$2 tests=$3
. "$(dirname "$0")/x11/driver.sh"
start_x

# 1. No to full screen: the title menu. Options, right to 1024x768, Accept: the window
#    is made again at that size. Escape ends the game.
resized() { find_window "$title" && [ "${w}x$h" = 1024x768 ]; }
start_game ./gravewake
open_menu
press "$win" Down Return Right Down Return
poll 100 resized || fail "after Accept the window is ${w:-gone}x${h:-}, not 1024x768"
press "$win" Escape
wait_exit 100 "Escape" 0

# 2. Into the game: the health bar is up. Walk, choose each weapon and attack with the
#    left button, raise a fresh population with the right one; Escape ends it all.
start_game ./gravewake
open_menu
start_play
xdotool keydown w sleep 0.4 keyup w
for weapon in 1 2 3; do
    press "$win" $weapon
    xdotool click 1 sleep 0.2
done
xdotool click 3 sleep 0.3
running || fail "the game ended during play"
bar_up || fail "the health bar went away during play"
press "$win" Escape
wait_exit 100 "Escape in the game" 0

# 3. The close button.
start_game ./gravewake
open_menu
"$probe" close "$win"
wait_exit 100 "close button" 0

# 4. Yes to full screen: this display has no 800 x 600 mode, so the game offers
#    windowed mode; Yes again, then SIGTERM.
start_game ./gravewake
open_menu Return Return
kill -TERM "$game"
wait_exit 100 "SIGTERM" 0

# 5. The GL context on the X server: asked for swap interval 0, and 0 in force after.
swap=$(cd "$game_dir" && SDL_VIDEODRIVER=x11 "$tests" \
    --gtest_filter=WindowTest.EveryContextAsksNotToWaitForTheRetrace 2>&1) ||
    fail "the swap interval on the X server: $swap"
grep "swap interval:" <<<"$swap" && grep -q "in force 0" <<<"$swap" ||
    fail "no swap interval read back: $swap"
echo "x11 smoke: all passed"
