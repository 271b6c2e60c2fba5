#!/bin/sh
# What the tool says when it cannot start: the device or file named, and the
# system's reason, before any line is opened or any peer kept waiting.
set -eu
tool=$1
. "$(dirname "$0")/tool_test_lib.sh"

# expect_said CODE TEXT COMMAND...: fails with CODE and says TEXT.
expect_said() {
  code=$1 text=$2
  shift 2
  expect_exit "$code" "$@"
  grep -q "$text" "$work/err" || fail "'$*' said: $(cat "$work/err")"
}

echo data >"$work/file.txt"
expect_said 1 "cannot open /dev/null: Not a serial device (No 8250 present, -14)" "$tool" dump -p /dev/null
expect_said 1 "cannot open $work/file.txt: Not a serial device" "$tool" term -p "$work/file.txt"
expect_said 1 "cannot open /dev/portkit-none: No such device (No 8250 present, -14)" \
  "$tool" send -p /dev/portkit-none "$work/file.txt"
expect_said 1 "portkit send: $work/missing.txt: no such file" "$tool" send -p /dev/portkit-none "$work/missing.txt"

cable
pty=$(readlink -f "$work/a")
flock "$pty" sleep 10 &
holder=$!
sleep 0.2
expect_said 1 "Device or resource busy: another program has it open (In use, -3)" "$tool" dump -p "$pty"
kill "$holder"

# What an ordinary user meets: run as nobody where root may.
if [ "$(id -u)" -eq 0 ] && command -v setpriv >/dev/null && getent group dialout >/dev/null; then
  as_nobody() { setpriv --reuid=nobody --regid=nogroup --clear-groups "$@"; }
  chmod 755 "$work"
  chgrp dialout "$pty"
  chmod 660 "$pty"
  expect_said 1 "cannot open $pty: Permission denied (add yourself to the dialout group, then log in again) (In use, -3)" \
    as_nobody "$tool" dump -p "$pty"
  echo secret >"$work/secret.bin"
  chmod 600 "$work/secret.bin"
  # The file is looked at first: the port named here does not even exist.
  expect_said 1 "portkit send: cannot open $work/secret.bin: Permission denied" \
    as_nobody "$tool" send -p /dev/portkit-none "$work/secret.bin"
  mkdir "$work/locked"
  expect_said 1 "portkit receive: cannot receive into $work/locked: Permission denied" \
    as_nobody "$tool" receive -p /dev/portkit-none -d "$work/locked"
else
  echo "skipped: the checks as an ordinary user need root, setpriv and a dialout group"
fi
echo "failure reasons: all checks passed"
