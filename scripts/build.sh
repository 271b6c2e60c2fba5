#!/usr/bin/env bash
# Configures and builds one flavour of portkit: release, sanitize, mingw
# (64-bit Windows, with the unit tests to run under Wine), mingw32 (32-bit
# Windows, library and tool) or package (release, installed under /usr, for
# scripts/package.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/compiler_cache.sh
flavour=${1:-release}
jobs=$(nproc 2>/dev/null || echo 2)
case "$flavour" in
  release)  cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DPORTKIT_BUILD_TESTS=OFF >/dev/null ;;
  # Light optimisation and line tables only: the sanitizers' reports keep
  # their file and line, and the tree compiles in half the time of -O2 -g.
  sanitize) cmake -S . -B build/sanitize -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g1" \
              -DCMAKE_C_FLAGS_DEBUG="-O1 -g1" -DPORTKIT_SANITIZE=ON >/dev/null ;;
  package)  cmake -S . -B build/package -DCMAKE_BUILD_TYPE=Release -DPORTKIT_BUILD_TESTS=OFF \
              -DCMAKE_INSTALL_PREFIX=/usr >/dev/null ;;
  mingw)    cmake -S . -B build/mingw -DCMAKE_BUILD_TYPE=Release -DPORTKIT_BUILD_TESTS=ON \
              -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake >/dev/null ;;
  mingw32)  cmake -S . -B build/mingw32 -DCMAKE_BUILD_TYPE=Release -DPORTKIT_BUILD_TESTS=OFF \
              -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-i686.cmake >/dev/null ;;
  *) echo "usage: $0 release|sanitize|mingw|mingw32|package" >&2; exit 2 ;;
esac
cmake --build "build/$flavour" -j "$jobs"
