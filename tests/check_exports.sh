#!/bin/sh
# The shared library must export exactly the C API listed in the expected file.
set -eu
library=$1
expected=$2
actual=$(mktemp)
trap 'rm -f "$actual"' EXIT
nm -D --defined-only "$library" | awk '{print $NF}' | grep -v -x -E '_init|_fini|_edata|_end|__bss_start' | LC_ALL=C sort -u >"$actual"
if ! diff -u "$expected" "$actual"; then
    echo "exported symbols differ from $expected (- expected, + exported)" >&2
    exit 1
fi
echo "$(wc -l <"$actual") symbols exported, all of them API names"
