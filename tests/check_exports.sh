#!/bin/sh
# The shared library must export exactly the C API of the expected lists.
set -eu
library=$1
shift
# The lists the library exports: the shared API and its platform's additions.
expected=$(mktemp)
actual=$(mktemp)
trap 'rm -f "$actual" "$expected"' EXIT
LC_ALL=C sort -u "$@" >"$expected"
nm -D --defined-only "$library" | awk '{print $NF}' | grep -v -x -E '_init|_fini|_edata|_end|__bss_start' | LC_ALL=C sort -u >"$actual"
if ! diff -u "$expected" "$actual"; then
    echo "exported symbols differ from the lists ($*) (- expected, + exported)" >&2
    exit 1
fi
echo "$(wc -l <"$actual") symbols exported, all of them API names"
