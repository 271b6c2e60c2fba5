#!/bin/bash
# portkit term in a real terminal (tmux) against a scripted far end on a pty
# pair: what the far end sends is on the screen, keys reach the far end,
# the command key, a ZMODEM download the far end starts, a device that goes
# away, and the user's terminal settings exactly as before afterwards.
set -eu
tool=$1
mode=${2:-passthrough}
sim=${3:-}
. "$(dirname "$0")/tool_test_lib.sh"
. "$(dirname "$0")/tmux_screen_lib.sh"

# Every cable's socat goes when the next one comes and at the end: one left
# behind would hold the test's output open, and ctest would wait for it.
old_cables=
fresh_cable() {
  if [ -n "$socat_pid" ]; then
    kill "$socat_pid" 2>/dev/null || true
    wait "$socat_pid" 2>/dev/null || true
  fi
  cable
  old_cables="$old_cables $socat_pid"
}
cleanup_tmux() {
  tm kill-server 2>/dev/null || true
  for pid in $old_cables; do kill "$pid" 2>/dev/null || true; done
  cleanup
}
trap cleanup_tmux EXIT
mkdir "$work/downloads"

# start_term ARGS...: the terminal on end a of a fresh cable, in an 80x24
# tmux window; the far end is end b, open on descriptor 3. $term_after runs
# in the window once it has ended.
start_term() {
  tm kill-server 2>/dev/null || true
  rm -f "$work/rc" "$work/before" "$work/after"
  fresh_cable
  tm new-session -d -x 80 -y 24 -c "$work/downloads" \
    "stty -g >$work/before; $tool term --port $work/a $*; echo \$? >$work/rc; stty -g >$work/after; ${term_after:-} sleep 60"
  exec 3<>"$work/b"
  wait_screen "Ctrl-T q to quit"
}

# The user's terminal is as it was, and the exit code is CODE.
ended_with() {
  for _ in $(seq 100); do [ -s "$work/after" ] && break; sleep 0.05; done
  [ -s "$work/after" ] || fail "portkit term did not end"
  [ "$(cat "$work/rc")" = "$1" ] || fail "portkit term exited $(cat "$work/rc"), not $1"
  cmp -s "$work/before" "$work/after" || fail "terminal settings changed: $(cat "$work/before") -> $(cat "$work/after")"
}

if [ "$mode" = passthrough ]; then
  start_term --log "$work/session.log"
  printf 'hello from the board\r\n\033[31mred text\033[0m\r\n' >&3
  wait_screen "red text"
  screen -e | grep -qF "$(printf '\033[31mred text')" || fail "the colour did not pass through: $(screen -e)"

  tm send-keys 'ls -l' Enter
  far_end_reads 'ls -l\r'
  tm send-keys C-t C-t
  far_end_reads '\024'
  tm send-keys C-t '?'
  wait_screen "toggle DTR"
  # A pty has no DTR: the toggle says so rather than pretend.
  tm send-keys C-t d
  wait_screen "[DTR not changed: "

  # The far end starts sz: the file arrives here without a keystroke.
  head -c 200000 /dev/urandom >"$work/board.bin"
  (cd "$work" && timeout 30 sz -q board.bin <&3 >&3) || fail "sz at the far end failed"
  wait_screen "Transfer complete."
  cmp "$work/board.bin" "$work/downloads/board.bin" || fail "the ZMODEM download differs"
  # A hidden file the far end sends arrives visibly, and the screen says so.
  echo 'echo planted' >"$work/.bash_login"
  (cd "$work" && timeout 30 sz -q .bash_login <&3 >&3) || fail "sz of .bash_login at the far end failed"
  wait_screen "Renamed .bash_login to _bash_login"
  # Keys typed while a transfer runs are dropped: the next command waits for its end.
  wait_screen "Transfer complete." 2
  [ ! -e "$work/downloads/.bash_login" ] && cmp "$work/.bash_login" "$work/downloads/_bash_login" ||
    fail "the far end planted .bash_login"

  # Ctrl-T s: a file sent to rz at the far end.
  head -c 100000 /dev/urandom >"$work/downloads/mine.bin"
  mkdir "$work/board"
  tm send-keys C-t s
  wait_screen "Send files:"
  tm send-keys 'mine.bin' Enter
  wait_screen "Protocol"
  tm send-keys Enter
  (cd "$work/board" && timeout 30 rz -q <&3 >&3) || fail "rz at the far end failed"
  wait_screen "Transfer complete."
  cmp "$work/downloads/mine.bin" "$work/board/mine.bin" || fail "the file sent differs"

  # Ctrl-T a: a text file typed out a line at a time. The far end answers
  # the first line during the delay after it, and that answer is on the
  # screen before the transfer is reported done: the echo hook drew it.
  printf 'echo one\rsecond\r' >"$work/downloads/typed.txt"
  tm send-keys C-t a
  wait_screen "Send text file:"
  tm send-keys 'typed.txt' Enter
  wait_screen "Delay after each line"
  tm send-keys '1000' Enter
  timeout 5 dd bs=1 count=9 status=none <&3 >"$work/got" || fail "the first line never came"
  printf 'ANSWER-ONE' >&3
  timeout 5 dd bs=1 count=7 status=none <&3 >>"$work/got" || fail "the second line never came"
  [ "$(od -An -c "$work/got")" = "$(od -An -c "$work/downloads/typed.txt")" ] ||
    fail "the far end got '$(od -An -c "$work/got")'"
  echo_then_done() { screen | awk '/ANSWER-ONE/ { a = NR } /Transfer complete\./ { d = NR } END { exit !(a && d > a) }'; }
  for _ in $(seq 100); do echo_then_done && break; sleep 0.05; done
  echo_then_done || fail "the echo was not shown during the transfer: $(screen)"

  tm send-keys C-t q
  ended_with 0
  grep -qF 'hello from the board' "$work/session.log" || fail "--log kept: $(od -c "$work/session.log" | head)"

  # Ctrl-T z from a shell with job control: stopped with the terminal put
  # back, raw again after fg, and carrying on.
  tm kill-server 2>/dev/null || true
  rm -f "$work/rc" "$work/before" "$work/after"
  fresh_cable
  tm new-session -d -x 80 -y 24 -c "$work/downloads" "bash --norc --noprofile --noediting -i"
  tm send-keys "stty -g >$work/before; $tool term --port $work/a" Enter
  exec 3<>"$work/b"
  wait_screen "Ctrl-T q to quit"
  tty=$(tm display -p '#{pane_tty}')
  tm send-keys C-t z
  wait_screen "Stopped"
  [ "$(stty -g -F "$tty")" = "$(cat "$work/before")" ] || fail "stopped, but the terminal was not put back"
  tm send-keys fg Enter
  sleep 0.3
  tm send-keys back
  far_end_reads 'back'
  tm send-keys C-t q
  tm send-keys "echo \$? >$work/rc; stty -g >$work/after" Enter
  ended_with 0

  # The device goes away with --no-reconnect: said at once, exit 1, terminal put back.
  start_term --no-reconnect
  kill "$socat_pid"
  wait_screen "has gone away"
  ended_with 1

  # --reconnect: the terminal waits for the device and carries on with it.
  start_term --reconnect
  kill "$socat_pid"
  wait_screen "to come back"
  tm clear-history
  fresh_cable
  exec 3<>"$work/b"
  for _ in $(seq 100); do [ "$(screen | grep -c 'Ctrl-T q to quit')" -ge 2 ] && break; sleep 0.05; done
  tm send-keys 'again'
  far_end_reads 'again'
  tm send-keys C-t q
  ended_with 0

  # Killed: the terminal is still put back.
  start_term
  pkill -TERM -f "^$tool term --port $work/a" || fail "no portkit term to kill"
  ended_with 143
fi
if [ "$mode" = ansi ]; then
  # The library's ANSI emulator on the terminal: white on blue, the far
  # end's positions and colours, the cursor position report, arrow keys.
  start_term --ansi
  printf '\033[2J\033[5;10HX\033[1;33;41mYEL\033[0m\033[6n' >&3
  far_end_reads '\033[5;14R'
  [ "$(screen | sed -n 5p)" = "         XYEL" ] || fail "row 5 holds '$(screen | sed -n 5p)'"
  screen -e | sed -n 5p | grep -qF "$(printf '\033[93m\033[41mYEL')" ||
    fail "bold yellow on red is not on row 5: $(screen -e | sed -n 5p | od -c)"
  printf '\033[10;1Hline ten\033[K\r\n' >&3
  wait_screen "line ten"
  screen -e | grep -qF "$(printf '\033[37m\033[44m')" || fail "normal text is not white on blue: $(screen -e)"
  tm send-keys Up Left
  far_end_reads '\033[A\033[D'
  tm send-keys 'ok' Enter
  far_end_reads 'ok\r'

  head -c 100000 /dev/urandom >"$work/board.bin"
  (cd "$work" && timeout 30 sz -q board.bin <&3 >&3) || fail "sz at the far end failed"
  wait_screen "Transfer complete."
  cmp "$work/board.bin" "$work/downloads/board.bin" || fail "the ZMODEM download differs"
  # The end of sz's start header, read with it, is not shown afterwards.
  printf 'after the download\r\n' >&3
  wait_screen "after the download"
  [ "$(screen | grep -A1 -F 'Transfer complete.' | tail -n 1)" = "after the download" ] ||
    fail "something came between the download and the next text: $(screen)"

  tm send-keys C-t c
  wait_screen "ANSI emulator"
  tm send-keys C-t q
  ended_with 0

  start_term --ansi
  pkill -TERM -f "^$tool term --port $work/a" || fail "no portkit term to kill"
  ended_with 143

  # The extended mode: blink and bold keep the background; UTF-8 box
  # drawing is shown as boxes; the user's own colours come back at the end
  # (a line cleared afterwards has none).
  term_after="printf '\\r\\n\\033[Kafter exit\\n';" start_term --ansi --charset utf8
  printf '\033[2J\033[3;1H\033[44mA\033[1;5;31mB\033[0m \342\225\224\342\225\220\342\225\227 box\r\n' >&3
  wait_screen "box"
  [ "$(screen | sed -n 3p)" = "AB ╔═╗ box" ] || fail "row 3 holds '$(screen | sed -n 3p)'"
  # Blue under A, then bright red with no change of background for B.
  screen -e -S 2 -E 2 | grep -qF "$(printf '44mA\033[91mB')" ||
    fail "blinking bold red lost the blue background: $(screen -e -S 2 -E 2 | od -c)"
  tm send-keys C-t q
  ended_with 0
  wait_screen "after exit"
  # Captured alone, the line starts from plain colours.
  row=$(($(screen | grep -nF 'after exit' | cut -d: -f1) - 1))
  [ "$(screen -e -S "$row" -E "$row")" = "after exit" ] ||
    fail "colours stayed on after the terminal: $(screen -e -S "$row" -E "$row" | od -c)"

  # A line feed alone moves straight down, as on xterm; with --imap lfcrlf
  # it starts the next line, for a device that ends its lines with LF.
  for imap in "" "--imap lfcrlf"; do
    start_term --ansi $imap
    printf '\033[2J\033[3;1Hone\ntwo\n' >&3
    wait_screen "two"
    want="   two"
    [ -z "$imap" ] || want="two"
    [ "$(screen | sed -n 4p)" = "$want" ] || fail "after LF${imap:+ with $imap}, row 4 holds '$(screen | sed -n 4p)'"
    tm send-keys C-t q
    ended_with 0
  done
fi

if [ "$mode" = bplus ]; then
  # Without --bplus, ENQ and DLE B are bytes like any others: shown, never
  # answered, and the session goes on at once.
  for term_mode in "" --ansi; do
    start_term $term_mode
    printf 'one\005two\020Bthree\r\n' >&3
    wait_screen "three"
    far_end_reads ''
    tm send-keys 'typed'
    far_end_reads 'typed'
    tm send-keys C-t q
    ended_with 0
  done

  # With --bplus, Ctrl-C, Ctrl-X or Esc ends a B+ transfer at once, even
  # while the host has begun a packet and says nothing more; what was typed
  # meanwhile never reaches the far end.
  for stop in "C-c" "--ansi C-x" "Escape"; do
    set -- $stop
    [ $# -eq 2 ] && term_mode=$1 && shift || term_mode=
    start_term --bplus $term_mode
    printf '\005' >&3
    far_end_reads '\020++\0200'
    printf '\020B' >&3
    sleep 0.3
    tm send-keys 'abc'
    tm send-keys "$1"
    wait_screen "Transfer failed: User abort"
    timeout 0.7 cat <&3 >"$work/got" || true
    ! grep -q abc "$work/got" || fail "keys typed during a transfer reached the far end: $(od -c "$work/got")"
    tm send-keys 'next'
    far_end_reads 'next'
    tm send-keys C-t q
    ended_with 0
  done

  # With --bplus, a CompuServe B+ host greets with ENQ and sends a file: it
  # lands in the current directory without a keystroke, in both modes.
  host=$sim
  head -c 50000 /dev/urandom >"$work/forum.bin"
  # start_host HOST-ARGS...: the host on a pty of its own, named in $pty.
  start_host() {
    tm kill-server 2>/dev/null || true
    rm -f "$work/rc" "$work/after" "$work/host.out"
    timeout 60 "$host" "$@" >"$work/host.out" 2>"$work/host.log" &
    receiver_pid=$!
    for _ in $(seq 100); do pty=$(head -n 1 "$work/host.out" 2>/dev/null) && [ -n "$pty" ] && break; sleep 0.05; done
    [ -n "$pty" ] || fail "the host gave no pty: $(cat "$work/host.log")"
  }
  # host_term HOST-ARGS -- TERM-ARGS: the host, and the terminal with
  # --bplus on it in a fresh tmux window.
  host_term() {
    host_args=
    while [ "$1" != -- ]; do host_args="$host_args $1"; shift; done
    shift
    # shellcheck disable=SC2086  # the host's arguments hold no blanks
    start_host $host_args
    tm new-session -d -x 80 -y 24 -c "$work/downloads" \
      "stty -g >$work/before; $tool term --port $pty --bplus $*; echo \$? >$work/rc; stty -g >$work/after; sleep 60"
  }
  for term_mode in "" --ansi; do
    rm -f "$work/downloads/forum.bin"
    host_term --download "$work/forum.bin" -- $term_mode
    wait_screen "Transfer complete."
    tm send-keys C-t q
    ended_with 0
    wait "$receiver_pid" || fail "the host saw a bad transfer ($term_mode): $(cat "$work/host.log")"
    receiver_pid=
    cmp "$work/forum.bin" "$work/downloads/forum.bin" || fail "the B+ download differs ($term_mode)"
  done

  # The host's upload request waits for the user's yes, naming the file
  # escaped: no sends nothing, yes sends it.
  c1_name=$(printf 'caf\2332;31m\205.bin')
  cp "$work/forum.bin" "$work/downloads/$c1_name"
  for answer in n y; do
    rm -f "$work/uploaded.bin"
    host_term --upload "$c1_name" --save "$work/uploaded.bin" --
    wait_screen 'The far end asks for caf\x9B2;31m\x85.bin. Send it? (y/N)'
    tm send-keys "$answer"
    if [ "$answer" = n ]; then
      wait_screen "no: not sent"
      wait_screen "Transfer failed"
    else
      wait_screen "Transfer complete."
    fi
    tm send-keys C-t q
    ended_with 0
    wait "$receiver_pid" && host_rc=0 || host_rc=$?
    receiver_pid=
    if [ "$answer" = n ]; then
      [ ! -e "$work/uploaded.bin" ] || fail "the host got the file the user refused"
    else
      [ "$host_rc" -eq 0 ] || fail "the host saw a bad upload: $(cat "$work/host.log")"
      cmp "$work/forum.bin" "$work/uploaded.bin" || fail "the B+ upload differs"
    fi
  done

  # portkit bplus asks on its terminal too, and sends after a typed yes.
  rm -f "$work/uploaded.bin"
  start_host --upload forum.bin --save "$work/uploaded.bin"
  tm new-session -d -x 80 -y 24 -c "$work/downloads" "$tool bplus --port $pty; echo \$? >$work/rc; sleep 60"
  wait_screen 'the host asks for forum.bin; send it? (y/N)'
  tm send-keys y Enter
  for _ in $(seq 100); do [ -s "$work/rc" ] && break; sleep 0.05; done
  [ "$(cat "$work/rc")" = 0 ] || fail "portkit bplus after a yes exited $(cat "$work/rc"): $(screen)"
  wait "$receiver_pid" || fail "the host saw a bad upload: $(cat "$work/host.log")"
  receiver_pid=
  cmp "$work/forum.bin" "$work/uploaded.bin" || fail "the upload after a yes differs"

  # A name that would write the clipboard and set the title does neither:
  # it is shown escaped.
  tm kill-server 2>/dev/null || true
  host_term --download "$work/forum.bin" --name "$(printf 'x\033]52;c;cm0gLXJmIH4K\007\033]0;owned\007')" --
  tm set -g set-clipboard on
  wait_screen 'Refused the name x\x1B]52;c;cm0gLXJmIH4K\x07\x1B]0;owned\x07'
  [ "$(tm display -p '#{pane_title}')" != owned ] || fail "the host set the title"
  [ -z "$(tm list-buffers)" ] || fail "the host wrote the clipboard: $(tm list-buffers)"
  tm send-keys C-t q
  ended_with 0
  wait "$receiver_pid" || true
  receiver_pid=
fi

if [ "$mode" = dial ]; then
  # portkit dial --term: once the simulated modem connects, the terminal
  # carries the call; the modem's far end loops typed text back.
  mkfifo "$work/sim.in"
  "$sim" --dial-delay 100 <"$work/sim.in" >"$work/sim.out" 2>"$work/sim.err" &
  receiver_pid=$!
  exec 4>"$work/sim.in"
  for _ in $(seq 100); do pty=$(head -n 1 "$work/sim.out") && [ -n "$pty" ] && break; sleep 0.05; done
  [ -n "$pty" ] || fail "the simulator gave no pty: $(cat "$work/sim.err")"
  export XDG_CONFIG_HOME="$work/config"
  "$tool" dial --add Board 555-0100 || fail "dial --add failed"
  tm new-session -d -x 80 -y 24 -e XDG_CONFIG_HOME="$work/config" \
    "stty -g >$work/before; $tool dial --port $pty board --term; echo \$? >$work/rc; stty -g >$work/after; sleep 60"
  wait_screen "CONNECT"
  wait_screen "Ctrl-T q to quit"
  tm send-keys 'looped back'
  wait_screen "looped back"
  tm send-keys C-t q
  ended_with 0
fi
echo "portkit term ($mode): all checks passed"
