#!/bin/bash
# portkit.exe term --window under Wine on a private X server (Xvfb), on
# COM1 = one end of a socat pty pair whose other end this script plays:
# the grid's size, colours of cells after SGR sequences against the window's
# colour table, a blinking cell, the caret under the cursor, the IBM PC box,
# shade and block characters, scrolling, keys
# typed into the window reaching the far end, the command key, a ZMODEM
# download the far end starts, and closing the window. With
# PORTKIT_SCREENSHOT_DIR set, the screen is saved there as
# term-window-wine.png.
#
# usage: term_window_test.sh WINDOWS_EXE
set -eu
[ $# -eq 1 ] || { echo "usage: $0 WINDOWS_EXE" >&2; exit 2; }
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine_lib.sh"
. "$here/cp437_cells.sh"
skip_without Xvfb xdotool import python3
exe=$(absolute "$1")
private_display
wine_setup "$exe"
mkdir "$work/downloads"

# start_window ARGS...: portkit.exe term --window on COM1, the far end open
# on descriptor 3. Finds the grid on the screen from two coloured cells:
# sets left, top (the grid's corner) and cell_w, cell_h.
start_window() {
  cable
  (cd "$work/downloads" && exec wine "$exe" term --port COM1 --window "$@" </dev/null >"$work/term.out" 2>"$work/term.err") &
  term_pid=$!
  background_pids="$background_pids $term_pid"
  exec 3<>"$port_b"
  window=$(timeout 30 xdotool search --sync --name '^DSTerm$' | head -n 1) ||
    fail "no window: $(cat "$work/term.err")"
  printf '\033[2J\033[H\033[45m \033[46m \033[0m' >&3
  for _ in $(seq 50); do
    shot
    corner=$(pixels find 800080) && break
    sleep 0.1
  done
  [ -n "${corner:-}" ] || fail "the magenta cell never showed"
  read -r left top cell_w cell_h <<<"$corner"
  [ "$(pixels find 008080)" = "$((left + cell_w)) $top $cell_w $cell_h" ] ||
    fail "the cyan cell is not beside the magenta one at $corner: $(pixels find 008080)"
}

# The colours in cell ROW COL of the last shot.
cell() { pixels area $((left + $2 * cell_w)) $((top + $1 * cell_h)) "$cell_w" "$cell_h"; }

# expect_cell ROW COL COLOURS: exactly those colours in the cell.
expect_cell() {
  got=$(cell "$1" "$2")
  [ "$got" = "$3" ] || fail "cell ($1, $2) has colours '$got', not '$3'"
}

# wait_cell ROW COL COLOURS: the cell shows those colours within 5 s.
wait_cell() {
  for _ in $(seq 50); do
    shot
    [ "$(cell "$1" "$2")" = "$3" ] && return 0
    sleep 0.1
  done
  expect_cell "$@"
}

# grid_is ROWS COLS: the cell before the last of the last row lies where a
# grid of that size has it (the last cell would scroll), and nothing of the
# grid's colours lies past it.
grid_is() {
  printf '\033[%d;%dH\033[44m \033[0m' "$1" $(($2 - 1)) >&3
  want="$((left + ($2 - 2) * cell_w)) $((top + ($1 - 1) * cell_h)) $cell_w $cell_h"
  for _ in $(seq 50); do
    shot
    [ "$(pixels find 000080 || true)" = "$want" ] && return 0
    sleep 0.1
  done
  fail "a ${1}x$2 grid has its blue cell at $want, not at $(pixels find 000080 || echo nowhere)"
}

# far_end_reads BYTES: the far end receives exactly BYTES (printf format) next.
far_end_reads() {
  timeout 2 cat <&3 >"$work/got" || true
  printf "$1" >"$work/want"
  cmp -s "$work/got" "$work/want" || fail "the far end got '$(od -An -c "$work/got")', not '$(od -An -c "$work/want")'"
}

# term_ends: portkit.exe ends with 0 within 10 s; one still running is
# stopped and fails the test rather than hang it.
term_ends() {
  for _ in $(seq 200); do kill -0 "$term_pid" 2>/dev/null || break; sleep 0.05; done
  if kill -0 "$term_pid" 2>/dev/null; then
    kill "$term_pid" 2>/dev/null || true
    fail "portkit.exe term still runs 10 s after it was told to end: $(cat "$work/term.err")"
  fi
  wait "$term_pid" && rc=0 || rc=$?
  [ "$rc" -eq 0 ] || fail "portkit.exe term exited $rc: $(cat "$work/term.err")"
  exec 3<&-
}

# The window takes the focus from a click into its grid.
click_grid() {
  xdotool mousemove $((left + cell_w / 2)) $((top + cell_h / 2)) click 1
  sleep 0.3
}

start_window
grid_is 25 80
echo "ok: 25 x 80 cells of ${cell_w}x$cell_h pixels"

# Red on blue, bright yellow on green, reverse (black on white), blinking
# bright white on black: the colour table's values, text and paper.
printf '\033[2J\033[H\033[31;44mM\033[0m\r\n\033[1;33;42mM\033[0m\r\n\033[7mM\033[0m\r\n\033[5;1;37mMMMM\033[0m' >&3
wait_cell 0 0 '#000080 #800000'
expect_cell 1 0 '#008000 #FFFF00'
expect_cell 2 0 '#000000 #FFFFFF'
expect_cell 4 0 '#000000'
echo "ok: colours"

# The blinking cell alternates between white and black text every 500 ms.
seen=
for _ in $(seq 8); do
  shot
  seen="$seen|$(cell 3 0)"
  sleep 0.2
done
case "$seen|" in *'|#000000|'*) ;; *) fail "the blinking cell never went dark: $seen" ;; esac
case "$seen|" in *'|#000000 #FFFFFF|'*) ;; *) fail "the blinking cell never showed its text: $seen" ;; esac
echo "ok: blinking"

# The caret: with the focus, a bar from 4/5 of the cursor cell's height
# down (the system's caret blinks too, so over a few shots).
click_grid
printf '\033[6;11H' >&3
caret_seen=
for _ in $(seq 8); do
  shot
  [ "$(pixels pixel $((left + 10 * cell_w + 1)) $((top + 5 * cell_h + cell_h * 4 / 5)))" = '#FFFFFF' ] && caret_seen=1
  [ "$(cell 5 11)" = '#000000' ] || fail "cell (5, 11) beside the caret has '$(cell 5 11)'"
  [ "$(pixels pixel $((left + 10 * cell_w + 1)) $((top + 5 * cell_h)))" = '#000000' ] ||
    fail "the caret covers the top of its cell"
  sleep 0.15
done
[ -n "$caret_seen" ] || fail "no caret at the foot of cell (5, 10)"
echo "ok: caret"

# The far end's bytes are IBM PC characters: 0xC9 0xCD 0xBB are box lines
# and 0xB0 to 0xB2 and 0xDB shades and a block, whatever code page the font
# has.
printf "$cp437_cells_bytes" >&3
wait_cell 2 3 '#D2D2D2'
check_cp437_cells "$left" "$top" "$cell_w" "$cell_h"
echo "ok: IBM PC characters"

if [ -n "${PORTKIT_SCREENSHOT_DIR:-}" ]; then
  printf '\033[2J\033[H\033[1;37;44m portkit.exe term --window \033[0m\r\n\r\n' >&3
  printf 'Colours: \033[31mred \033[32mgreen \033[33myellow \033[34mblue \033[35mmagenta \033[36mcyan \033[37mwhite\033[0m\r\n' >&3
  printf 'Bright:  \033[1;31mred \033[32mgreen \033[33myellow \033[34mblue \033[35mmagenta \033[36mcyan \033[37mwhite\033[0m\r\n' >&3
  printf 'Paper:   \033[41m red \033[42m green \033[43m yellow \033[44m blue \033[45m magenta \033[46m cyan \033[30;47m white \033[0m\r\n' >&3
  printf '\r\n\033[5;1;33mBlinking\033[0m, \033[7mreverse\033[0m and the caret: ' >&3
  sleep 0.5
  mkdir -p "$PORTKIT_SCREENSHOT_DIR"
  import -window root "$PORTKIT_SCREENSHOT_DIR/term-window-wine.png"
fi

# A line feed on the last row moves every row up one.
printf '\033[2J\033[1;1H\033[44mA\033[0m\r\n\033[42mB\033[0m\033[25;1H\033[41mZ\033[0m\r\n' >&3
wait_cell 0 0 '#008000 #D2D2D2'
expect_cell 23 0 '#800000 #D2D2D2'
expect_cell 24 1 '#000000'
echo "ok: scrolling"

# Keys typed into the window reach the far end; arrows as ANSI sequences.
xdotool type --delay 30 'ab1'
xdotool key --delay 30 Return Up Left
far_end_reads 'ab1\r\033[A\033[D'
echo "ok: keys"

# The command key works as on the console: its help shows in the window.
printf '\033[0m\033[2J\033[H' >&3
sleep 0.5
xdotool key ctrl+t question
for _ in $(seq 50); do
  shot
  pixels area "$left" "$top" $((80 * cell_w)) $((25 * cell_h)) | grep -q '#D2D2D2' && break
  sleep 0.1
done
pixels area "$left" "$top" $((80 * cell_w)) $((25 * cell_h)) | grep -q '#D2D2D2' || fail "Ctrl-T ? showed no help"
echo "ok: command key"

# A ZMODEM send the far end starts is received into the current directory.
if command -v sz >/dev/null; then
  head -c 20000 /dev/urandom >"$work/sent.bin"
  (cd "$work" && timeout 60 sz -q sent.bin <&3 >&3) || fail "sz failed"
  cmp "$work/sent.bin" "$work/downloads/sent.bin" || fail "the ZMODEM download differs"
  echo "ok: ZMODEM download"
fi

# Keys typed while the download is still ending are dropped, and sz may be
# gone before it ends: Ctrl-T q again until the terminal takes it.
for _ in $(seq 10); do
  xdotool key ctrl+t q
  for _ in $(seq 20); do kill -0 "$term_pid" 2>/dev/null || break 2; sleep 0.05; done
done
term_ends
echo "ok: Ctrl-T q"

# --rows and --cols size the grid; closing the window ends the session.
start_window --rows 10 --cols 40
grid_is 10 40
click_grid
xdotool key alt+F4
term_ends
echo "ok: a 10 x 40 window, closed with Alt-F4"
