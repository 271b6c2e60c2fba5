#!/usr/bin/env bash
# Builds the benchmarks (optimised, no sanitizers) and runs them.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/compiler_cache.sh
scripts/install-deps.sh bench
cmake -S . -B build/bench -DCMAKE_BUILD_TYPE=Release -DPORTKIT_BUILD_TESTS=OFF -DPORTKIT_BUILD_BENCH=ON >/dev/null
cmake --build build/bench -j "$(nproc 2>/dev/null || echo 2)" >/dev/null
build/bench/bench/serial_bench
build/bench/bench/crc_bench
build/bench/bench/ymodem_bench
build/bench/bench/zmodem_bench
build/bench/bench/kermit_bench
build/bench/bench/emulator_bench
bench/term_bench.sh build/bench/tools/portkit
