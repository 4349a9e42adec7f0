#!/usr/bin/env bash
# The files that tell desktops and Debian about the game, as the build makes them: the
# desktop entry passes desktop-file-validate and is a game; the AppStream metadata passes
# appstreamcli validate (offline); the manual page is in section 6 and formats without a
# warning; the icon is there at each size of the hicolor theme, square, with its picture
# (transparent corners, an opaque middle); the launcher is valid sh.
# Usage: package_files.sh BUILD_DIR SOURCE_DIR
set -u
build=$1
source=$2
stage=$build/packaging
id=example.hollowmere.gravewake
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}
for tool in desktop-file-validate appstreamcli man python3; do
    command -v "$tool" >/dev/null || { echo "FAIL: $tool is not installed"; exit 1; }
done

desktop=$stage/$id.desktop
out=$(desktop-file-validate "$desktop" 2>&1) && [ -z "$out" ] || fail "desktop-file-validate: $out"
grep -qx 'Categories=Game;.*' "$desktop" || fail "the desktop entry is not in the Game category"
grep -qx 'Exec=gravewake' "$desktop" || fail "the desktop entry does not start gravewake"

out=$(appstreamcli validate --no-net "$stage/$id.metainfo.xml" 2>&1) ||
    fail "appstreamcli validate: $out"
grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$stage/$id.metainfo.xml" ||
    fail "the metadata does not name the desktop entry"
for shot in $(grep -o '[a-z-]*\.png</image>' "$stage/$id.metainfo.xml" | sed 's|</image>||'); do
    [ -f "$source/docs/$shot" ] || fail "screenshot $shot is not one of the README's pictures"
done

gzip -t "$stage/gravewake.6.gz" || fail "the manual page is not gzip"
head -c 200 "$source/packaging/gravewake.6" | grep -q '^\.TH GRAVEWAKE 6 ' ||
    fail "the manual page is not in section 6"
out=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$stage/gravewake.6.gz" 2>&1 >/dev/null)
[ -z "$out" ] || fail "man warns: $out"
text=$(LC_ALL=C.UTF-8 MANWIDTH=200 man -l "$stage/gravewake.6.gz" 2>/dev/null | col -b)
for heading in CONTROLS OPTIONS FILES "EXIT STATUS"; do
    echo "$text" | grep -q "^$heading" || fail "the manual page has no $heading section"
done

python3 - "$build/icons/hicolor" <<'PY' || fail "icons"
import struct, sys, zlib
root = sys.argv[1]
ok = True
for size in (48, 64, 128, 256):
    path = f"{root}/{size}x{size}/apps/gravewake.png"
    try:
        data = open(path, "rb").read()
    except OSError as e:
        print(f"no icon {path}: {e}")
        ok = False
        continue
    w, h, depth, colour = struct.unpack(">IIBB", data[16:26])
    if (w, h, depth, colour) != (size, size, 8, 6):
        print(f"{path}: {w}x{h} depth {depth} colour type {colour}, not {size}x{size} RGBA")
        ok = False
        continue
    idat, pos = b"", 8
    while pos < len(data):
        n, kind = struct.unpack(">I4s", data[pos:pos + 8])
        if kind == b"IDAT":
            idat += data[pos + 8:pos + 8 + n]
        pos += 12 + n
    raw, stride, prev, rows = zlib.decompress(idat), size * 4, bytearray(size * 4), []
    for y in range(size):
        f, line = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for x in range(stride):
            a = line[x - 4] if x >= 4 else 0
            b = prev[x]
            c = prev[x - 4] if x >= 4 else 0
            if f == 1: line[x] = (line[x] + a) & 255
            elif f == 2: line[x] = (line[x] + b) & 255
            elif f == 3: line[x] = (line[x] + (a + b) // 2) & 255
            elif f == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[x] = (line[x] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        rows.append(line)
        prev = line
    alpha = lambda x, y: rows[y][x * 4 + 3]
    corners = [alpha(0, 0), alpha(size - 1, 0), alpha(0, size - 1), alpha(size - 1, size - 1)]
    opaque = sum(1 for y in range(size) for x in range(size) if alpha(x, y) == 255)
    if any(corners) or not (0.25 < opaque / (size * size) < 0.9):
        print(f"{path}: corners {corners}, {opaque} of {size * size} pixels opaque")
        ok = False
sys.exit(0 if ok else 1)
PY

sh -n "$stage/gravewake" || fail "the launcher is not valid sh"

((failures == 0)) || exit 1
echo "package files: all passed"
