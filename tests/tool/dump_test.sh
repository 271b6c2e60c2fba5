#!/bin/sh
# portkit dump opens a port by path with the settings given and prints the dump;
# a device that is not there fails with its status message.
set -eu
tool=$1
out=$("$tool" dump --port sim:dump-test:a --baud 57600 --parity e --data 7 --stop 2)
printf '%s\n' "$out" | grep -q 'DCB BaudRate: 57600   ByteSize: 7  Parity: 2' || { echo "settings not shown: $out"; exit 1; }
printf '%s\n' "$out" | grep -q '^StopBits: 2' || { echo "stop bits not shown"; exit 1; }
[ "$(printf '%s\n' "$out" | wc -l)" -eq 10 ] || { echo "expected 10 lines"; exit 1; }
if err=$("$tool" dump --port /dev/portkit-missing 2>&1); then echo "missing device accepted"; exit 1; fi
printf '%s\n' "$err" | grep -q 'No such device (No 8250 present, -14)' || { echo "wrong failure: $err"; exit 1; }
if "$tool" dump 2>/dev/null; then echo "dump without --port accepted"; exit 1; fi
if "$tool" dump --port 0 --baud fast 2>/dev/null; then echo "bad --baud accepted"; exit 1; fi
"$tool" ports >/dev/null
echo ok
