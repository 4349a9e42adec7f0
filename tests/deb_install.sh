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
build=$1 probe=$2 game_dir=/ pkg=gravewake
if [ "$(id -u)" != 0 ]; then
    echo "SKIP: this test installs a Debian package into the system; run it as root"
    exit 77
elif dpkg-query -W -f='${db:Status-Abbrev}' $pkg 2>/dev/null | grep -q '^.i'; then
    echo "SKIP: $pkg is installed on this machine already; the test would replace and remove it"
    exit 77
fi
. "$(dirname "$0")/x11/driver.sh"
need cpack dpkg-deb dpkg-shlibdeps lintian
# Whatever happens, the package does not stay.
trap 'cleanup; ! dpkg-query -W $pkg >/dev/null 2>&1 || dpkg -P $pkg >/dev/null 2>&1 ||
    echo "cleanup: dpkg -P $pkg failed"' EXIT
start_x

# The sanitizer run's own settings (its leak suppressions, the preloaded GL driver) are
# the harness's, not the user's: they go through the emptied environment when set.
keep=()
for name in ASAN_OPTIONS UBSAN_OPTIONS LSAN_OPTIONS LD_PRELOAD; do
    [ -z "${!name:-}" ] || keep+=("$name=${!name}")
done
mkdir "$work/home"

# COMMAND from / with an emptied environment: the full-screen question, the title menu,
# Start Game and the health bar, a tune that is not silence in SDL's disk audio file
# (signed 16-bit samples: the loudest), exit code 0 on Escape.
play() { # COMMAND WHAT
    local audio=$work/audio.raw peak=0
    rm -f "$audio"
    start_game env -i DISPLAY="$DISPLAY" HOME="$work/home" PATH=/usr/bin:/bin:/usr/games \
        "${keep[@]}" SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$audio" "$1"
    open_menu
    start_play
    for _ in $(seq 30); do
        sleep 0.5
        [ -s "$audio" ] || continue
        peak=$(od -An -v -td2 -w2 "$audio" |
            awk '{ v = $1 < 0 ? -$1 : $1; if (v > m) m = v } END { print m + 0 }')
        [ "$peak" -gt 1000 ] && break
    done
    step "$2: audio $(stat -c %s "$audio" 2>/dev/null || echo 0) bytes, peak $peak of 32767"
    [ "$peak" -gt 1000 ] || fail "$2: no tune heard"
    press "$win" Escape
    wait_exit 100 "$2: Escape" 0
}
# Plays COMMAND and checks that nothing under the FOLDERS changed.
play_in() { # COMMAND WHAT FOLDER...
    listing "${@:3}" >"$work/before"
    play "$1" "$2"
    listing "${@:3}" >"$work/after"
    cmp -s "$work/before" "$work/after" ||
        fail "$2 wrote into its folders: $(diff "$work/before" "$work/after" | head -5)"
}
listing() { find "$@" -printf '%p %s %T@\n' 2>/dev/null | LC_ALL=C sort; }

prefix="$work/any prefix"
step "cmake --install into $prefix"
cmake --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1 ||
    fail "cmake --install: $(tail -5 "$work/install.log")"
for path in games/gravewake lib/games/gravewake/gravewake lib/games/gravewake/libsnesapu.so \
    share/games/gravewake share/applications share/metainfo share/man/man6/gravewake.6.gz \
    share/icons/hicolor/{48x48,256x256}/apps/gravewake.png share/doc/gravewake/copyright; do
    [ -e "$prefix/$path" ] || fail "cmake --install left out $path"
done
play_in "$prefix/games/gravewake" "the game under $prefix" "$prefix"

step "building the package"
(cd "$work" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/pkg") \
    >"$work/cpack.log" 2>&1 || fail "cpack: $(tail -20 "$work/cpack.log")"
deb=$(ls "$work"/pkg/*.deb 2>/dev/null | head -1)
[ -f "$deb" ] || fail "cpack made no .deb: $(tail -20 "$work/cpack.log")"
depends=$(dpkg-deb -f "$deb" Depends)
step "$(basename "$deb"), $(stat -c %s "$deb") bytes; Depends: $depends"
# dpkg-shlibdeps' findings: the libraries the program and the emulator library link.
for lib in libsdl2 libpng libfreetype libfontconfig libgme libc6 libstdc++; do
    grep -q "$lib" <<<"$depends" || fail "Depends names no $lib"
done
lintian --tag-display-limit 0 "$deb" 2>&1 | tee "$work/lintian.log"
! grep -q '^E: ' "$work/lintian.log" || fail "lintian reports errors"
# The package's paths, and those of them not here yet: these must go with it again.
dpkg-deb --fsys-tarfile "$deb" | tar -t | sed 's|^\./|/|; s|/$||' | grep -v '^$' >"$work/files"
while IFS= read -r path; do [ -e "$path" ] || echo "$path"; done <"$work/files" >"$work/new"

step "dpkg -i"
dpkg -i "$deb" >"$work/dpkg.log" 2>&1 || fail "dpkg -i: $(tail -20 "$work/dpkg.log")"
dpkg-query -W -f='${db:Status-Abbrev}' $pkg | grep -q '^ii' || fail "$pkg is not installed"
# Started the way the menu starts it: the desktop entry's command, with /usr/games on
# the PATH as Debian gives every user.
exec_line=$(sed -n 's/^Exec=//p' /usr/share/applications/*gravewake.desktop 2>/dev/null)
[ "$exec_line" = gravewake ] || fail "the installed desktop entry runs \"$exec_line\", not gravewake"
ours=(/usr/lib/games/gravewake /usr/share/games/gravewake /usr/share/doc/gravewake)
play_in "$exec_line" "the installed game" "${ours[@]}"

step "dpkg -r"
dpkg -r $pkg >>"$work/dpkg.log" 2>&1 || fail "dpkg -r: $(tail -20 "$work/dpkg.log")"
# Left behind: any file or link of the package, any folder it brought, our folders.
while IFS= read -r path; do
    { [ -e "$path" ] || [ -L "$path" ]; } &&
        { [ ! -d "$path" ] || [ -L "$path" ] || grep -qxF "$path" "$work/new"; } && echo "$path"
done <"$work/files" >"$work/left"
for dir in "${ours[@]}"; do [ ! -e "$dir" ] || echo "$dir/"; done >>"$work/left"
[ ! -s "$work/left" ] || fail "left behind after dpkg -r: $(head -10 "$work/left" | tr '\n' ' ')"
step "installed, played and removed: all passed"
