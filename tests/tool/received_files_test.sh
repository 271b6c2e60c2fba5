#!/bin/sh
# portkit receive and what is on disk already: a file of the incoming name is
# kept by default, replaced with --overwrite, kept beside the new one with
# --rename; a file stays .NAME.part until whole and --resume completes it; a
# write that fails names the file and how far it got; permission bits travel
# with lrzsz both ways.
set -eu
tool=$1
. "$(dirname "$0")/tool_test_lib.sh"

mkdir "$work/src" "$work/in" "$work/full"
printf 'new\n' >"$work/src/notes.txt"
head -c 5000 /dev/urandom >"$work/src/other.bin"

for proto in zmodem ymodem kermit; do
  printf 'ours\n' >"$work/in/notes.txt"
  rm -f "$work/in/other.bin" "$work/in/notes.txt.1"
  pair --dir "$work/in" -P $proto -- -P $proto "$work/src/notes.txt" "$work/src/other.bin"
  [ "$(cat "$work/in/notes.txt")" = ours ] || fail "$proto replaced notes.txt without being asked"
  cmp "$work/src/other.bin" "$work/in/other.bin" || fail "$proto: other.bin differs"
  grep -q "Skipping .*notes.txt" "$work/receive.log" || fail "$proto: the skip went unsaid: $(cat "$work/receive.log")"
  grep -q "waiting for the sender (Ctrl-C to stop)" "$work/receive.log" || fail "$proto: waited in silence"

  pair --dir "$work/in" -P $proto --rename -- -P $proto "$work/src/notes.txt"
  [ "$(cat "$work/in/notes.txt")" = ours ] && [ "$(cat "$work/in/notes.txt.1")" = new ] ||
    fail "$proto --rename did not keep both"
  pair --dir "$work/in" -P $proto --overwrite -- -P $proto "$work/src/notes.txt"
  [ "$(cat "$work/in/notes.txt")" = new ] || fail "$proto --overwrite kept the old file"
  [ -z "$(find "$work/in" -name '*.part')" ] || fail "$proto left a partial file behind"
done

# XMODEM's FILE is the user's own name: refused before the line is opened.
printf 'ours\n' >"$work/in/copy.bin"
expect_exit 1 "$tool" receive -p "$work/no-such-pty" -P xmodem -d "$work/in" copy.bin
grep -q "copy.bin is here already; --overwrite replaces it, --rename keeps both" "$work/err" ||
  fail "xmodem onto an existing file: $(cat "$work/err")"

# A cable cut halfway leaves .big.bin.part and no big.bin; --resume then
# asks only for the rest.
head -c 8000000 /dev/urandom >"$work/src/big.bin"
cable
timeout 60 "$tool" receive -p "$work/b" -d "$work/in" 2>"$work/receive.log" &
receiver_pid=$!
timeout 60 "$tool" send -p "$work/a" "$work/src/big.bin" 2>/dev/null &
sender_pid=$!
for _ in $(seq 400); do
  size=$(stat -c %s "$work/in/.big.bin.part" 2>/dev/null || echo 0)
  [ "$size" -gt 500000 ] && break
  sleep 0.05
done
kill "$socat_pid"
wait "$sender_pid" || true
wait "$receiver_pid" && fail "a receive cut off halfway succeeded" || true
receiver_pid=
[ ! -e "$work/in/big.bin" ] || fail "an interrupted file took its final name"
[ -s "$work/in/.big.bin.part" ] || fail "no partial file kept: $(ls -a "$work/in")"
grep -q "Kept the partial file .big.bin.part" "$work/receive.log" || fail "the partial file went unsaid"
pair --dir "$work/in" --resume -- "$work/src/big.bin"
cmp "$work/src/big.bin" "$work/in/big.bin" || fail "the resumed file differs"
grep -q "resumed at" "$work/receive.log" || fail "not resumed: $(cat "$work/receive.log")"
[ ! -e "$work/in/.big.bin.part" ] || fail "the partial file stayed"

# A file-size limit stands in for a full disk.
head -c 3000000 /dev/urandom >"$work/src/huge.bin"
cable
(ulimit -f 1000 && exec timeout 30 "$tool" receive -p "$work/b" -d "$work/full") 2>"$work/receive.log" &
receiver_pid=$!
timeout 30 "$tool" send -p "$work/a" "$work/src/huge.bin" 2>/dev/null || true
wait "$receiver_pid" && rc=0 || rc=$?
receiver_pid=
[ "$rc" -eq 1 ] || fail "a receive that could not write exited $rc: $(cat "$work/receive.log")"
grep -q "cannot write huge.bin: File too large (.* of 3.0 MB written)" "$work/receive.log" ||
  fail "the failed write is not explained: $(cat "$work/receive.log")"
kill "$socat_pid" 2>/dev/null || true

# Permission bits, with lrzsz at the other end.
printf '#!/bin/sh\necho hi\n' >"$work/src/run.sh"
chmod 4755 "$work/src/run.sh"
mkdir "$work/modes"
cable
(cd "$work/src" && timeout 30 sz -q run.sh <"$work/a" >"$work/a") &
sender_pid=$!
(umask 022 && timeout 30 "$tool" receive -p "$work/b" -d "$work/modes" 2>"$work/receive.log") ||
  fail "receive from sz: $(cat "$work/receive.log")"
wait "$sender_pid"
[ "$(stat -c %a "$work/modes/run.sh")" = 755 ] || fail "sz's run.sh arrived as $(stat -c %a "$work/modes/run.sh")"
kill "$socat_pid"
chmod 750 "$work/src/run.sh"
mkdir "$work/rz"
cable
(cd "$work/rz" && umask 022 && timeout 30 rz -q <"$work/b" >"$work/b") &
receiver_pid=$!
timeout 30 "$tool" send -p "$work/a" "$work/src/run.sh" 2>"$work/send.log" || fail "send to rz: $(cat "$work/send.log")"
wait "$receiver_pid"
receiver_pid=
[ -x "$work/rz/run.sh" ] || fail "rz got run.sh as $(stat -c %a "$work/rz/run.sh")"
echo "received files: all checks passed"
