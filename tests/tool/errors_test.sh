#!/bin/sh
# portkit errors prints every code once, aligned, and nothing unknown.
# Lines may end in CR LF, as Windows text output does.
set -eu
out=$("$1" errors | tr -d '\r')
lines=$(printf '%s\n' "$out" | wc -l)
[ "$lines" -eq 65 ] || { echo "expected 65 codes, got $lines"; exit 1; }
printf '%s\n' "$out" | grep -qx '  -10  Time out' || { echo "missing aligned -10 line"; exit 1; }
printf '%s\n' "$out" | grep -qx ' -623  File engine failed' || { echo "missing -623 line"; exit 1; }
if printf '%s\n' "$out" | grep -q 'Unknown error code'; then echo "unknown code listed"; exit 1; fi
"$1" --help | grep -q 'errors' || { echo "--help does not list errors"; exit 1; }
if "$1" no-such-command 2>/dev/null; then echo "unknown command accepted"; exit 1; fi
echo ok
