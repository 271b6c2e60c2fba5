#!/bin/sh
# portkit send and receive --protocol ascii over a pty pair with a plain
# program at the far end: text goes out with line feeds stripped and the
# line delay kept; a receive ends, with success, when the line falls quiet.
set -eu
tool=$1
. "$(dirname "$0")/tool_test_lib.sh"

printf 'first line\r\nsecond line\r\nthird\r\nfourth\r\nlast without CR' >"$work/text.txt"
stripped=$(tr -d '\n' <"$work/text.txt" | wc -c)

# Five lines with 200 ms after each take a second at least.
cable
timeout 20 head -c "$stripped" <"$work/b" >"$work/got.txt" &
receiver_pid=$!
started=$(date +%s%N)
timeout 20 "$tool" send --port "$work/a" --protocol ascii --strip-lf --line-delay 200 --char-delay 1 "$work/text.txt" \
  2>"$work/send.log" || fail "ascii send: $(cat "$work/send.log")"
elapsed_ms=$((($(date +%s%N) - started) / 1000000))
wait "$receiver_pid" || fail "the far end did not get $stripped bytes"
receiver_pid=
[ "$(cat "$work/got.txt")" = "$(tr -d '\n' <"$work/text.txt")" ] || fail "sent text differs: $(od -c "$work/got.txt")"
[ "$elapsed_ms" -ge 1000 ] || fail "five paced lines took only $elapsed_ms ms"
kill "$socat_pid"; wait "$socat_pid" 2>/dev/null || true; socat_pid=

# The far end writes and then stays on the line: the silence ends the receive.
cable
(printf 'one\r\ntwo\r\n'; sleep 5) >"$work/a" &
receiver_pid=$!
timeout 20 "$tool" receive --port "$work/b" --protocol ascii --timeout 500 --strip-lf "$work/in.txt" \
  2>"$work/receive.log" || fail "ascii receive: $(cat "$work/receive.log")"
[ "$(od -An -c "$work/in.txt" | tr -s ' ')" = "$(printf 'one\rtwo\r' | od -An -c | tr -s ' ')" ] ||
  fail "received text differs: $(od -c "$work/in.txt")"
kill "$receiver_pid" 2>/dev/null || true; receiver_pid=

missing=/dev/portkit-missing
expect_exit 2 "$tool" send --port $missing --protocol zmodem --line-delay 10 "$work/text.txt"
expect_exit 2 "$tool" send --port $missing --protocol ascii --timeout 10 "$work/text.txt"
expect_exit 2 "$tool" receive --port $missing --protocol ascii --line-delay 10 "$work/in.txt"
expect_exit 2 "$tool" receive --port $missing --protocol ascii
expect_exit 2 "$tool" send --port $missing --protocol ascii --line-delay -5 "$work/text.txt"
echo "ascii tool test passed"
