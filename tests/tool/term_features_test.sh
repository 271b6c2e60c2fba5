#!/bin/bash
# portkit term's everyday features in a real terminal (tmux) against a far
# end on a pty pair: byte maps both ways, the log as bytes arrive and after
# SIGTERM, line settings changed at the Ctrl-T c prompt, the modem lines of
# a pty, the hex view, timestamps, another command key, and paced output.
set -eu
tool=$1
. "$(dirname "$0")/tool_test_lib.sh"
. "$(dirname "$0")/tmux_screen_lib.sh"

old_cables=
cleanup_tmux() {
  tm kill-server 2>/dev/null || true
  for pid in $old_cables; do kill "$pid" 2>/dev/null || true; done
  cleanup
}
trap cleanup_tmux EXIT

# start_term ARGS...: the terminal on end a of a fresh cable in an 80x24
# tmux window; the far end is end b, open on descriptor 3.
start_term() {
  tm kill-server 2>/dev/null || true
  rm -f "$work/rc"
  if [ -n "$socat_pid" ]; then
    kill "$socat_pid" 2>/dev/null || true
    wait "$socat_pid" 2>/dev/null || true
  fi
  cable
  old_cables="$old_cables $socat_pid"
  tm new-session -d -x 80 -y 24 -c "$work" "$tool term --port $work/a $*; echo \$? >$work/rc; sleep 60"
  exec 3<>"$work/b"
  wait_screen "q to quit"
}

ended_with() {
  for _ in $(seq 100); do [ -s "$work/rc" ] && break; sleep 0.05; done
  [ "$(cat "$work/rc" 2>/dev/null)" = "$1" ] || fail "portkit term exited '$(cat "$work/rc" 2>/dev/null)', not $1"
}

size_of() { stat -c %s "$1" 2>/dev/null || echo 0; }

# wait_size FILE SIZE: FILE holds SIZE bytes within 5 s.
wait_size() {
  for _ in $(seq 100); do [ "$(size_of "$1")" -eq "$2" ] && return 0; sleep 0.05; done
  fail "$1 holds $(size_of "$1") bytes, not $2"
}

# Each map of typed bytes: CR, LF, BS and DEL typed, and what the far end gets.
for case in "crlf:a\nb\n\b\177" "crcrlf:a\r\nb\n\b\177" "igncr:ab\n\b\177" "lfcr:a\rb\r\b\177" \
  "lfcrlf:a\rb\r\n\b\177" "ignlf:a\rb\b\177" "bsdel:a\rb\n\177\177" "delbs:a\rb\n\b\b"; do
  start_term --omap "${case%%:*}"
  tm send-keys a Enter b C-j C-h BSpace
  far_end_reads "${case#*:}"
done

# Maps both ways, and the log as it grows and after SIGTERM.
echo stale >"$work/session.log"
start_term --imap lfcrlf --omap crcrlf,delbs --log "$work/session.log"
[ "$(size_of "$work/session.log")" -eq 0 ] || fail "--log without --log-append kept the old text"
tm send-keys 'ab' Enter BSpace
far_end_reads 'ab\r\n\b'
printf 'one\ntwo\n' >&3
wait_screen two
screen | grep -qx two || fail "imap lfcrlf: 'two' does not begin its line: $(screen)"
wait_size "$work/session.log" 8
head -c 3000 /dev/urandom | od -An -tx1 | tr -d ' \n' | head -c 5000 >"$work/chunk"
cat "$work/chunk" >&3
wait_size "$work/session.log" 5008
printf 'last line\n' >&3
wait_screen "last line"
pkill -TERM -f "^$tool term --port $work/a" || fail "no portkit term to kill"
ended_with 143
[ "$(size_of "$work/session.log")" -eq 5018 ] || fail "after SIGTERM the log holds $(size_of "$work/session.log") bytes, not 5018"
[ "$(tail -c 10 "$work/session.log")" = "last line" ] || fail "the log ends '$(tail -c 10 "$work/session.log" | od -c)'"

# --log-append adds; Ctrl-T f switches the log to another file and closes it.
start_term --log "$work/session.log" --log-append
printf 'more\n' >&3
wait_size "$work/session.log" 5023
tm send-keys C-t f
wait_screen "Log to another file"
tm send-keys other.log Enter
wait_screen "[logging to other.log]"
printf 'other\n' >&3
wait_size "$work/other.log" 6
tm send-keys C-t f
wait_screen "empty closes other.log"
tm send-keys Enter
wait_screen "[log other.log closed]"
printf 'unlogged\n' >&3
wait_screen unlogged
[ "$(size_of "$work/other.log")" -eq 6 ] && [ "$(size_of "$work/session.log")" -eq 5023 ] ||
  fail "a closed log grew: $(size_of "$work/other.log") and $(size_of "$work/session.log") bytes"
tm send-keys C-t f
wait_screen "Log to file:"
tm send-keys no/such/dir.log Enter
wait_screen "cannot open the log no/such/dir.log: No such file or directory"
tm send-keys C-t q
ended_with 0

# Ctrl-T c: the settings edited in place reach the device; arrows and Tab
# typed at the prompt are taken there; a refused value leaves the old ones.
start_term
tm send-keys C-t c
wait_screen "Speed: 115200"
tm send-keys BSpace BSpace BSpace BSpace BSpace BSpace 9600 Up Left Tab Enter
wait_screen "Parity: N"
tm send-keys BSpace e Enter
wait_screen "Data bits: 8"
tm send-keys Enter
wait_screen "Stop bits: 1"
tm send-keys Down BSpace 2 Enter
wait_screen "Flow control: none"
tm send-keys Enter
wait_screen "now at 9600 8E2, no flow control"
wait_screen "Data bits: 8  Parity: none  Stop bits: 2"
far_end_reads ''
# A pty keeps the speed and stop bits it is given (it always has 8N).
device_has() { stty -F "$work/a" -a | grep -qw -- "$1" || fail "the device lacks $1: $(stty -F "$work/a" -a)"; }
device_has 9600
device_has cstopb
tm send-keys C-t c
wait_screen "Speed: 9600"
tm send-keys BSpace BSpace BSpace BSpace 4800 Enter Enter BSpace 9 Enter BSpace 1 Enter Enter
wait_screen "the port refused 4800 9E1"
wait_screen "still 9600 8E2"
device_has 9600
device_has cstopb
tm send-keys C-t c
wait_screen "Speed: 9600"
tm send-keys Escape
wait_screen "line settings unchanged"
# A pty has no modem lines: the toggle says so, in the library's words.
tm send-keys C-t d
wait_screen "DTR not changed: "
tm send-keys C-t l
wait_screen "Modem lines: none on this device (Not a serial device"
# A file that cannot be read is named before any protocol starts.
tm send-keys C-t s
wait_screen "Send files:"
tm send-keys "missing.bin" Enter
wait_screen "Cannot read missing.bin: No such file or directory"
far_end_reads ''
tm send-keys C-t q
ended_with 0

# The hex view and timestamps, and Ctrl-A as the command key.
start_term --hex --timestamps --escape a
wait_screen "Ctrl-A ? for help, Ctrl-A q to quit"
printf 'AB\r\n' >&3
wait_screen "41 42 0d 0a"
stamp='[0-9]{4}-[0-9]{2}-[0-9]{2}T[0-9]{2}:[0-9]{2}:[0-9]{2}\.[0-9]{3}'
screen | grep -Eq "^$stamp 41 42 0d 0a\$" || fail "no timestamped hex line: $(screen)"
tm send-keys C-a x
wait_screen "[hex view off]"
printf 'plain\r\n' >&3
wait_screen plain
screen | grep -Eq "^$stamp plain\$" || fail "no timestamped text line: $(screen)"
tm send-keys C-a T
wait_screen "[timestamps off]"
printf 'bare\r\n' >&3
wait_screen bare
screen | grep -qx bare || fail "timestamps still on: $(screen)"
tm send-keys C-a '?'
wait_screen "Ctrl-A then:"
tm send-keys C-t
far_end_reads '\024'
tm send-keys C-a q
ended_with 0

# Pacing: 100 ms after each byte typed, 300 ms more after CR.
start_term --output-delay 100 --line-delay 300
cat >"$work/timer.py" <<'PY'

import os, sys, time
got, times = b"", []
open(sys.argv[1] + ".ready", "w").close()
end = time.monotonic() + 5
while len(got) < 5 and time.monotonic() < end:
    byte = os.read(0, 1)
    got += byte
    times.append(time.monotonic())
with open(sys.argv[1], "w") as out:
    out.write(repr(got) + "\n" + " ".join("%d" % ((t - times[0]) * 1000) for t in times) + "\n")
PY
timeout 10 python3 "$work/timer.py" "$work/times" <&3 &
reader=$!
for _ in $(seq 100); do [ -e "$work/times.ready" ] && break; sleep 0.05; done
tm send-keys 'ab' Enter 'cd'
wait "$reader" || true
[ "$(head -n 1 "$work/times")" = "b'ab\\rcd'" ] || fail "paced bytes: $(cat "$work/times")"
read -r -a at <<<"$(tail -n 1 "$work/times")"
[ "${at[1]}" -ge 90 ] && [ "${at[2]}" -ge 180 ] && [ "$((at[3] - at[2]))" -ge 390 ] ||
  fail "bytes came at ${at[*]} ms, not 100 ms apart with 400 after CR"
tm send-keys C-t q
ended_with 0
# A download the far end starts and this end skips (the file is here
# already) leaves none of its headers on the screen, before or after.
mkdir "$work/far"
head -c 5000 /dev/urandom >"$work/far/kept.bin"
cp "$work/far/kept.bin" "$work/kept.bin"
start_term
(cd "$work/far" && timeout 30 sz -q kept.bin <&3 >&3 2>/dev/null) || fail "sz at the far end failed"
wait_screen "Transfer complete."
sleep 0.5
printf 'after the skip\r\n' >&3
wait_screen "after the skip"
[ "$(screen | grep -A1 -F 'Transfer complete.' | tail -n 1)" = "after the skip" ] ||
  fail "ZMODEM headers were left on the screen: $(screen)"
! screen | grep -q 'B0[0-9a-f]\{13\}' || fail "a ZMODEM header is on the screen: $(screen)"
tm send-keys C-t q
ended_with 0
echo "portkit term features: all checks passed"
