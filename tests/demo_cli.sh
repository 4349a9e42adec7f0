#!/usr/bin/env bash
# The demo commands of the game program itself: the timedemo of a test demo, headless,
# as a smoke run (its one line for scripts, exit code 0; not timed); every refusal with
# one line on stderr and its own exit code; and, on a virtual X server, a game recorded
# as a person plays it and ended by SIGTERM, and one killed outright, both played back
# in sync (the killed one up to where its file ends); last, a demo played back in a
# window, where the viewer's keys do nothing but Escape, which ends it.
# Usage: demo_cli.sh RUN_DIR X11PROBE DEMOS_DIR
set -u
run_dir=$1
probe=$2
demos=$3
work=$(mktemp -d /tmp/gravewake-demo-cli.XXXXXX)
fail() { echo "FAIL: $*"; exit 1; }

# Runs the game from its folder with the output kept; sets code.
game() {
    (cd "$run_dir" && SDL_AUDIODRIVER=dummy exec ./gravewake "$@") >"$work/out" 2>"$work/err"
    code=$?
}

# A refusal: this exit code and exactly one line on stderr, nothing on stdout.
refused() {
    local want=$1
    shift
    game "$@"
    [ "$code" -eq "$want" ] || fail "gravewake $*: exit code $code, not $want"
    [ "$(wc -l <"$work/err")" -eq 1 ] || fail "gravewake $*: stderr is not one line: $(cat "$work/err")"
    [ ! -s "$work/out" ] || fail "gravewake $*: wrote to stdout"
    echo "ok ($want): $(cat "$work/err")"
}

timedemo_line='^timedemo: frames [0-9]+ median_ms [0-9.]+ p99_ms [0-9.]+ worst_ms [0-9.]+ fps [0-9.]+$'

# 1. The timedemo of a test demo, headless.
game -timedemo "$demos/rooms.demo" -headless
[ "$code" -eq 0 ] || fail "timedemo: exit code $code: $(cat "$work/err")"
[ "$(wc -l <"$work/out")" -eq 1 ] && grep -Eq "$timedemo_line" "$work/out" ||
    fail "timedemo printed: $(cat "$work/out")"
echo "ok: $(cat "$work/out")"

# 2. Refusals.
refused 2 -record
refused 2 -playdemo
refused 2 -warp 1
refused 2 -record "$work/a.demo" -playdemo "$demos/rooms.demo"
refused 2 -headless
refused 3 -record "$work/no/such/folder/a.demo"
refused 3 -playdemo "$work/missing.demo"
head -c 1000 /bin/sh >"$work/foreign.demo"
refused 4 -timedemo "$work/foreign.demo" -headless
head -c 5000 "$demos/rooms.demo" >"$work/cut.demo"
refused 4 -timedemo "$work/cut.demo" -headless
cp "$demos/rooms.demo" "$work/bad.demo"
printf '\x55' | dd of="$work/bad.demo" bs=1 seek=3000 conv=notrunc 2>/dev/null
refused 4 -playdemo "$work/bad.demo" -headless

# 3. Recorded on a virtual X server, as a person plays.
for tool in Xvfb xdotool; do
    command -v "$tool" >/dev/null || { echo "$tool is not installed: no recording on X"; exit 0; }
done
exec 3>"$work/xvfb"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset >/dev/null 2>&1 &
xvfb=$!
cleanup() {
    [ -n "${pid:-}" ] && kill -9 "$pid" 2>/dev/null
    kill "$xvfb" 2>/dev/null
    wait "$xvfb" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
for _ in $(seq 100); do
    [ -s "$work/xvfb" ] && break
    sleep 0.1
done
export DISPLAY=:$(head -n1 "$work/xvfb")
[ "$DISPLAY" != ":" ] || fail "Xvfb did not start"

. "$(dirname "$0")/x11_keys.sh"
# Records a short game: No to full screen, Start Game, a walk, a strike; then the signal.
record() {
    (cd "$run_dir" && SDL_AUDIODRIVER=dummy exec ./gravewake -record "$1") &
    pid=$!
    local box win
    read -r box _ < <(wait_window "Start FullScreen?") || fail "no full-screen question"
    for _ in 1 2 3 4 5; do
        press "$box" Escape
        sleep 0.5
        "$probe" find "Start FullScreen?" >/dev/null || break
    done
    read -r win _ < <(wait_window "Hollowmere's Gravewake") || fail "no game window"
    sleep 0.3
    press "$win" Return
    xdotool keydown w
    sleep 0.5
    xdotool keyup w
    press "$win" 2
    xdotool click 1
    sleep 0.3
    kill -"$2" "$pid"
    wait "$pid"
    code=$?
    pid=
}

record "$work/term.demo" TERM
[ "$code" -eq 0 ] || fail "recording ended by SIGTERM: exit code $code"
game -timedemo "$work/term.demo" -headless
[ "$code" -eq 0 ] || fail "the recording ended by SIGTERM does not play back: $(cat "$work/err")"
[ ! -s "$work/err" ] || fail "play-back of a whole recording: $(cat "$work/err")"
echo "ok: recorded until SIGTERM, played back: $(cat "$work/out")"

record "$work/kill.demo" KILL
game -playdemo "$work/kill.demo" -headless
[ "$code" -eq 0 ] || fail "the killed recording does not play back: $(cat "$work/err")"
grep -q "cut short" "$work/err" || fail "no note of a recording cut short: $(cat "$work/err")"
echo "ok: recorded until SIGKILL, played back: $(cat "$work/err")"

# 4. Played back in a window: the viewer's keys are ignored, Escape ends it, with 0.
(cd "$run_dir" && SDL_AUDIODRIVER=dummy exec ./gravewake -playdemo "$demos/combat.demo") \
    2>"$work/err" &
pid=$!
read -r win _ < <(wait_window "Hollowmere's Gravewake") || fail "no play-back window"
sleep 1
press "$win" s
kill -0 "$pid" 2>/dev/null || fail "the play-back ended by itself or on a key other than Escape"
press "$win" Escape
for _ in $(seq 50); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
done
kill -0 "$pid" 2>/dev/null && fail "Escape did not end the play-back"
wait "$pid"
code=$?
pid=
[ "$code" -eq 0 ] || fail "play-back ended by Escape: exit code $code: $(cat "$work/err")"
# (Xvfb's GLX may refuse swap interval 0, which the game notes on stderr.)
! grep -v retrace "$work/err" || fail "play-back ended by Escape: $(cat "$work/err")"
echo "ok: play-back in a window ended by Escape"
