#!/usr/bin/env bash
# Builds the libFuzzer harnesses with clang (build/fuzz) and runs each for
# SECONDS (default 10) on its corpus in build/fuzz/corpus, which starts as a
# copy of tests/fuzz/corpus and keeps what the runs add. `scripts/fuzz.sh 600`
# is the longer run; `scripts/fuzz.sh --runs 3000000` runs each harness for
# that many inputs instead, and names after either run only those harnesses.
# Exits non-zero when a harness finds a crash, a leak, a hang or a sanitizer
# error; the input is kept in build/fuzz/artifacts.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/compiler_cache.sh
usage() { echo "usage: $0 [SECONDS | --runs N] [HARNESS...]" >&2; exit 2; }
limit=(-max_total_time=10)
span="10 s"
if [ "${1:-}" = --runs ]; then
  [[ ${2:-} =~ ^[1-9][0-9]*$ ]] || usage
  limit=(-runs="$2") span="$2 runs"
  shift 2
elif [ $# -gt 0 ] && [[ $1 =~ ^[0-9]+$ ]]; then
  [[ $1 =~ ^[1-9][0-9]*$ ]] || usage
  limit=(-max_total_time="$1") span="$1 s"
  shift
fi
harnesses=(xmodem_receive ymodem_receive zmodem_receive kermit_receive bplus_host ini_read emulator telnet_decode)
[ $# -eq 0 ] || harnesses=("$@")

# clang without its libFuzzer runtime cannot build them either.
if ! command -v clang++ >/dev/null ||
   ! echo 'extern "C" int LLVMFuzzerTestOneInput(const char *, unsigned long) { return 0; }' |
     clang++ -x c++ -fsanitize=fuzzer - -o /dev/null 2>/dev/null; then
  echo "fuzz: clang++ with libFuzzer not found, fuzzers skipped (scripts/install-deps.sh installs them)"
  exit 0
fi

build=build/fuzz
CC=clang CXX=clang++ cmake -S . -B "$build" -DPORTKIT_BUILD_FUZZERS=ON -DPORTKIT_BUILD_TESTS=OFF \
  -DPORTKIT_BUILD_TOOLS=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target portkit_fuzzers -j "$(nproc 2>/dev/null || echo 2)" >/dev/null

# Each process writes received files in a directory of its own under here:
# in memory where it can be, since a run makes and removes files every input.
if [ -d /dev/shm ] && [ -w /dev/shm ]; then
  export TMPDIR=$(mktemp -d /dev/shm/portkit-fuzz.XXXXXX)
else
  export TMPDIR=$PWD/$build/scratch
  rm -rf "$TMPDIR"
  mkdir -p "$TMPDIR"
fi
trap 'rm -rf "$TMPDIR"' EXIT
mkdir -p "$build/artifacts" "$build/logs"

failed=()
for name in "${harnesses[@]}"; do
  corpus=$build/corpus/$name
  mkdir -p "$corpus"
  for seed in tests/fuzz/corpus/"$name"/*; do
    [ -e "$corpus/${seed##*/}" ] || cp "$seed" "$corpus/"
  done
  log=$build/logs/$name.log
  if "$build/tests/fuzz/${name}_fuzzer" "$corpus" "${limit[@]}" -timeout=10 -rss_limit_mb=2048 \
       -artifact_prefix="$build/artifacts/$name-" -print_final_stats=1 >"$log" 2>&1; then
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")
    echo "fuzz: $name: $runs runs ($span asked, $rate/s), corpus $(ls "$corpus" | wc -l) inputs"
  else
    echo "fuzz: $name FAILED; the input is in $build/artifacts, the log in $log:" >&2
    grep -E -A 30 '^==[0-9]+==|SUMMARY|ERROR: libFuzzer|runtime error|received name|sent name' "$log" | head -60 >&2 ||
      tail -40 "$log" >&2
    failed+=("$name")
  fi
done
[ ${#failed[@]} -eq 0 ] || { echo "fuzz: failed: ${failed[*]}" >&2; exit 1; }
