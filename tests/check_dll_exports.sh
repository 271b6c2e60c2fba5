#!/bin/sh
# A Windows DLL must export exactly the C API of the expected lists, by
# the plain names the headers declare: no C++ names, no runtime symbols, and
# on 32-bit Windows no @N decorations, since PORTKIT_API functions are cdecl.
set -eu
dll=$1
shift
# The lists the library exports: the shared API and its platform's additions.
expected=$(mktemp)
objdump=${OBJDUMP:-x86_64-w64-mingw32-objdump}  # reads 32-bit files too
actual=$(mktemp)
trap 'rm -f "$actual" "$expected"' EXIT
LC_ALL=C sort -u "$@" >"$expected"
"$objdump" -p "$dll" |
  sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/s/^[[:space:]]*\[ *[0-9]*\] //p' | LC_ALL=C sort -u >"$actual"
if ! diff -u "$expected" "$actual"; then
    echo "exported names of $dll differ from the lists ($*) (- expected, + exported)" >&2
    exit 1
fi
echo "$dll: $(wc -l <"$actual") names exported, all of them API names"
