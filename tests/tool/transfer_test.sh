#!/bin/sh
# portkit send and receive, each end its own process, over a pty pair that
# socat joins: a YMODEM batch (one name with a blank), an XMODEM-1K file and
# a Kermit batch
# arrive intact; mistakes in the command line exit 2 before any port opens.
set -eu
tool=$1
. "$(dirname "$0")/tool_test_lib.sh"

# transfer PROTOCOL RECEIVE-ARGS -- SEND-ARGS: both ends must succeed.
transfer() {
  protocol=$1; shift
  receive_args=
  while [ "$1" != -- ]; do receive_args="$receive_args $1"; shift; done
  shift
  # shellcheck disable=SC2086  # the receive arguments hold no blanks
  pair --protocol "$protocol" $receive_args -- --protocol "$protocol" "$@"
}

mkdir "$work/src"
head -c 70000 /dev/urandom >"$work/src/one.bin"
head -c 3000 /dev/urandom >"$work/src/two words.txt"
head -c 5000 /dev/urandom >"$work/src/single.bin"

# YMODEM carries names and lengths: the copies are exact, under the sender's names.
transfer ymodem --dir "$work/in" -- "$work/src/one.bin" "$work/src/two words.txt"
cmp "$work/src/one.bin" "$work/in/one.bin" || fail "one.bin differs"
cmp "$work/src/two words.txt" "$work/in/two words.txt" || fail "'two words.txt' differs"
# Off a terminal, progress is one summary line per file on each side.
grep -q '^received two words.txt: 3000 bytes in ' "$work/receive.log" || fail "no summary: $(cat "$work/receive.log")"
[ "$(grep -c '^sent .*: [0-9]* bytes in ' "$work/send.log")" -eq 2 ] || fail "send summaries: $(cat "$work/send.log")"

# XMODEM-1K fills the last block with zeros up to a multiple of 128 bytes.
transfer xmodem-1k --dir "$work/in" copy.bin -- "$work/src/single.bin"
size=$(wc -c <"$work/in/copy.bin")
[ $((size % 128)) -eq 0 ] && [ "$size" -ge 5000 ] && [ "$size" -lt 6024 ] || fail "copy.bin has $size bytes"
cmp -n 5000 "$work/src/single.bin" "$work/in/copy.bin" || fail "copy.bin differs"
[ "$(tail -c +5001 "$work/in/copy.bin" | tr -d '\000' | wc -c)" -eq 0 ] || fail "padding is not zeros"

# Kermit with 8th-bit prefixing and no repeat counts still delivers exact copies.
rm -rf "$work/in" && mkdir "$work/in"
transfer kermit --dir "$work/in" --no-repeat -- --eighth-bit --no-repeat "$work/src/one.bin" "$work/src/single.bin"
cmp "$work/src/one.bin" "$work/in/one.bin" || fail "one.bin differs after kermit"
cmp "$work/src/single.bin" "$work/in/single.bin" || fail "single.bin differs after kermit"
# Long packets and windows by default; a receiver told --kermit-classic gets
# the sender down to the classic protocol, and the copy is still exact.
rm -rf "$work/in" && mkdir "$work/in"
transfer kermit --dir "$work/in" --kermit-classic -- "$work/src/one.bin"
cmp "$work/src/one.bin" "$work/in/one.bin" || fail "one.bin differs after kermit to a classic receiver"

missing=/dev/portkit-missing
expect_exit 2 "$tool" receive --port $missing --protocol kermit --eighth-bit
expect_exit 2 "$tool" send --port $missing --protocol zmodem --kermit-classic "$work/src/one.bin"
expect_exit 2 "$tool" send --port $missing --protocol zmodem-x "$work/src/one.bin"
grep -q 'ymodem-g' "$work/err" || fail "unknown protocol does not list the protocols"
expect_exit 2 "$tool" send --protocol ymodem "$work/src/one.bin"
expect_exit 2 "$tool" send --port $missing --protocol xmodem "$work/src/one.bin" "$work/src/single.bin"
expect_exit 2 "$tool" send --port $missing --protocol ymodem
expect_exit 2 "$tool" send --port $missing --protocol xmodem --keep-paths "$work/src/one.bin"
expect_exit 2 "$tool" receive --port $missing --protocol xmodem
expect_exit 2 "$tool" receive --port $missing --protocol ymodem name.bin
# A blank in a name is sent as the wildcard ?; where that would match a
# second file, or the blank is in a directory name, the tool refuses.
cp "$work/src/two words.txt" "$work/src/two_words.txt"
expect_exit 2 "$tool" send --port $missing --protocol ymodem "$work/src/two words.txt"
mkdir "$work/a dir" && cp "$work/src/one.bin" "$work/a dir/"
expect_exit 2 "$tool" send --port $missing --protocol ymodem "$work/a dir/one.bin"
expect_exit 1 "$tool" send --port $missing --protocol ymodem "$work/src/none.bin"
# A transfer that fails says why, with the status code.
expect_exit 1 "$tool" receive --port sim:transfer-test:a --protocol xmodem "$work/no-such-dir/x.bin"
grep -qx "portkit receive: Can't open xfer file (-602)" "$work/err" || fail "wrong failure line: $(cat "$work/err")"
echo ok
