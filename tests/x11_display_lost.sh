#!/usr/bin/env bash
# Losing the display ends the game at once: the X server is killed (SIGKILL, and the
# ordinary SIGTERM) while the title menu is up, during play, and while the game is
# closing on SIGTERM (right after it, and a little later). Each time the game must be
# gone within 2 s, with a non-zero exit code and one line of its own on stderr saying
# that the display was lost, and nothing from Xlib. A game that had already finished
# closing when the server went may instead end cleanly: code 0, nothing on stderr.
# The sound runs on SDL's dummy driver, so its thread is there too.
# Usage: x11_display_lost.sh RUN_DIR X11PROBE
set -u
run_dir=$1
probe=$2
for tool in Xvfb xdotool; do
    command -v "$tool" >/dev/null || { echo "$tool is not installed"; exit 1; }
done

work=$(mktemp -d /tmp/gravewake-lost.XXXXXX)
game=
xvfb=
cleanup() {
    [ -n "$game" ] && kill -9 "$game" 2>/dev/null
    [ -n "$xvfb" ] && kill -9 "$xvfb" 2>/dev/null
    [ -n "$game" ] && wait "$game" 2>/dev/null
    [ -n "$xvfb" ] && wait "$xvfb" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 2' INT TERM HUP

failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

# A server of our own for each run: the runs kill it.
start_x() {
    rm -f "$work/displayfd"
    exec 3>"$work/displayfd"
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset >/dev/null 2>&1 &
    xvfb=$!
    exec 3>&-
    for _ in $(seq 100); do
        [ -s "$work/displayfd" ] && break
        sleep 0.05
    done
    [ -s "$work/displayfd" ] || {
        kill -9 "$xvfb" 2>/dev/null
        wait "$xvfb" 2>/dev/null
        xvfb=
        return 1
    }
    DISPLAY=:$(head -n1 "$work/displayfd")
    export DISPLAY
}

. "$(dirname "$0")/x11_keys.sh"

# No to full screen; prints the game window's id once it is up.
open_game() {
    local box win
    read -r box _ < <(wait_window "Start FullScreen?" "$game") || return 1
    for _ in 1 2 3 4 5; do
        press "$box" Escape
        read -r win _ < <(wait_window "Hollowmere's Gravewake" "$game") && {
            echo "$win"
            return 0
        }
    done
    return 1
}

# run NAME STAGE SIGNAL DELAY: STAGE is menu, play or closing; DELAY is the pause in
# seconds between SIGTERM to the game and the signal to the server when closing.
run() {
    local name=$1 stage=$2 sig=$3 delay=$4 win code lines ours
    local err=$work/stderr
    game=
    start_x || {
        fail "$name: Xvfb did not start"
        return
    }
    (cd "$run_dir" && SDL_AUDIODRIVER=dummy exec ./gravewake 2>"$err" >/dev/null) &
    game=$!
    win=$(open_game) || {
        fail "$name: the game window did not open"
        kill -9 "$game" "$xvfb" 2>/dev/null
        wait "$game" 2>/dev/null
        wait "$xvfb" 2>/dev/null
        game=''
        xvfb=''
        return
    }
    sleep 0.2
    if [ "$stage" = play ]; then
        press "$win" Return
        local bar=0
        for _ in $(seq 50); do
            bar=$("$probe" bar "$win") || bar=0
            [ "$bar" -gt 300 ] && break
            sleep 0.05
        done
        [ "$bar" -gt 300 ] || fail "$name: the game did not start"
        xdotool keydown w
        sleep 0.2
    fi
    if [ "$stage" = closing ]; then
        kill -TERM "$game"
        [ "$delay" = 0 ] || sleep "$delay"
    fi
    kill -"$sig" "$xvfb"
    [ "$sig" = KILL ] && wait "$xvfb" 2>/dev/null # gone at once; quiet about it
    local gone=0
    for _ in $(seq 40); do
        kill -0 "$game" 2>/dev/null || {
            gone=1
            break
        }
        sleep 0.05
    done
    if [ $gone = 0 ]; then
        fail "$name: the game still runs 2 s after the display went" \
            "($(ps -o stat=,pcpu= -p "$game") state, % cpu)"
        kill -9 "$game"
    fi
    wait "$game" 2>/dev/null
    code=$?
    game=
    kill -9 "$xvfb" 2>/dev/null
    wait "$xvfb" 2>/dev/null
    xvfb=
    [ $gone = 1 ] || return

    # The game's warning about the swap interval may come first on some displays.
    lines=$(grep -v -c "stop waiting for its retrace" "$err")
    ours=$(grep -c "^gravewake: .*connection to the display" "$err")
    if grep -q -i -E "^X connection|XIO:|X Error" "$err"; then
        fail "$name: Xlib speaks on stderr: $(head -c 300 "$err")"
    elif [ "$stage" = closing ] && [ "$delay" != 0 ] && [ $code -eq 0 ] && [ "$lines" -eq 0 ]; then
        echo "$name: closed before the display went (code 0)"
    elif [ $code -eq 0 ] || [ $code -gt 128 ]; then
        fail "$name: exit code $code; stderr: $(head -c 300 "$err")"
    elif [ "$lines" -ne 1 ] || [ "$ours" -ne 1 ]; then
        fail "$name: stderr is not one line about the display: $(head -c 300 "$err")"
    else
        echo "$name: code $code, $(grep "connection to the display" "$err")"
    fi
}

for round in 1 2; do
    for sig in KILL TERM; do
        run "menu/$sig/$round" menu $sig 0
        run "play/$sig/$round" play $sig 0
    done
done
for sig in KILL TERM; do
    for delay in 0 0.01 0.03 0.1; do
        run "closing/$sig/$delay" closing $sig $delay
    done
done

# No display at all, from the start: no window can be made, and that is no success.
if [ ! -e "$run_dir/gravewake" ]; then
    fail "no game at $run_dir/gravewake"
else
    (cd "$run_dir" && env -u DISPLAY -u WAYLAND_DISPLAY SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=dummy \
        timeout 20 ./gravewake >"$work/none.out" 2>"$work/none.err" </dev/null)
    code=$?
    if [ $code -eq 0 ] || [ $code -eq 124 ]; then
        fail "no display: exit code $code"
    else
        echo "no display: code $code"
    fi
fi

[ $failures -eq 0 ] || {
    echo "$failures failed"
    exit 1
}
echo "display lost: all passed"
