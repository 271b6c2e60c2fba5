#!/bin/sh
# The Windows tool under Wine, on COM1, against lrzsz (sz/rz, sb/rb) and
# against the Linux tool: ZMODEM and YMODEM, each direction, a few hundred
# KB of random data and a small file, compared byte for byte. The Linux tool
# is on the other end of a socat pty pair; lrzsz is on socat's other side
# itself (see cable_to). Each transfer runs under a time limit, so a hang
# fails instead of blocking, and prints how long it took (Wine's start-up
# included).
#
# usage: transfer_test.sh WINDOWS_EXE LINUX_TOOL
set -eu
[ $# -eq 2 ] || { echo "usage: $0 WINDOWS_EXE LINUX_TOOL" >&2; exit 2; }
. "$(dirname "$0")/wine_lib.sh"
exe=$(absolute "$1")
linux_tool=$(absolute "$2")
limit=${PORTKIT_WINE_TRANSFER_LIMIT:-180}
wine_setup "$exe"

src=$work/src
mkdir "$src"
head -c 307200 /dev/urandom >"$src/big.bin"
printf 'A small file, sent after the large one.\r\nSecond line.\n' >"$src/small.txt"

# The ends: $1 is the protocol; senders run in $src, receivers in $dest.
windows_send() { (cd "$src" && timeout "$limit" wine "$exe" send --port COM1 --protocol "$1" big.bin small.txt); }
windows_receive() { (cd "$dest" && timeout "$limit" wine "$exe" receive --port COM1 --protocol "$1" --dir .); }
linux_send() { (cd "$src" && timeout "$limit" "$linux_tool" send --port "$port_b" --protocol "$1" big.bin small.txt); }
linux_receive() {
  (cd "$dest" && timeout "$limit" "$linux_tool" receive --port "$port_b" --protocol "$1" --dir .)
}
# lrzsz_command send|receive PROTOCOL
lrzsz_command() {
  case $1-$2 in
    send-zmodem) echo "timeout $limit sz big.bin small.txt" ;;
    send-ymodem) echo "timeout $limit sb big.bin small.txt" ;;
    receive-zmodem) echo "timeout $limit rz" ;;
    receive-ymodem) echo "timeout $limit rb" ;;
  esac
}

failures=0
# transfer PROTOCOL SENDER RECEIVER: one of them is windows. The time runs
# from the start of the second end to the end of both.
transfer() {
  name="$1 $2 -> $3"
  dest=$work/in-$1-$2-$3
  mkdir "$dest"
  : >"$work/send.log"; : >"$work/receive.log"
  case $2 in windows) role=send other=receive ;; *) role=receive other=send ;; esac
  case $2$3 in
    *lrzsz*)
      if [ "$role" = send ]; then cable_to "$dest" "$(lrzsz_command receive "$1")"
      else cable_to "$src" "$(lrzsz_command send "$1")"; fi
      start=$(now)
      mine=0; "windows_$role" "$1" 2>"$work/$role.log" || mine=$?
      theirs=$(peer_status)
      cp "$work/socat.log" "$work/$other.log" ;;
    *)
      cable
      in_background "$3_receive" "$1" 2>"$work/receive.log"
      receiver=$last_pid
      start=$(now)
      sent=0; "$2_send" "$1" 2>"$work/send.log" || sent=$?
      received=0; wait "$receiver" || received=$?
      uncable
      if [ "$role" = send ]; then mine=$sent theirs=$received; else mine=$received theirs=$sent; fi ;;
  esac
  took=$(seconds_since "$start")
  if [ "$mine" != 0 ] || [ "$theirs" != 0 ]; then
    echo "FAIL: $name: windows exited $mine, the other end $theirs (124 is the ${limit} s limit) after $took s"
    tail -n 3 "$work/send.log" "$work/receive.log" | sed 's/^/    /'
    failures=$((failures + 1))
    return 0
  fi
  if same_file "$name: big.bin" "$src/big.bin" "$dest/big.bin" >"$work/verdict" &&
     same_file "$name: small.txt" "$src/small.txt" "$dest/small.txt" >>"$work/verdict"; then
    echo "ok: $name: $(($(wc -c <"$src/big.bin") + $(wc -c <"$src/small.txt"))) bytes in $took s"
  else
    sed -n 's/^FAIL/FAIL/p' "$work/verdict"
    failures=$((failures + 1))
  fi
}

if command -v sz >/dev/null && command -v rb >/dev/null; then peers="lrzsz linux"; else
  echo "skipped: transfers with lrzsz: sz, rz, sb, rb are not installed"
  peers=linux
fi
for protocol in zmodem ymodem; do
  for peer in $peers; do
    transfer "$protocol" windows "$peer"
    transfer "$protocol" "$peer" windows
  done
done
[ "$failures" -eq 0 ] || fail "$failures transfer(s) failed"
echo ok
