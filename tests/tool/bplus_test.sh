#!/bin/sh
# portkit bplus against the B+ host simulator on a pty: a download, an
# upload with CRC-32 only when allowed, a resumed download, a host naming a file outside the
# directory, and hostile names.
set -eu
tool=$1
host=$2
. "$(dirname "$0")/tool_test_lib.sh"

mkdir "$work/dl" "$work/up"
head -c 70000 /dev/urandom >"$work/up/data.bin"

# bplus HOST-ARGS -- TOOL-ARGS: the host on a fresh pty, portkit bplus on
# its other side; the tool's exit code in $rc, its messages in $work/tool.log.
bplus() {
  host_args=
  while [ "$1" != -- ]; do host_args="$host_args $1"; shift; done
  shift
  rm -f "$work/host.out"
  # shellcheck disable=SC2086  # the host's arguments hold no blanks
  timeout 60 "$host" $host_args >"$work/host.out" 2>"$work/host.log" &
  receiver_pid=$!
  for _ in $(seq 100); do pty=$(head -n 1 "$work/host.out" 2>/dev/null) && [ -n "$pty" ] && break; sleep 0.05; done
  [ -n "$pty" ] || fail "the host gave no pty: $(cat "$work/host.log")"
  timeout 60 "$tool" bplus --port "$pty" "$@" </dev/null 2>"$work/tool.log" && rc=0 || rc=$?
  wait "$receiver_pid" && host_rc=0 || host_rc=$?
  receiver_pid=
}

bplus --download "$work/up/data.bin" -- --dir "$work/dl"
[ "$rc" -eq 0 ] && [ "$host_rc" -eq 0 ] || fail "download: tool $rc, host $host_rc: $(cat "$work/tool.log" "$work/host.log")"
cmp "$work/up/data.bin" "$work/dl/data.bin" || fail "the download differs"

# The host chooses what an upload sends: without --allow-upload and with no
# terminal to ask, nothing goes and the host is told.
bplus --upload data.bin --save "$work/uploaded.bin" --check 3 -- --dir "$work/up" --check 3
[ "$rc" -eq 1 ] && [ ! -e "$work/uploaded.bin" ] || fail "an unasked upload: tool $rc: $(cat "$work/tool.log")"
grep -q 'the host asks for data.bin; not sent: no terminal to ask' "$work/tool.log" ||
  fail "the refusal was not said: $(cat "$work/tool.log")"
bplus --upload data.bin --save "$work/uploaded.bin" --check 3 -- --dir "$work/up" --check 3 --allow-upload
[ "$rc" -eq 0 ] && [ "$host_rc" -eq 0 ] || fail "upload: tool $rc, host $host_rc: $(cat "$work/tool.log" "$work/host.log")"
cmp "$work/up/data.bin" "$work/uploaded.bin" || fail "the upload differs"

# A partial file is continued, not emptied and sent again.
head -c 30000 "$work/up/data.bin" >"$work/dl/data.bin"
bplus --download "$work/up/data.bin" --resume -- --dir "$work/dl" --resume
[ "$rc" -eq 0 ] && [ "$host_rc" -eq 0 ] || fail "resume: tool $rc, host $host_rc: $(cat "$work/tool.log" "$work/host.log")"
cmp "$work/up/data.bin" "$work/dl/data.bin" || fail "the resumed download differs"

# The host asks for a file outside the directory: refused, and a failure.
echo secret >"$work/secret.txt"
bplus --upload ../secret.txt --save "$work/leaked.bin" -- --dir "$work/up" --allow-upload
[ "$rc" -eq 1 ] || fail "an upload of ../secret.txt exited $rc: $(cat "$work/tool.log")"
[ ! -s "$work/leaked.bin" ] || fail "the host got a file from outside the directory"

# Ctrl-C ends a transfer at once, even while the host is silent in mid-file.
mkdir "$work/stopped"
timeout 60 "$host" --download "$work/up/data.bin" --block-units 1 --silent-after 2 >"$work/host.out" 2>"$work/host.log" &
receiver_pid=$!
for _ in $(seq 100); do pty=$(head -n 1 "$work/host.out" 2>/dev/null) && [ -n "$pty" ] && break; sleep 0.05; done
env --default-signal=INT "$tool" bplus --port "$pty" --dir "$work/stopped" 2>"$work/tool.log" &
tool_pid=$!
for _ in $(seq 100); do [ -s "$work/stopped/.data.bin.part" ] && break; sleep 0.05; done
sleep 0.5
kill -INT "$tool_pid"
for _ in $(seq 40); do kill -0 "$tool_pid" 2>/dev/null || break; sleep 0.05; done
kill -0 "$tool_pid" 2>/dev/null && kill "$tool_pid" && fail "Ctrl-C did not end the transfer within 2 s"
wait "$tool_pid" && rc=0 || rc=$?
[ "$rc" -eq 130 ] && grep -q 'User abort' "$work/tool.log" || fail "Ctrl-C: exit $rc, $(cat "$work/tool.log")"
kill "$receiver_pid" 2>/dev/null || true
wait "$receiver_pid" 2>/dev/null || true
receiver_pid=

# The host names a hidden file: it is stored visibly, and the user told.
bplus --download "$work/up/data.bin" --name .bash_login -- --dir "$work/dl"
[ "$rc" -eq 0 ] && [ ! -e "$work/dl/.bash_login" ] || fail "a hidden name: tool $rc: $(cat "$work/tool.log")"
cmp "$work/up/data.bin" "$work/dl/_bash_login" || fail "_bash_login differs"
grep -q 'Renamed .bash_login to _bash_login' "$work/tool.log" || fail "the renaming was not said: $(cat "$work/tool.log")"

# Hostile names reach the user only escaped: one with C1 bytes arrives and
# is named as \x9B..., one that would set the clipboard and the title is
# refused and named as \x1B...
no_controls() {
  LC_ALL=C grep -q "$(printf '[\001-\010\013-\037\177\200-\237]')" "$work/tool.log" &&
    fail "$1: control bytes reached the user: $(od -c "$work/tool.log")"
  return 0
}
c1_name=$(printf 'caf\2332;31m\205.bin')
bplus --download "$work/up/data.bin" --name "$c1_name" -- --dir "$work/dl"
[ "$rc" -eq 0 ] || fail "a name with C1 bytes: tool $rc: $(cat "$work/tool.log")"
cmp "$work/up/data.bin" "$work/dl/$c1_name" || fail "the file with C1 bytes in its name differs"
grep -qF 'received caf\x9B2;31m\x85.bin: 70000 bytes' "$work/tool.log" || fail "C1 name: $(od -c "$work/tool.log")"
no_controls "a name with C1 bytes"
bplus --download "$work/up/data.bin" --name "$(printf 'x\033]52;c;cm0gLXJmIH4K\007\033]0;owned\007')" -- --dir "$work/dl" -v
[ "$rc" -eq 1 ] || fail "an OSC name: tool $rc: $(cat "$work/tool.log")"
grep -qF 'Refused the name x\x1B]52;c;cm0gLXJmIH4K\x07\x1B]0;owned\x07' "$work/tool.log" ||
  fail "OSC name: $(od -c "$work/tool.log")"
no_controls "a name with OSC sequences"

expect_exit 2 "$tool" bplus --port "$work/none" --check 4
echo "portkit bplus: all checks passed"
