# Drives the game program on a private X server (Xvfb) as a person would, through XTEST.
# Sourced by the tests that do so, with $probe (the x11probe program) and $game_dir (the
# folder the game is started from) set. A failure ends the test; the EXIT trap kills the
# game and the server and waits for both.
set -u
title="Hollowmere's Gravewake"
work=$(mktemp -d /tmp/gravewake-x11.XXXXXX)
game='' xvfb='' code=''

# To stderr, so that a failure inside $(...) is seen too; with what the game said.
fail() {
    echo "FAIL: $*" >&2
    [ ! -s "$work/game.err" ] || echo "the game said: $(head -c 2000 "$work/game.err")" >&2
    exit 1
}
step() { echo "[$SECONDS s] $*"; }
need() { for tool; do command -v "$tool" >/dev/null || fail "$tool is not installed"; done; }
need Xvfb xdotool

# The server is waited for: a dying one removes its socket, which may by then belong to
# the next server on the same display number.
stop_game() { [ -z "$game" ] || { kill -9 "$game"; wait "$game"; } 2>/dev/null; game=; }
stop_x() { [ -z "$xvfb" ] || { kill "$xvfb"; wait "$xvfb"; } 2>/dev/null; xvfb=; }
cleanup() { stop_game; stop_x; rm -rf "$work"; }
trap cleanup EXIT
trap 'exit 2' INT TERM HUP

# Runs COMMAND every tenth of a second until it succeeds, at most N times.
poll() { # N COMMAND...
    for _ in $(seq "$1"); do
        "${@:2}" && return 0
        sleep 0.1
    done
    return 1
}

# A server of our own, with more options if given; -noreset: probes come and go, and a
# server resetting after its last client left drops whoever connects meanwhile.
start_x() { # [XVFB OPTIONS...]
    rm -f "$work/displayfd"
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset "$@" 3>"$work/displayfd" \
        >/dev/null 2>&1 &
    xvfb=$!
    poll 100 test -s "$work/displayfd" || fail "Xvfb did not start"
    export DISPLAY=:$(head -n1 "$work/displayfd")
}

# COMMAND from $game_dir on SDL's X11 driver, whatever the environment asks for, and SDL's
# dummy sound unless COMMAND sets another; its output goes to $work/game.out and .err.
start_game() { # COMMAND...
    (cd "$game_dir" && exec env -u SDL_VIDEODRIVER SDL_AUDIODRIVER=dummy "$@" \
        >"$work/game.out" 2>"$work/game.err") &
    game=$!
}
run_game() { start_game "$@"; wait "$game"; code=$? game=; } # COMMAND...: to its end
running() { kill -0 "$game" 2>/dev/null; }
gone() { ! running; }

# Waits up to N tenths of a second for the game to end; sets code, and checks it if given.
wait_exit() { # N WHAT [CODE]
    poll "$1" gone 2>/dev/null || fail "$2: the game still runs ($(ps -o stat=,pcpu= -p "$game"))"
    wait "$game"
    code=$? game=
    [ -z "${3:-}" ] || [ "$code" = "$3" ] || fail "$2: exit code $code, not $3"
}

# Sets win, w and h to the viewable top-level window with this title.
find_window() { read -r win w h < <("$probe" find "$1"); }
no_window() { ! find_window "$1"; }
window_up() { find_window "$1" || { running || fail "no window \"$1\": the game ended"; false; }; }
wait_window() { poll 200 window_up "$1" || fail "no window \"$1\""; } # TITLE

# A key held long enough for one poll of the game, typed into a window that has the focus
# and the pointer: there is no window manager to give it either.
press() { # WINDOW KEY...
    local key
    for key in "${@:2}"; do
        xdotool mousemove --window "$1" 20 20
        xdotool windowfocus "$1" 2>/dev/null
        sleep 0.2
        xdotool keydown "$key"
        sleep 0.15
        xdotool keyup "$key"
    done
}

# Answers the question box with this title by a key; a box may be mapped a moment before
# it listens, so the key is pressed again until the box goes.
answer() { # TITLE KEY
    local box
    wait_window "$1"
    box=$win
    for _ in 1 2 3 4 5; do
        press "$box" "$2"
        poll 20 no_window "$1" && return 0
    done
    fail "the box \"$1\" did not take $2"
}

# The full-screen question answered (No by default, and the follow-up if any); then the
# game's 800 x 600 window with the title menu drawn in it (not all black).
open_menu() { # [KEY [FOLLOW-UP KEY]]
    answer "Start FullScreen?" "${1:-Escape}"
    [ -z "${2:-}" ] || answer OpenGL "$2"
    wait_window "$title"
    [ "${w}x$h" = 800x600 ] || fail "client area ${w}x$h, not 800x600"
    poll 50 drawn || fail "the title menu is not drawn (window all black)"
}
# The window's brightest channel in max, its health bar's red pixels in red, how many
# colours of 4 bits a channel show in colours, and its near-white pixels in white.
look() { read -r max red colours white < <("$probe" look "$win"); }
drawn() { look && [ "$max" -gt 0 ]; }
bar_up() { look && [ "$red" -gt 300 ]; }
# Start Game from the title menu, and the health bar up.
start_play() {
    press "$win" Return
    poll 50 bar_up || fail "no health bar in the game (${red:-no} red pixels)"
}
