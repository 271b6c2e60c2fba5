#!/usr/bin/env bash
# Every test: install, build under AddressSanitizer and UndefinedBehaviorSanitizer,
# run the suite, run each fuzzer briefly, then build portkit.dll with MinGW-w64.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh sanitize >/dev/null
ctest --test-dir build/sanitize --output-on-failure -j "$(nproc 2>/dev/null || echo 2)"
scripts/fuzz.sh 10
scripts/build.sh mingw >/dev/null
test -f build/mingw/portkit.dll
echo "MinGW-w64 build: build/mingw/portkit.dll"
