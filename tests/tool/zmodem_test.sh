#!/bin/sh
# ZMODEM in the portkit tool: the default protocol between two portkit
# processes over a pty pair, a directory tree, resuming a partial file,
# skipping files the receiver has, --stdio against portkit and lrzsz with the
# terminal put back afterwards (also when killed), and the flags' usage errors.
set -eu
tool=$1
. "$(dirname "$0")/tool_test_lib.sh"

mkdir "$work/src" "$work/in"
head -c 300000 /dev/urandom >"$work/src/big.bin"
head -c 3000 /dev/urandom >"$work/src/two words.txt"
: >"$work/src/empty.bin"

# No --protocol: ZMODEM, a batch with the sender's names, an empty file too.
pair --dir "$work/in" -- "$work/src/big.bin" "$work/src/two words.txt" "$work/src/empty.bin"
for f in big.bin "two words.txt" empty.bin; do cmp "$work/src/$f" "$work/in/$f" || fail "$f differs"; done
grep -q '^received two words.txt: 3000 bytes in ' "$work/receive.log" || fail "no summary: $(cat "$work/receive.log")"

# A directory with --descend is every file below it; --keep-paths rebuilds the tree.
mkdir -p "$work/tree/sub/deeper"
echo a >"$work/tree/a.txt"; echo c >"$work/tree/sub/deeper/c.txt"
cd "$work"  # the names travel as given
pair --dir "$work/in" --keep-paths -- --descend --keep-paths tree
diff -r "$work/tree" "$work/in/tree" || fail "tree differs"

# The receiver has the first half; only the rest travels.
mkdir "$work/part"
head -c 100000 "$work/src/big.bin" >"$work/part/big.bin"
pair --dir "$work/part" --verbose -- --resume "$work/src/big.bin"
cmp "$work/src/big.bin" "$work/part/big.bin" || fail "resumed big.bin differs"
grep -q 'Resuming at offset 100000' "$work/receive.log" || fail "not resumed: $(cat "$work/receive.log")"
grep -q '^received big.bin: 300000 bytes (resumed at 100000) in ' "$work/receive.log" ||
  fail "no resumed summary: $(cat "$work/receive.log")"

# Files the receiver has are left alone, and reported so; the other one arrives.
for f in keep1 keep2; do echo old >"$work/in/$f"; echo new >"$work/src/$f"; done
head -c 2000 /dev/urandom >"$work/src/fresh.bin"
pair --dir "$work/in" -- --skip-existing "$work/src/keep1" "$work/src/fresh.bin" "$work/src/keep2"
[ "$(cat "$work/in/keep1" "$work/in/keep2")" = "old
old" ] || fail "an existing file was overwritten"
cmp "$work/src/fresh.bin" "$work/in/fresh.bin" || fail "fresh.bin differs"
[ "$(grep -c '^skipped .*keep[12]: ' "$work/send.log")" -eq 2 ] || fail "skips not shown: $(cat "$work/send.log")"

# --stdio both ways: two portkits joined by socat, and lrzsz on either side.
mkdir "$work/s1" "$work/s2" "$work/s3"
socat EXEC:"$tool send --stdio $work/src/big.bin $work/src/empty.bin" \
  EXEC:"$tool receive --stdio --dir $work/s1" 2>"$work/stdio.log" || fail "stdio pair: $(cat "$work/stdio.log")"
cmp "$work/src/big.bin" "$work/s1/big.bin" && cmp "$work/src/empty.bin" "$work/s1/empty.bin" || fail "stdio copies differ"
timeout 30 socat EXEC:"sz -q $work/src/big.bin" EXEC:"$tool receive --stdio --dir $work/s2" 2>"$work/sz.log" ||
  fail "sz to portkit: $(cat "$work/sz.log")"
cmp "$work/src/big.bin" "$work/s2/big.bin" || fail "copy from sz differs"

# Under a terminal (a pty in cooked mode): raw while sending to rz, and its
# settings and descriptor flags as they were once portkit is gone.
cat >"$work/on_tty.sh" <<SCRIPT
#!/bin/sh
state() { stty -g; grep '^flags' /proc/\$\$/fdinfo/0; }
state >"$work/before"
tty >"$work/tty"
exec 3<&0
"$tool" "\$@" <&3 3<&- 2>"$work/tty.log" &
echo \$! >"$work/pid"
wait \$! && echo 0 >"$work/rc" || echo \$? >"$work/rc"
state >"$work/after"
SCRIPT
chmod +x "$work/on_tty.sh"
(cd "$work/s3" && timeout 30 socat EXEC:"$work/on_tty.sh send --stdio $work/src/big.bin",pty,setsid,ctty \
  EXEC:"rz -q -y") || fail "portkit to rz"
[ "$(cat "$work/rc")" -eq 0 ] || fail "send --stdio to rz: $(cat "$work/tty.log")"
cmp "$work/src/big.bin" "$work/s3/big.bin" || fail "copy to rz differs"
cmp "$work/before" "$work/after" || fail "terminal not put back after a transfer"
rm -f "$work/pid"
timeout 30 socat EXEC:"$work/on_tty.sh receive --stdio --dir $work/s3",pty,setsid,ctty EXEC:"sleep 20" 2>/dev/null &
socat_pid=$!
tries=0
until [ -s "$work/pid" ] && stty -a -F "$(cat "$work/tty")" 2>/dev/null | grep -q -- -icanon; do
  tries=$((tries + 1))
  [ "$tries" -le 100 ] || fail "receive --stdio never made its terminal raw"
  sleep 0.05
done
kill -TERM "$(cat "$work/pid")"
wait "$socat_pid" 2>/dev/null || true
socat_pid=
[ "$(cat "$work/rc")" -eq 143 ] || fail "killed receive exited $(cat "$work/rc")"
cmp "$work/before" "$work/after" || fail "terminal not put back after SIGTERM"

# Flags a side or protocol does not take, and clashing ones, exit 2 before any port opens.
missing=/dev/portkit-missing
expect_exit 2 "$tool" receive --port $missing --window 8192
expect_exit 2 "$tool" send --port $missing --append --newer "$work/src/big.bin"
expect_exit 2 "$tool" send --port $missing --window 0 "$work/src/big.bin"
expect_exit 2 "$tool" send --port $missing --protocol ymodem --resume "$work/src/big.bin"
expect_exit 2 "$tool" send --stdio --port $missing "$work/src/big.bin"
echo ok
