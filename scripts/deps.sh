#!/usr/bin/env bash
# Installs the Debian packages that the build, the game and the tests need. As root it
# installs what is missing; otherwise it prints the apt-get line to run and stops.
set -euo pipefail

packages=(
    cmake ninja-build g++ pkg-config              # build
    clang libclang-rt-dev                         # sanitizer runs (scripts/asan.sh)
    libsdl2-dev libgl-dev libglu1-mesa-dev        # window, input, GL, GLU
    libpng-dev libfreetype-dev libfontconfig-dev  # pictures and fonts
    fonts-liberation2 fonts-texgyre fonts-bebas-neue  # the faces the game asks for
    libgl1-mesa-dri libegl1 libegl-mesa0          # Mesa GL, also without a display
    libgtest-dev                                  # tests
    libgme-dev                                    # rendering the tunes in tools and tests
    libx11-dev xvfb xdotool                       # tests on a virtual X server
    fonts-blankenburg fonts-dejavu-core fonts-urw-base35  # lettering of the pictures
    dpkg-dev file lintian man-db                  # the Debian package and its checks
    desktop-file-utils appstream                  # desktop entry and AppStream metadata
    cloc python3                                  # scripts/loc.sh and scripts/mutate.sh
    g++-mingw-w64-x86-64-posix wine64 nsis        # the Windows game, its tests and installer
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -eq 0 ]; then
    apt-get update
    DEBIAN_FRONTEND=noninteractive apt-get install -y "${missing[@]}"
else
    echo "Some packages are missing. Install them with:"
    echo "  sudo apt-get install -y ${missing[*]}"
    exit 1
fi
