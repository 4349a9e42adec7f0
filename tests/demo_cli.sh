#!/usr/bin/env bash
# The demo commands of the game program itself: the timedemo of a short demo, headless,
# as a smoke run (its one line for scripts, exit code 0; not timed); every refusal with
# one line on stderr and its own exit code; and, on a virtual X server, a game recorded
# as a person plays it and ended by SIGTERM, and one killed outright, both played back
# in sync (the killed one up to where its file ends); last, a demo played back in a
# window, where the viewer's keys do nothing but Escape, which ends it.
# Usage: demo_cli.sh RUN_DIR X11PROBE DEMOS_DIR
game_dir=$1 probe=$2 demos=$3
. "$(dirname "$0")/x11/driver.sh"
out=$work/game.out err=$work/game.err

# 1. The timedemo of the first frames of a test demo, headless: one line for scripts.
run_game ./gravewake -timedemo "$demos/../fuzz/regressions/demo/head-6-frames.demo" -headless
[ "$code" = 0 ] && [ "$(wc -l <"$out")" = 1 ] &&
    grep -Eq '^timedemo: frames [0-9]+ median_ms [0-9.]+ p99_ms [0-9.]+ worst_ms [0-9.]+ fps [0-9.]+$' "$out" ||
    fail "timedemo: exit code $code, printed: $(cat "$out")"
step "timedemo: $(cat "$out")"

# 2. Refusals: this exit code and exactly one line on stderr, nothing on stdout.
refused() { # CODE ARGUMENTS...
    run_game ./gravewake "${@:2}"
    [ "$code" = "$1" ] && [ "$(wc -l <"$err")" = 1 ] && [ ! -s "$out" ] ||
        fail "gravewake ${*:2}: exit code $code, not $1, or more than a line on stderr, or stdout"
    step "refused ($1): $(cat "$err")"
}
head -c 1000 /bin/sh >"$work/foreign.demo"
head -c 5000 "$demos/rooms.demo" >"$work/cut.demo"
cp "$demos/rooms.demo" "$work/bad.demo"
printf '\x55' | dd of="$work/bad.demo" bs=1 seek=3000 conv=notrunc 2>/dev/null
refused 2 -record
refused 2 -playdemo
refused 2 -warp 1
refused 2 -record "$work/a.demo" -playdemo "$demos/rooms.demo"
refused 2 -headless
refused 3 -record "$work/no/such/folder/a.demo"
refused 3 -playdemo "$work/missing.demo"
refused 4 -timedemo "$work/foreign.demo" -headless
refused 4 -timedemo "$work/cut.demo" -headless
refused 4 -playdemo "$work/bad.demo" -headless

# 3. Recorded on a virtual X server as a person plays (Start Game, a walk, a strike),
#    ended by a signal, and played back headless.
start_x
record() { # FILE SIGNAL [CODE]
    start_game ./gravewake -record "$1"
    open_menu
    start_play
    xdotool keydown w sleep 0.5 keyup w
    press "$win" 2
    xdotool click 1 sleep 0.3
    kill -"$2" "$game"
    wait_exit 100 "recording ended by SIG$2" "${3:-}"
}
record "$work/term.demo" TERM 0
run_game ./gravewake -timedemo "$work/term.demo" -headless
[ "$code" = 0 ] && [ ! -s "$err" ] || fail "the recording ended by SIGTERM plays back with code $code"
step "recorded until SIGTERM, played back: $(cat "$out")"
record "$work/kill.demo" KILL
run_game ./gravewake -playdemo "$work/kill.demo" -headless
[ "$code" = 0 ] && grep -q "cut short" "$err" ||
    fail "the killed recording plays back with code $code, or without a note that it is cut short"
step "recorded until SIGKILL, played back: $(cat "$err")"

# 4. Played back in a window: the viewer's keys are ignored, Escape ends it, with 0.
#    (Xvfb's GLX may refuse swap interval 0, which the game notes on stderr.)
start_game ./gravewake -playdemo "$demos/combat.demo"
wait_window "$title"
sleep 1
press "$win" s
running || fail "the play-back ended by itself or on a key other than Escape"
press "$win" Escape
wait_exit 50 "play-back ended by Escape" 0
! grep -v retrace "$err" || fail "play-back ended by Escape: more on stderr than the retrace"
step "play-back in a window ended by Escape"
