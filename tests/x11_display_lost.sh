#!/usr/bin/env bash
# Losing the display ends the game at once: the X server is killed (SIGKILL, and the
# ordinary SIGTERM) while the title menu is up, during play, and while the game is
# closing on SIGTERM (right after it, and a little later). Each time the game must be
# gone within 2 s, with a non-zero exit code and one line of its own on stderr saying
# that the display was lost, and nothing from Xlib. A game that had already finished
# closing when the server went may instead end cleanly: code 0, nothing on stderr.
# Last, no display at all from the start: no window can be made, and that is no success.
# The sound runs on SDL's dummy driver, so its thread is there too.
# Usage: x11_display_lost.sh RUN_DIR X11PROBE
game_dir=$1 probe=$2
. "$(dirname "$0")/x11/driver.sh"

# STAGE is menu, play or closing; when closing, AFTER is the pause in seconds between
# SIGTERM to the game and the signal to the server (otherwise it only names the round).
lose() { # STAGE SIGNAL AFTER
    local name=$1/$2/$3 lines ours
    start_x
    start_game ./gravewake
    open_menu
    case $1 in
    play) start_play && xdotool keydown w sleep 0.2 ;;
    closing) kill -TERM "$game" && { [ "$3" = 0 ] || sleep "$3"; } ;;
    esac
    kill -"$2" "$xvfb"
    [ "$2" = TERM ] || wait "$xvfb" 2>/dev/null # gone at once; quiet about it
    wait_exit 20 "$name: 2 s after the display went"
    stop_x
    # The game's warning about the swap interval may come first on some displays.
    lines=$(grep -vc "stop waiting for its retrace" "$work/game.err")
    ours=$(grep -c "^gravewake: .*connection to the display" "$work/game.err")
    ! grep -qiE "^X connection|XIO:|X Error" "$work/game.err" || fail "$name: Xlib speaks on stderr"
    if [ "$1" = closing ] && [ "$3" != 0 ] && [ "$code" = 0 ] && [ "$lines" = 0 ]; then
        echo "$name: closed before the display went (code 0)"
        return
    fi
    [ "$code" != 0 ] && [ "$code" -le 128 ] || fail "$name: exit code $code"
    [ "$lines" = 1 ] && [ "$ours" = 1 ] || fail "$name: stderr is not one line about the display"
    echo "$name: code $code, $(cat "$work/game.err")"
}

for sig in KILL TERM; do
    for round in 1 2; do
        lose menu $sig $round
        lose play $sig $round
    done
    for after in 0 0.01 0.03 0.1; do
        lose closing $sig $after
    done
done

start_game env -u DISPLAY -u WAYLAND_DISPLAY SDL_VIDEODRIVER=x11 ./gravewake
wait_exit 200 "no display"
[ "$code" != 0 ] || fail "no display: exit code 0"
echo "no display: code $code; display lost: all passed"
