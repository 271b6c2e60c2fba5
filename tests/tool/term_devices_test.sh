#!/bin/bash
# portkit term and its devices, in a real terminal (tmux) against socat pty
# pairs: waiting for a device that is missing or went away (and quitting the
# wait), the device given as a word, UUCP lock files, and profiles.
set -eu
tool=$1
. "$(dirname "$0")/tool_test_lib.sh"

export PORTKIT_LOCK_DIR="$work/locks" XDG_CONFIG_HOME="$work/config"
mkdir "$PORTKIT_LOCK_DIR" "$XDG_CONFIG_HOME" "$XDG_CONFIG_HOME/portkit"
# A server of its own for each terminal: one just killed may still hold its socket.
sessions=0
sock="$work/tmux.0"
tm() { tmux -S "$sock" "$@"; }
trap 'tm kill-server 2>/dev/null || true; cleanup' EXIT

# link NAME: a pty pair whose ends are $work/NAME and $work/NAME.far, the
# far end open on descriptor 3, its socat's pid in $socat_pid.
link() {
  socat pty,raw,echo=0,link="$work/$1" pty,raw,echo=0,link="$work/$1.far" 2>>"$work/socat.log" &
  socat_pid=$!
  for _ in $(seq 100); do [ -e "$work/$1" ] && [ -e "$work/$1.far" ] && break; sleep 0.05; done
  [ -e "$work/$1.far" ] || fail "socat made no pty pair $1"
  exec 3<>"$work/$1.far"
}
unlink_cable() {
  exec 3<&-
  kill "$socat_pid"
  wait "$socat_pid" 2>/dev/null || true
}

# term ARGS...: portkit term in a fresh tmux window, wide enough for long
# names; its exit status lands in $work/rc, the terminal's settings before
# and after in $work/before and $work/after.
term() {
  tm kill-server 2>/dev/null || true
  sessions=$((sessions + 1))
  sock="$work/tmux.$sessions"
  rm -f "$work/rc" "$work/before" "$work/after"
  tm new-session -d -x 160 -y 24 \
    "stty -g >$work/before; $tool term $*; echo \$? >$work/rc; stty -g >$work/after; sleep 60"
}
shows() { tm capture-pane -p | grep -cF -- "$1" || true; }
# see TEXT [COUNT]: TEXT is on the screen (COUNT times) within 5 s.
see() {
  for _ in $(seq 100); do [ "$(shows "$1")" -ge "${2:-1}" ] && return 0; sleep 0.05; done
  fail "'$1' never showed; the screen is:
$(tm capture-pane -p)"
}
# exited CODE: portkit term ended within 5 s with that status, the user's
# terminal as it was.
exited() {
  for _ in $(seq 100); do [ -s "$work/after" ] && break; sleep 0.05; done
  [ "$(cat "$work/rc" 2>/dev/null)" = "$1" ] ||
    fail "portkit term exited '$(cat "$work/rc" 2>/dev/null)', not $1: $(tm capture-pane -p)"
  cmp -s "$work/before" "$work/after" || fail "terminal settings changed: $(cat "$work/before") -> $(cat "$work/after")"
}
# far_reads BYTES: the far end gets exactly BYTES next.
far_reads() {
  timeout 0.7 cat <&3 >"$work/got" || true
  [ "$(cat "$work/got")" = "$1" ] || fail "the far end got '$(cat "$work/got")', not '$1'"
}
lock_of() { echo "$PORTKIT_LOCK_DIR/LCK..$(basename "$(readlink -f "$work/$1")")"; }
term_pid() { pgrep -f "^$tool term" | head -n 1; }

# The device as a word; by default a device that goes away is waited for and
# taken up again when it comes back on the same name. While the line is up
# its lock file holds our pid; while it is gone there is none.
link board
lock=$(lock_of board)
term "$work/board"
see "Ctrl-T ? for help"
[ "$(cat "$lock")" = "$(printf '%10d' "$(term_pid)")" ] || fail "the lock file holds '$(cat "$lock")'"
unlink_cable
see "waiting for $work/board to come back (Ctrl-C or Ctrl-T q to quit)"
[ ! -e "$lock" ] || fail "the lock stayed after the line went"
link board
see "Ctrl-T ? for help" 2
tm send-keys 'again'
far_reads again
# Line settings changed in the session stay after the device comes back.
tm send-keys C-t c
see "Speed: 115200"
tm send-keys BSpace BSpace BSpace BSpace BSpace BSpace 9600 Enter Enter Enter Enter Enter
see "now at 9600 8N1"
unlink_cable
see "waiting for $work/board to come back" 2
link board
see "$work/board at 9600 8N1, no flow control"
stty -F "$work/board" | grep -q "speed 9600 baud" || fail "back at $(stty -F "$work/board" | head -n 1)"
tm send-keys C-t q
exited 0
[ -z "$(ls "$PORTKIT_LOCK_DIR")" ] || fail "locks left after quitting: $(ls "$PORTKIT_LOCK_DIR")"

# --no-reconnect: the line going ends the terminal with 1.
term --no-reconnect -p "$work/board"
see "Ctrl-T ? for help"
unlink_cable
see "has gone away"
exited 1

# A device missing at the start is waited for; Ctrl-T q, Ctrl-C and the
# device appearing each end the wait.
term "$work/later"
see "waiting for $work/later to appear (Ctrl-C or Ctrl-T q to quit)"
link later
see "Ctrl-T ? for help"
tm send-keys 'hello'
far_reads hello
tm send-keys C-t q
exited 0
unlink_cable
for keys in "C-t q" C-c; do
  term -p "$work/never"
  see "to appear"
  tm send-keys $keys
  exited "$([ "$keys" = C-c ] && echo 130 || echo 0)"
done

# minicom at the other side, on the system's own lock directory, both given
# the device by a link in /dev of this run's own name: its lock (named after
# the link) keeps us off the line, and ours keeps it off.
if command -v minicom >/dev/null; then
  mc=portkit-test-$$
  link "$mc"
  ln -s "$(readlink -f "$work/$mc")" "/dev/$mc"
  trap 'rm -f "/dev/$mc"; tm kill-server 2>/dev/null || true; cleanup' EXIT
  tm kill-server 2>/dev/null || true
  sessions=$((sessions + 1))
  sock="$work/tmux.$sessions"
  tm new-session -d -x 100 -y 24 "TERM=xterm HOME=$work minicom -D /dev/$mc; sleep 60"
  for _ in $(seq 100); do [ -e "/run/lock/LCK..$mc" ] && break; sleep 0.05; done
  [ -e "/run/lock/LCK..$mc" ] || fail "minicom made no lock file"
  minicom_pid=$(tr -d " \n" <"/run/lock/LCK..$mc")
  PORTKIT_LOCK_DIR=/run/lock expect_exit 1 "$tool" dump "/dev/$mc"
  grep -qx "portkit dump: /dev/$mc is in use by minicom (pid $minicom_pid)" "$work/err" ||
    fail "minicom's lock: $(cat "$work/err")"
  kill "$minicom_pid"
  for _ in $(seq 100); do kill -0 "$minicom_pid" 2>/dev/null || break; sleep 0.05; done
  rm -f "/run/lock/LCK..$mc"  # minicom leaves it behind when killed
  export PORTKIT_LOCK_DIR=/run/lock
  term "/dev/$mc"
  see "Ctrl-T ? for help"
  [ "$(cat "/run/lock/LCK..$mc")" = "$(printf '%10d' "$(term_pid)")" ] || fail "no lock under the link's name"
  tm new-window "TERM=xterm HOME=$work minicom -D /dev/$mc >$work/minicom.out 2>&1; echo \$? >$work/minicom.rc"
  for _ in $(seq 100); do [ -s "$work/minicom.rc" ] && break; sleep 0.05; done
  grep -q "is locked" "$work/minicom.out" || fail "minicom opened the line we hold: $(cat "$work/minicom.out")"
  tm select-window -t 0
  tm send-keys C-t q
  exited 0
  [ ! -e "/run/lock/LCK..$mc" ] || fail "our lock under the link's name stayed"
  export PORTKIT_LOCK_DIR="$work/locks"
  rm -f "/dev/$mc"
  unlink_cable
fi

# Locks: a live program's lock refuses the open, naming it; a dead one's is
# taken over; SIGTERM takes ours away, with the console emulator's terminal
# put back too.
link board
lock=$(lock_of board)
sleep 30 &
holder=$!
printf '%10d\n' "$holder" >"$lock"
expect_exit 1 "$tool" term "$work/board"
grep -qx "portkit term: $work/board is in use by sleep (pid $holder)" "$work/err" || fail "held lock: $(cat "$work/err")"
expect_exit 1 "$tool" dump "$work/board"
# A link outside /dev is no name of the system's: another line linked by
# the same name elsewhere is not this one.
mv "$lock" "$PORTKIT_LOCK_DIR/LCK..board"
expect_exit 0 "$tool" dump "$work/board"
kill "$holder"
wait "$holder" 2>/dev/null || true
printf '%10d\n' "$holder" >"$lock"
term --ansi "$work/board"
see "Ctrl-T ? for help"
[ "$(cat "$lock")" = "$(printf '%10d' "$(term_pid)")" ] || fail "the stale lock was not taken over: $(cat "$lock")"
kill -TERM "$(term_pid)"
exited 143
[ ! -e "$lock" ] || fail "the lock stayed after SIGTERM"

# Where no lock file can be made the port opens all the same, silently.
PORTKIT_LOCK_DIR="$work/no-such-dir" expect_exit 0 "$tool" dump "$work/board"
[ ! -s "$work/err" ] || fail "an unwritable lock directory was reported: $(cat "$work/err")"

# The device as a word (dial takes it before the name) and --port must
# agree; a port number is named by its device in messages.
"$tool" dial --directory "$work/DIAL.INI" --add Office 555-0100
expect_exit 1 "$tool" dial --directory "$work/DIAL.INI" "$work/gone" Office
grep -q "cannot open $work/gone:" "$work/err" || fail "dial DEVICE NAME: $(cat "$work/err")"
expect_exit 2 "$tool" term -p "$work/board" "$work/other"
grep -q "given twice" "$work/err" || fail "two devices: $(cat "$work/err")"
PORTKIT_COM4="$work/nothing" expect_exit 1 "$tool" term --no-reconnect -p 3
grep -q "cannot open $work/nothing:" "$work/err" || fail "-p 3: $(cat "$work/err")"

# Profiles: [NAME] of portkit.ini gives the port and options; the command
# line wins; --list-profiles lists them with their ports.
cat >"$XDG_CONFIG_HOME/portkit/portkit.ini" <<EOF
[Board]
port = $work/board
baud=9600
echo=yes
reconnect=no

[spare]
port=/dev/ttyUSB7
EOF
term board
see "$work/board at 9600 8N1"
tm send-keys 'typed'
far_reads typed
see "typed"
unlink_cable
see "has gone away"
exited 1
link board
term board -b 19200 --reconnect
see "$work/board at 19200 8N1"
tm send-keys C-t q
exited 0
"$tool" term --list-profiles >"$work/list"
printf 'Board  %s\nspare  /dev/ttyUSB7\n' "$work/board" | cmp -s - "$work/list" || fail "profiles: $(cat "$work/list")"
expect_exit 2 "$tool" term nobody
grep -q "'nobody' is neither a device nor a profile in $XDG_CONFIG_HOME/portkit/portkit.ini" "$work/err" ||
  fail "unknown profile: $(cat "$work/err")"
printf '[typo]\nbuad=9600\n' >>"$XDG_CONFIG_HOME/portkit/portkit.ini"
expect_exit 2 "$tool" term typo
grep -q "\[typo\]: buad is not an option" "$work/err" || fail "unknown key: $(cat "$work/err")"
echo "portkit term devices: all checks passed"
