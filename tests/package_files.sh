#!/usr/bin/env bash
# The files that tell desktops and Debian about the game, as the build makes them: the
# desktop entry passes desktop-file-validate, is a game and starts gravewake; the
# AppStream metadata passes appstreamcli validate (offline), names the desktop entry and
# shows the README's pictures; the manual page is in section 6, formats without a
# warning and has its sections; the launcher is valid sh.
# Usage: package_files.sh BUILD_DIR SOURCE_DIR
set -u
stage=$1/packaging source=$2 id=example.hollowmere.gravewake
fail() { echo "FAIL: $*"; exit 1; }
for tool in desktop-file-validate appstreamcli man; do
    command -v "$tool" >/dev/null || fail "$tool is not installed"
done

desktop=$stage/$id.desktop meta=$stage/$id.metainfo.xml man=$stage/gravewake.6.gz
out=$(desktop-file-validate "$desktop" 2>&1) && [ -z "$out" ] || fail "desktop-file-validate: $out"
grep -qx 'Categories=Game;.*' "$desktop" || fail "the desktop entry is not in the Game category"
grep -qx 'Exec=gravewake' "$desktop" || fail "the desktop entry does not start gravewake"

out=$(appstreamcli validate --no-net "$meta" 2>&1) || fail "appstreamcli validate: $out"
grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$meta" ||
    fail "the metadata does not name the desktop entry"
for shot in $(grep -o '[a-z-]*\.png</image>' "$meta" | sed 's|</image>||'); do
    [ -f "$source/docs/$shot" ] || fail "screenshot $shot is not one of the README's pictures"
done

gzip -t "$man" || fail "the manual page is not gzip"
head -c 200 "$source/packaging/gravewake.6" | grep -q '^\.TH GRAVEWAKE 6 ' ||
    fail "the manual page is not in section 6"
out=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$man" 2>&1 >/dev/null)
[ -z "$out" ] || fail "man warns: $out"
text=$(LC_ALL=C.UTF-8 MANWIDTH=200 man -l "$man" 2>/dev/null | col -b)
for heading in CONTROLS OPTIONS FILES "EXIT STATUS"; do
    grep -q "^$heading" <<<"$text" || fail "the manual page has no $heading section"
done

sh -n "$stage/gravewake" || fail "the launcher is not valid sh"
echo "package files: all passed"
