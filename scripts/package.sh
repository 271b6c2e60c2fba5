#!/usr/bin/env bash
# Builds the Debian package of portkit from a Release build installed under
# /usr (library, headers, pkg-config and CMake files, the tool) into
# build/package, and prints the package's path.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh package >/dev/null
rm -f build/package/portkit_*.deb
(cd build/package && cpack -G DEB >/dev/null)
ls build/package/portkit_*.deb
