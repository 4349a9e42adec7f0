#!/usr/bin/env bash
# The game as a player installs it. Twice, the game is started from / with nothing of
# the environment but the display, a home and SDL's disk audio driver, and played: the
# full-screen question, the title menu, the game with its health bar, a tune that is not
# silence in the audio file, exit code 0 on Escape, and nothing written into the
# installed folders. First through `cmake --install` into a scratch prefix whose name has
# a space; then as the Debian package: built with CPack, with the shared libraries that
# dpkg-shlibdeps found and no lintian error, installed with dpkg -i and started as
# `gravewake`; then dpkg -r, and no file of the package left.
# It installs into the system, so it runs only as root (exit 77, a skip, otherwise), and
# never leaves the package installed, whatever happens.
# Usage: deb_install.sh BUILD_DIR X11PROBE
set -u
build=$1
probe=$2
pkg=gravewake

if [ "$(id -u)" != 0 ]; then
    echo "SKIP: this test installs a Debian package into the system; run it as root"
    exit 77
fi
if dpkg-query -W -f='${db:Status-Abbrev}' "$pkg" 2>/dev/null | grep -q '^.i'; then
    echo "SKIP: $pkg is installed on this machine already; the test would replace and" \
        "remove it (dpkg -r $pkg first)"
    exit 77
fi
for tool in cpack dpkg-deb dpkg-shlibdeps lintian Xvfb xdotool; do
    command -v "$tool" >/dev/null || { echo "FAIL: $tool is not installed"; exit 1; }
done

work=$(mktemp -d /tmp/gravewake-deb.XXXXXX)
game=
xvfb=
installed=0
cleanup() {
    [ -n "$game" ] && kill -9 "$game" 2>/dev/null && wait "$game" 2>/dev/null
    [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null && wait "$xvfb" 2>/dev/null
    # Whatever happened, the package does not stay.
    if ((installed)) || dpkg-query -W "$pkg" >/dev/null 2>&1; then
        dpkg -P "$pkg" >/dev/null 2>&1 || echo "cleanup: dpkg -P $pkg failed"
    fi
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 2' INT TERM HUP

started=$SECONDS
# To stderr, so that a failure inside $(...) is seen too.
fail() {
    echo "FAIL: $*" >&2
    exit 1
}
step() { echo "[$((SECONDS - started)) s] $*"; }

# --- A virtual X server ---------------------------------------------------------------
exec 3>"$work/displayfd"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset >/dev/null 2>&1 &
xvfb=$!
exec 3>&-
for _ in $(seq 100); do
    [ -s "$work/displayfd" ] && break
    sleep 0.1
done
[ -s "$work/displayfd" ] || fail "Xvfb did not start"
display=:$(head -n1 "$work/displayfd")
export DISPLAY=$display # for the probe and xdotool

. "$(dirname "$0")/x11_keys.sh"

# The sanitizer run's own settings (its leak suppressions, the preloaded GL driver) are
# the harness's, not the user's: they go through the emptied environment when set.
sanitizer_env=()
for name in ASAN_OPTIONS UBSAN_OPTIONS LSAN_OPTIONS LD_PRELOAD; do
    [ -n "${!name:-}" ] && sanitizer_env+=("$name=${!name}")
done

# Starts COMMAND from /, the environment emptied but for the display, a home of its own
# and the audio driver; stderr goes to $work/game.err.
start_game() { # COMMAND AUDIO_ENV...
    local command=$1
    shift
    mkdir -p "$work/home"
    (cd / && exec env -i DISPLAY="$display" HOME="$work/home" PATH=/usr/bin:/bin:/usr/games \
        ${sanitizer_env[@]+"${sanitizer_env[@]}"} "$@" "$command" >"$work/game.out" 2>"$work/game.err") &
    game=$!
}

# No to full screen, then the title menu drawn; prints the window's id.
open_menu() {
    local box win
    read -r box _ < <(wait_window "Start FullScreen?" "$game") ||
        fail "no full-screen question (the game said: $(head -c 2000 "$work/game.err"))"
    for _ in 1 2 3 4 5; do
        press "$box" Escape
        read -r win _ < <(wait_window "Hollowmere's Gravewake" "$game") && break
    done
    [ -n "${win:-}" ] || fail "no game window (the game said: $(head -c 2000 "$work/game.err"))"
    sleep 0.5
    local max
    max=$("$probe" max "$win") || fail "cannot read the game window"
    [ "$max" -gt 0 ] || fail "the title menu is not drawn (window all black)"
    echo "$win"
}

end_game() { # WINDOW WHAT
    press "$1" Escape
    for _ in $(seq 100); do
        kill -0 "$game" 2>/dev/null || break
        sleep 0.1
    done
    kill -0 "$game" 2>/dev/null && fail "$2: the game did not end on Escape"
    wait "$game"
    local code=$?
    game=
    [ $code -eq 0 ] || fail "$2: exit code $code (the game said: $(head -c 2000 "$work/game.err"))"
}

# COMMAND from /: the full-screen question, the title menu, Start Game and the health
# bar, a tune that is not silence in SDL's disk audio file, exit code 0 on Escape.
play() { # COMMAND WHAT
    local audio=$work/audio.raw win bar=0 peak=0
    rm -f "$audio"
    start_game "$1" SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$audio"
    win=$(open_menu) || exit 1
    press "$win" Return
    for _ in $(seq 50); do
        bar=$("$probe" bar "$win") || bar=0
        [ "$bar" -gt 300 ] && break
        sleep 0.1
    done
    [ "$bar" -gt 300 ] || fail "$2: no health bar after Start Game (${bar} red pixels)"
    # The tune of the place the player starts in: signed 16-bit samples; the loudest.
    for _ in $(seq 30); do
        sleep 0.5
        [ -s "$audio" ] || continue
        peak=$(od -An -v -td2 -w2 "$audio" |
            awk '{ v = $1 < 0 ? -$1 : $1; if (v > m) m = v } END { print m + 0 }')
        [ "$peak" -gt 1000 ] && break
    done
    echo "$2: audio $(stat -c %s "$audio" 2>/dev/null || echo 0) bytes, peak $peak of 32767"
    [ "$peak" -gt 1000 ] ||
        fail "$2: no tune heard (peak sample $peak; the game said: $(head -c 2000 "$work/game.err"))"
    end_game "$win" "$2"
}

# A listing of a folder tree with sizes and times, to see that nothing was written.
listing() { find "$@" -printf '%p %s %T@\n' 2>/dev/null | LC_ALL=C sort; }

# --- cmake --install into any prefix --------------------------------------------------
prefix="$work/any prefix"
step "cmake --install into $prefix"
cmake --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1 ||
    fail "cmake --install: $(tail -5 "$work/install.log")"
for path in games/gravewake lib/games/gravewake/gravewake lib/games/gravewake/libsnesapu.so \
    share/games/gravewake share/applications share/metainfo share/man/man6/gravewake.6.gz \
    share/icons/hicolor/48x48/apps/gravewake.png share/icons/hicolor/256x256/apps/gravewake.png \
    share/doc/gravewake/copyright; do
    [ -e "$prefix/$path" ] || fail "cmake --install left out $path"
done
listing "$prefix" >"$work/prefix.before"
play "$prefix/games/gravewake" "the game under $prefix"
listing "$prefix" >"$work/prefix.after"
cmp -s "$work/prefix.before" "$work/prefix.after" ||
    fail "the game wrote under $prefix: $(diff "$work/prefix.before" "$work/prefix.after" | head -5)"

# --- The Debian package ---------------------------------------------------------------
step "building the package"
(cd "$work" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/pkg") \
    >"$work/cpack.log" 2>&1 || fail "cpack: $(tail -20 "$work/cpack.log")"
deb=$(ls "$work"/pkg/*.deb 2>/dev/null | head -1)
[ -f "$deb" ] || fail "cpack made no .deb: $(tail -20 "$work/cpack.log")"
echo "package: $(basename "$deb"), $(stat -c %s "$deb") bytes"
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
# dpkg-shlibdeps' findings: the libraries the program and the emulator library link.
for lib in libsdl2 libpng libfreetype libfontconfig libgme libc6 libstdc++; do
    echo "$depends" | grep -q "$lib" || fail "Depends names no $lib"
done

step "lintian"
lintian --tag-display-limit 0 "$deb" >"$work/lintian.log" 2>&1
cat "$work/lintian.log"
grep -q '^E: ' "$work/lintian.log" && fail "lintian reports errors"

dpkg-deb --fsys-tarfile "$deb" | tar -t | sed 's|^\./|/|; s|/$||' | grep -v '^$' >"$work/files"
# The folders the package brings that are not here yet must go with it again.
while IFS= read -r path; do
    [ -e "$path" ] || echo "$path"
done <"$work/files" >"$work/new"

step "dpkg -i"
installed=1
dpkg -i "$deb" >"$work/dpkg.log" 2>&1 || fail "dpkg -i: $(tail -20 "$work/dpkg.log")"
dpkg-query -W -f='${db:Status-Abbrev}' "$pkg" | grep -q '^ii' || fail "$pkg is not installed"
ours=(/usr/lib/games/gravewake /usr/share/games/gravewake /usr/share/doc/gravewake)
listing "${ours[@]}" >"$work/installed.before"

# Started the way the menu starts it: the desktop entry's command, with /usr/games on
# the PATH as Debian gives every user.
step "the desktop entry's command from /"
exec_line=$(sed -n 's/^Exec=//p' /usr/share/applications/*gravewake.desktop 2>/dev/null)
[ "$exec_line" = gravewake ] || fail "the installed desktop entry runs \"$exec_line\", not gravewake"
play "$exec_line" "the installed game"
listing "${ours[@]}" >"$work/installed.after"
cmp -s "$work/installed.before" "$work/installed.after" ||
    fail "the game wrote into its installed folders: $(diff "$work/installed.before" "$work/installed.after" | head -5)"

step "dpkg -r"
dpkg -r "$pkg" >>"$work/dpkg.log" 2>&1 || fail "dpkg -r: $(tail -20 "$work/dpkg.log")"
installed=0
left=()
while IFS= read -r path; do
    [ -d "$path" ] && [ ! -L "$path" ] && continue # shared folders such as /usr/share stay
    [ -e "$path" ] || [ -L "$path" ] && left+=("$path")
done <"$work/files"
while IFS= read -r path; do
    [ -e "$path" ] && left+=("$path")
done <"$work/new"
for dir in "${ours[@]}"; do
    [ -e "$dir" ] && left+=("$dir/")
done
((${#left[@]} == 0)) || fail "left behind after dpkg -r: ${left[*]:0:10}"
step "installed, played and removed: all passed"
