#!/bin/sh
# The tool over a line that goes away mid-transfer, and a sender whose file
# is not the length it announced: a prompt failure exit, never a success.
set -eu
tool=$1
. "$(dirname "$0")/tool_test_lib.sh"

mkdir "$work/src" "$work/whole" "$work/cut"
head -c 400000 /dev/urandom >"$work/src/big.bin"

now_ms() { date +%s%3N; }

# record PROTOCOL SENDER...: what SENDER puts on the line in a whole session
# with `portkit receive --stdio`, kept in $work/PROTOCOL.stream.
record() {
  protocol=$1; shift
  (cd "$work/src" && timeout 30 socat EXEC:"$*" \
    SYSTEM:"tee $work/$protocol.stream | $tool receive --stdio --protocol $protocol --dir $work/whole",pipes 2>/dev/null) ||
    fail "$protocol: the recorded session failed"
  cmp "$work/src/big.bin" "$work/whole/big.bin" || fail "$protocol: the recorded copy differs"
  rm -f "$work/whole/big.bin"
}

# The first part of the recorded stream, then its end: the receiver must
# give up at once with a failure, not run its time-outs out.
replay_cut() {
  protocol=$1
  head -c 40000 "$work/$protocol.stream" >"$work/$protocol.cut"
  started=$(now_ms)
  timeout 60 "$tool" receive --stdio --protocol "$protocol" --dir "$work/cut" \
    <"$work/$protocol.cut" >/dev/null 2>"$work/cut.log" && rc=0 || rc=$?
  took=$(( $(now_ms) - started ))
  [ "$rc" -eq 1 ] || fail "$protocol: a line ending mid-transfer exited $rc: $(cat "$work/cut.log")"
  [ "$took" -lt 5000 ] || fail "$protocol: giving up on a line that ended took $took ms"
  grep -q 'Lost carrier' "$work/cut.log" || fail "$protocol: no reason given: $(cat "$work/cut.log")"
}

record zmodem sz -q big.bin
replay_cut zmodem
record ymodem sb -q big.bin
replay_cut ymodem

# A sender whose reader goes away while its own input stays open: the closed
# output alone ends it.
mkfifo "$work/silent"
exec 3<>"$work/silent"  # open for as long as the test runs, and never written
{ timeout 20 "$tool" send --stdio "$work/src/big.bin" <&3 2>"$work/send.log" && echo 0 >"$work/send.rc" ||
  echo $? >"$work/send.rc"; } | head -c 10 >/dev/null
exec 3<&-
[ "$(cat "$work/send.rc")" -eq 1 ] || fail "a send whose reader went away exited $(cat "$work/send.rc")"
grep -q 'Lost carrier' "$work/send.log" || fail "no reason given: $(cat "$work/send.log")"

# A YMODEM sender announcing 1000 bytes and sending one block of 128.
if command -v python3 >/dev/null; then
  python3 - "$work/short.stream" <<'PY'
import sys
def crc16(data):
    crc = 0
    for byte in data:
        crc ^= byte << 8
        for _ in range(8):
            crc = ((crc << 1) ^ 0x1021) if crc & 0x8000 else crc << 1
            crc &= 0xFFFF
    return crc
def block(number, data):
    data = data.ljust(128, b"\0")
    check = crc16(data)
    return bytes([1, number, 255 - number]) + data + bytes([check >> 8, check & 0xFF])
stream = block(0, b"short.bin\x001000") + block(1, b"x" * 128) + b"\x04" + block(0, b"")
open(sys.argv[1], "wb").write(stream)
PY
  mkdir "$work/short"
  timeout 30 "$tool" receive --stdio --protocol ymodem --dir "$work/short" \
    <"$work/short.stream" >/dev/null 2>"$work/short.log" && rc=0 || rc=$?
  [ "$rc" -eq 1 ] || fail "a file shorter than announced exited $rc: $(cat "$work/short.log")"
  grep -q 'short.bin: 128 bytes arrived, but the sender announced 1000' "$work/short.log" ||
    fail "the short file was not named: $(cat "$work/short.log")"
  [ "$(wc -c <"$work/short/short.bin")" -eq 128 ] || fail "what arrived was not kept"
fi
echo "vanished line: ok"
