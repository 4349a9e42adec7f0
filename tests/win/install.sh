#!/usr/bin/env bash
# The Windows installer as a player runs it, under Wine in a fresh prefix of its own:
# installed silently into Program Files, with the game's files, the Start-menu shortcut
# (working folder: the install folder, where the game finds "Game Data") and the
# uninstaller in Add/Remove Programs; the game started as that shortcut starts it, up to
# its title menu, and ended by Escape with code 0; then uninstalled silently, and
# nothing left: no folder, no shortcut, no registry key.
# Usage: install.sh SETUP_EXE X11PROBE
setup=$1 probe=$2
. "$(dirname "$0")/../x11/driver.sh"
[ -f "$setup" ] || fail "no installer $setup: run cpack in the build folder"
wine=/usr/lib/wine/wine64 wineserver=/usr/lib/wine/wineserver
need "$wine" strings
export WINEPREFIX=$work/prefix HOME=$work/home WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
trap '[ ! -d "$WINEPREFIX" ] || "$wineserver" -k 2>/dev/null; cleanup' EXIT
mkdir "$HOME"
echo 'pcm.!default { type null }' >"$HOME/.asoundrc"
DISPLAY= "$wine" wineboot -i >/dev/null 2>&1
"$wineserver" -w
step "fresh Wine prefix"
start_x

name="Hollowmere's Gravewake" key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Gravewake'
dir="$WINEPREFIX/drive_c/Program Files/$name" windir="C:\\Program Files\\$name"
menu="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/$name"
"$wine" "$setup" /S || fail "the installer ended with code $?"
for file in gravewake.exe SNESAPU.DLL "Game Data/Map/Map.txt" LICENSE.txt Uninstall.exe; do
    [ -f "$dir/$file" ] || fail "not installed: $windir\\$file"
done
[ -f "$menu/$name.lnk" ] || fail "no Start-menu shortcut"
# The link's strings in UTF-16: the only full path among them is its working folder.
workdir=$(strings -el "$menu/$name.lnk" | grep -o 'C:\\.*')
[ "$workdir" = "$windir" ] || fail "the shortcut's working folder is '$workdir', not '$windir'"
"$wine" reg query "$key" /v UninstallString 2>/dev/null | grep -qF "\"$windir\\Uninstall.exe\"" ||
    fail "no uninstaller under $key"
step "installed, with its shortcut and uninstaller"

game_dir=$("$wine" winepath -u "$workdir")
start_game "$wine" gravewake.exe
open_menu n
press "$win" Escape
wait_exit 100 "Escape" 0
step "the installed game: its title menu, and Escape"

# The uninstaller copies itself to a temporary folder and runs from there; the server's
# end is the end of all of it.
"$wine" "$dir/Uninstall.exe" /S || fail "the uninstaller ended with code $?"
"$wineserver" -w
left=$(find "$dir" "$menu" 2>/dev/null)
[ -z "$left" ] || fail "left after uninstalling: $left"
! "$wine" reg query "$key" >/dev/null 2>&1 || fail "$key is left after uninstalling"
step "uninstalled, nothing left"
echo "win install: all passed"
