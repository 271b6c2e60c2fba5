#!/bin/sh
# The Windows serial driver under Wine, through portkit.dll, on COM1 = one
# end of a socat pty pair; this script plays the far end on the other.
# serial_check.exe (built here from serial_*.cpp with MinGW) does the
# port's side and prints ok/FAIL/skipped lines; the script adds its own
# for what only the far end can see. Last, the time to receive 1 MB by
# ZMODEM from sz through the Windows tool.
#
# usage: serial_test.sh WINDOWS_EXE      (portkit.exe, beside or below portkit.dll)
#        serial_test.sh WINDOWS_EXE reused-buffer RUNS
# The second form runs only the reused-buffer check, RUNS times over, and
# counts the runs that failed: for hunting a fault that shows under load.
set -eu
usage() { echo "usage: $0 WINDOWS_EXE [reused-buffer RUNS]" >&2; exit 2; }
case $# in
  1) repeat_runs= ;;
  3) [ "$2" = reused-buffer ] && [ "$3" -gt 0 ] 2>/dev/null || usage; repeat_runs=$3 ;;
  *) usage ;;
esac
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine_lib.sh"
exe=$(absolute "$1")
limit=${PORTKIT_WINE_CHECK_LIMIT:-120}
stall=${PORTKIT_WINE_STALL_SECONDS:-5}
speed_bytes=${PORTKIT_WINE_SPEED_BYTES:-1048576}

# serial_check.exe, linked against the portkit.dll that the tool uses.
dll=$(dirname "$exe")/portkit.dll
[ -e "$dll" ] || dll=$(dirname "$exe")/../portkit.dll
[ -e "$dll" ] || fail "no portkit.dll beside or above $exe"
triple=$(windows_triple "$exe")
compiler=$(command -v "$triple-g++-posix" || command -v "$triple-g++") || fail "$triple-g++ is not installed"
checker=$work/serial_check.exe
"$compiler" -std=c++20 -O2 -Wall -Wextra -static -I"$here/../../include" "$here"/serial_*.cpp "$dll" \
  -o "$checker" || fail "serial_check.exe does not build"
wine_setup "$exe"

failures=0
count_failures() { failures=$((failures + $(grep -c '^FAIL' "$1" || true))); }

# start_check COMMAND ARGS...: serial_check on COM1 of a fresh cable, in
# $work, its lines collected in $work/check.out; fd 3 is the far end.
start_check() {
  cable
  exec 3<>"$port_b"
  (cd "$work" && exec timeout "$limit" wine "$checker" 0 "$@" 3<&-) >"$work/check.out" 2>"$work/check.err" &
  check_pid=$!
  background_pids="$background_pids $check_pid"
}

# finish_check: waits for the program and shows its lines.
finish_check() {
  status=0; wait "$check_pid" || status=$?
  exec 3<&-
  uncable
  # Windows ends the program's lines with CR LF.
  tr -d '\r' <"$work/check.out" | grep -v '^count ' || true
  count_failures "$work/check.out"
  case $status in
    0 | 1) [ -s "$work/check.out" ] ||
      { echo "FAIL: serial_check $1 printed nothing: $(tail -n 3 "$work/check.err")"; failures=$((failures + 1)); } ;;
    124) echo "FAIL: serial_check $1: still running after $limit s"; failures=$((failures + 1)) ;;
    *) echo "FAIL: serial_check $1 exited $status: $(tail -n 3 "$work/check.err")"; failures=$((failures + 1)) ;;
  esac
}

# far_ready: the far end waits for the port's 'R' before it writes.
far_ready() {
  [ "$(timeout 30 head -c 1 <&3)" = R ] && return 0
  echo "FAIL: the port never said it was ready"
  failures=$((failures + 1))
}

# far_read_after_stall N FILE: reads nothing for a while, then N bytes into
# FILE, then answers 'K' so the port may close.
far_read_after_stall() {
  sleep "$stall"
  timeout 30 head -c "$1" <&3 >"$2" || true
  printf K >&3
}

verdict() { same_file "$@" >"$work/verdict" || true; cat "$work/verdict"; count_failures "$work/verdict"; }

# stalled_write_check KIND: writes of 256 KB of fresh bytes while the far
# end reads nothing for $stall s: more than the ptys and socat hold, so the
# writes must wait or go pending.
stalled_write_check() {
  head -c 262144 /dev/urandom >"$work/stall.bin"
  case $1 in stalled-write) args= ;; *) args=1000 ;; esac
  # shellcheck disable=SC2086  # args is one word or none
  start_check "$1" stall.bin $args
  far_read_after_stall 262144 "$work/$1.out"
  finish_check "$1"
  verdict "$1: 256 KB arrive intact and in order after a ${stall} s stall" "$work/stall.bin" "$work/$1.out"
}

if [ -n "$repeat_runs" ]; then
  failed_runs=0
  run=0
  while [ "$run" -lt "$repeat_runs" ]; do
    run=$((run + 1))
    before=$failures
    stalled_write_check reused-buffer
    [ "$failures" -eq "$before" ] || failed_runs=$((failed_runs + 1))
  done
  echo "reused-buffer: $failed_runs of $repeat_runs runs failed"
  [ "$failed_runs" -eq 0 ] || fail "$failed_runs run(s) failed"
  echo ok
  exit 0
fi

for kind in stalled-write reused-buffer; do stalled_write_check "$kind"; done

# A write the far end never takes must time out, and count only bytes that
# do arrive: exactly those, and nothing after them.
head -c 2097152 /dev/urandom >"$work/flood.bin"
start_check write-timeout flood.bin 2000
tries=0
until grep -q '^count ' "$work/check.out" 2>/dev/null; do
  tries=$((tries + 1))
  if [ "$tries" -gt 600 ] || ! kill -0 "$check_pid" 2>/dev/null; then break; fi
  sleep 0.1
done
counted=$(tr -d '\r' <"$work/check.out" | sed -n 's/^count //p')
timeout 30 head -c "${counted:-0}" <&3 >"$work/flood.out" || true
timeout 1 head -c 1 <&3 >"$work/flood.extra" || true
printf K >&3
finish_check write-timeout
head -c "${counted:-0}" "$work/flood.bin" >"$work/flood.want"
verdict "write time-out: the $counted bytes counted arrive" "$work/flood.want" "$work/flood.out"
if [ -s "$work/flood.extra" ]; then
  echo "FAIL: write time-out: bytes arrive beyond the count"
  failures=$((failures + 1))
fi

# Reads: a block of random bytes, text in pieces with pauses, lines, counts.
head -c 262144 /dev/urandom >"$work/read.bin"
start_check read read.out 262144
far_ready; cat "$work/read.bin" >&3
finish_check read
verdict "read: 256 KB arrive through ReadCharTimed and ReadBufferTimed" "$work/read.bin" "$work/read.out"

start_check pieces "first piece, second piece, last piece"
far_ready
for piece in "first piece," " second piece," " last piece"; do printf '%s' "$piece" >&3; sleep 0.4; done
finish_check pieces

start_check strings "first line" "second line" "word"
far_ready; printf 'first line\r\nsecond line\r\nword;' >&3
finish_check strings

head -c 300 /dev/urandom >"$work/count.bin"
start_check queue-counts 300
far_ready; cat "$work/count.bin" >&3
finish_check queue-counts

# A line that goes away after its last bytes (socat ends, so Wine's pty
# hangs up): the bytes arrive, and the read after them ends at once.
head -c 64 /dev/urandom >"$work/hangup.bin"
start_check hangup-read 64 hangup.out
far_ready; cat "$work/hangup.bin" >&3; sleep 1; exec 3<&-; uncable
finish_check hangup-read
verdict "hangup-read: the bytes sent before a hang-up arrive" "$work/hangup.bin" "$work/hangup.out"

# Settings; the program ends with a line the far end must get.
start_check lines
timeout 30 head -c 16 <&3 >"$work/lines.out" || true
printf K >&3
finish_check lines
printf 'after settings\r\n' >"$work/lines.want"
verdict "lines: output after the settings is intact" "$work/lines.want" "$work/lines.out"

# The receive speed: a ZMODEM receive from sz through the Windows tool,
# sz on the cable itself as in the transfer test.
if command -v sz >/dev/null; then
  mkdir "$work/speed" "$work/speed-in"
  head -c "$speed_bytes" /dev/urandom >"$work/speed/speed.bin"
  cable_to "$work/speed" "timeout 600 sz speed.bin"
  start=$(now)
  received=0
  (cd "$work/speed-in" && timeout 600 wine "$exe" receive --port COM1 --dir .) 2>"$work/speed.log" || received=$?
  took=$(seconds_since "$start")
  sent=$(peer_status)
  if [ "$received" -ne 0 ] || [ "$sent" != 0 ]; then
    echo "FAIL: receive speed: the tool exited $received, sz $sent: $(tail -n 2 "$work/speed.log" "$work/socat.log")"
    failures=$((failures + 1))
  else
    verdict "receive speed: $speed_bytes bytes from sz intact" "$work/speed/speed.bin" "$work/speed-in/speed.bin"
    rate=$(awk -v n="$speed_bytes" -v s="$took" 'BEGIN { printf "%d", (s > 0 ? n / s : 0) }')
    echo "receive speed: $speed_bytes bytes by ZMODEM from sz in $took s ($rate bytes/s, Wine's start-up included)"
    tr -d '\r' <"$work/speed.log" | sed -n 's/^received /receive speed: the tool says /p'
  fi
else
  echo "skipped: receive speed: sz (lrzsz) is not installed"
fi

[ "$failures" -eq 0 ] || fail "$failures check(s) failed"
echo ok
