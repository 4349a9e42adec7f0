#!/usr/bin/env bash
# The Windows game under Wine on a virtual X server, played as a person would: the
# full-screen question (a real message box) answered No, the title menu drawn in an
# 800 x 600 window in many colours, Start Game with its health bar, a walk, each weapon
# and an attack; then standing among the zombies until they kill, the death fade and
# its message, Enter for a new life at the hospital with the bar back, and Escape,
# which ends the game with code 0. That game is recorded, and its demo plays back in
# sync in the Linux build and in the Windows one (started from another folder); the
# Linux build's test demos play back in sync in the Windows one, the room tunes heard as
# they change at room borders. A game without its data and without a sound device still
# plays. Then the X server lost under a game in play: the game ends by itself within a
# few seconds. Last, a display without GL: the game's box says so, and it ends with code 1.
# Usage: play.sh RUN_DIR X11PROBE WINE NATIVE_RUN_DIR DEMOS_DIR TUNE_FINDER
game_dir=$1 probe=$2 wine=$3 native=$4 demos=$5 finder=$6
. "$(dirname "$0")/../x11/driver.sh"
start_x

start_game "$wine" gravewake.exe -record "Z:$work/wine.demo"
open_menu n
look
[ "$colours" -gt 150 ] || fail "the title menu shows only $colours colours"
step "title menu: $colours colours"
start_play
xdotool keydown w sleep 0.5 keyup w
for weapon in 1 2 3; do
    press "$win" $weapon
    xdotool click 1 sleep 0.2
done
running && bar_up || fail "the game ended, or the health bar went, during play"
step "walked and attacked"

# The zombies come for a player who stands still; once the bar is gone, the screen
# fades to red and the death message unrolls; after the fade Enter gives a new life.
dead() { look && [ "$red" -lt 20 ]; }
poll 900 dead || fail "still alive after 90 s among the zombies"
# Everything but the message is a shade of red by now.
sleep 4
look
[ "$white" -gt 100 ] || fail "no death message over the fade ($white white pixels)"
step "dead: the fade in $colours colours, its message in $white white pixels"
# The fade runs 400 frames (10 s at full speed, more on a busy machine).
for _ in $(seq 50); do
    press "$win" Return
    ! poll 10 bar_up || break
done
bar_up || fail "no new life after Enter (${red:-no} red pixels)"
step "a new life"
press "$win" Escape
wait_exit 100 "Escape" 0

# A demo of either build plays back in sync in the other, and in its own.
timedemo() { # WHAT COMMAND...
    run_game "${@:2}"
    [ "$code" = 0 ] && grep -q '^timedemo: frames' "$work/game.out" ||
        fail "$1: exit code $code: $(grep -v ^ALSA "$work/game.err")"
    step "$1: $(cat "$work/game.out")"
}
timedemo "recorded under Wine, played natively" \
    "$native/gravewake" -timedemo "$work/wine.demo" -headless
# Started from another folder, the game finds its data beside itself, and the demo
# where it was started.
game_dir=$work timedemo "recorded under Wine, played under Wine from another folder" \
    "$wine" "Z:$1/gravewake.exe" -timedemo wine.demo
# The rooms demo's music, through SNESAPU.DLL and Wine's wave-out, goes to a recording
# (ALSA's default device a file).
echo "pcm.!default { type file slave.pcm null file \"| cat >> $work/sound.raw\" format raw }" \
    >"$work/record.rc"
for demo in "$demos"/*.demo; do
    timedemo "$(basename "$demo"), played natively" "$native/gravewake" -timedemo "$demo" -headless
    [ "$(basename "$demo")" = rooms.demo ] && record=$work/record.rc || record=
    GRAVEWAKE_ASOUNDRC=$record timedemo "$(basename "$demo"), played under Wine" \
        "$wine" gravewake.exe -timedemo "Z:$demo"
done
# In it, the start room's tune, then another at each room border the demo crosses, each
# known by its first samples.
tunes=$("$finder" "$work/sound.raw" "$game_dir/Game Data/Music/BGM")
[ "$tunes" = "Zombies Skirmish Zombies Skirmish Zombies Arcade" ] ||
    fail "the tunes heard in rooms.demo: \"$tunes\" ($(stat -c %s "$work/sound.raw") bytes)"
step "heard through SNESAPU.DLL: $tunes"

# Without any of its data and without a sound device (ALSA's default one missing), the
# game still shows its menu and plays, silent, and ends with code 0.
mkdir -p "$work/bare/Game Data"
cp "$game_dir/gravewake.exe" "$work/bare/"
echo 'pcm.!default { type hw card 9 }' >"$work/nosound"
game_dir=$work/bare GRAVEWAKE_ASOUNDRC=$work/nosound start_game "$wine" gravewake.exe
open_menu n
start_play
press "$win" Escape
wait_exit 100 "Escape without data or sound" 0
step "without data and sound: played, ended with 0"

start_game "$wine" gravewake.exe
open_menu n
start_play
kill -KILL "$xvfb"
wait "$xvfb" 2>/dev/null
xvfb=
wait_exit 100 "10 s after the display went"
[ "$code" != 0 ] || fail "the display went and the game ended with code 0"
step "display lost: code $code"

# A display without GL: the game says it found no pixel format, and ends with code 1.
start_x -extension GLX
start_game "$wine" gravewake.exe
answer "Start FullScreen?" n
answer ERROR Return
wait_exit 100 "no GL" 1
step "no GL: the box, then code 1"
echo "wine play: all passed"
