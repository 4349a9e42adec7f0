#!/usr/bin/env bash
# Installs what is missing, builds, and makes the Debian package build/gravewake_*.deb.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh
cpack -G DEB --config build/CPackConfig.cmake -B build
ls build/gravewake_*.deb
