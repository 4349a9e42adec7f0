# Shared by the tests that drive the game on Xvfb; sourced after $probe (the x11probe
# program) is set and DISPLAY points at the server.

# Waits for a viewable top-level window with this title; prints "ID WIDTH HEIGHT". With a
# PID it gives up as soon as that process is gone.
wait_window() { # TITLE [PID]
    for _ in $(seq 200); do
        "$probe" find "$1" && return 0
        [ -z "${2:-}" ] || kill -0 "$2" 2>/dev/null || return 1
        sleep 0.1
    done
    return 1
}

# A key held long enough for one poll of the game, typed into a window that has the
# focus and the pointer (there is no window manager to give it either).
press() { # WINDOW KEY
    xdotool mousemove --window "$1" 20 20
    xdotool windowfocus "$1" 2>/dev/null
    sleep 0.2
    xdotool keydown "$2"
    sleep 0.15
    xdotool keyup "$2"
}
