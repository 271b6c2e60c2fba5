#!/bin/bash
# portkit.exe term under Wine, in a real terminal (tmux), on COM1 = one end
# of a socat pty pair whose other end this script plays: pass-through, and
# --ansi on Wine's console (cursor positions, colours, the cursor position
# report, arrow keys).
#
# usage: term_test.sh WINDOWS_EXE
set -eu
[ $# -eq 1 ] || { echo "usage: $0 WINDOWS_EXE" >&2; exit 2; }
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine_lib.sh"
exe=$(absolute "$1")
command -v tmux >/dev/null || fail "tmux is not installed"
wine_setup "$exe"

# Wine starts slowly: the screen has 20 s to show a text.
screen_wait_tries=400
far_end_quiet=1
. "$here/../tool/tmux_screen_lib.sh"
trap 'tm kill-server 2>/dev/null || true; cleanup' EXIT

# run_term ARGS...: portkit.exe term on COM1 in a fresh tmux window.
run_term() {
  tm kill-server 2>/dev/null || true
  cable
  rm -f "$work/rc"
  tm new-session -d -x 80 -y 24 -e WINEPREFIX="$WINEPREFIX" -e WINEDEBUG=-all -e WINEPATH="$WINEPATH" \
    "wine '$exe' term --port COM1 $*; echo \$? >$work/rc; sleep 60"
  exec 3<>"$port_b"
  wait_screen "Ctrl-T q to quit"
}

quit_term() {
  tm send-keys C-t q
  for _ in $(seq 200); do [ -s "$work/rc" ] && break; sleep 0.05; done
  [ "$(cat "$work/rc" 2>/dev/null)" = 0 ] || fail "portkit.exe term did not quit cleanly: $(cat "$work/rc" 2>/dev/null)"
}

run_term
printf 'hello from the board\r\n\033[31mred text\033[0m\r\n' >&3
wait_screen "red text"
screen -e | grep -qF "$(printf '\033[31mred text')" || fail "the colour did not pass through: $(screen -e)"
tm send-keys 'abc' Enter
far_end_reads 'abc\r'
tm send-keys Up
far_end_reads '\033[A'
quit_term
echo "ok: pass-through"

# Typed bytes mapped on their way out, as on POSIX.
run_term --omap crcrlf,delbs
tm send-keys 'x' Enter BSpace
far_end_reads 'x\r\n\b'
quit_term
echo "ok: --omap"

run_term --ansi
printf '\033[2J\033[5;10HX\033[1;33;41mYEL\033[0m\033[6n' >&3
far_end_reads '\033[5;14R'
[ "$(screen | sed -n 5p)" = "         XYEL" ] || fail "row 5 holds '$(screen | sed -n 5p)'"
tm send-keys Up
far_end_reads '\033[A'
quit_term
echo "ok: ANSI emulator on the console"
