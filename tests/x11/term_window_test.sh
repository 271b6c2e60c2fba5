#!/bin/bash
# portkit term --window on a private X server (Xvfb) against a far end on a
# pty pair: colours of cells after SGR sequences, a blinking cell, the caret
# under the cursor, the IBM PC box, shade and block characters (also on a
# server without Unicode fonts), scrolling, keys typed into the window reaching the far
# end, the command key, a ZMODEM download the far end starts, and closing
# the window. With PORTKIT_SCREENSHOT_DIR set, the window is saved there as
# term-window.png.
set -eu
tool=$1
. "$(dirname "$0")/../tool/tool_test_lib.sh"
. "$(dirname "$0")/xvfb_lib.sh"
. "$(dirname "$0")/../wine/cp437_cells.sh"

for program in xdotool convert import socat; do
  if ! command -v "$program" >/dev/null; then
    echo "SKIP: $program is not installed (scripts/install-deps.sh installs it)"
    exit 77
  fi
done

term_pid=
cleanup_x() {
  [ -z "$term_pid" ] || kill "$term_pid" 2>/dev/null || true
  stop_xvfb
  cleanup
}
trap cleanup_x EXIT
start_xvfb
mkdir "$work/downloads"

# start_window ARGS...: the terminal in its window on end a of a fresh cable;
# the far end is end b, open on descriptor 3. Sets the window's id, place
# and cell size.
start_window() {
  # The last cable's socat would hold the test's output open after it ends.
  if [ -n "$socat_pid" ]; then
    kill "$socat_pid" 2>/dev/null || true
    wait "$socat_pid" 2>/dev/null || true
  fi
  cable
  (cd "$work/downloads" && exec "$tool" term --port "$work/a" --window "$@" </dev/null >"$work/term.out" 2>"$work/term.err") &
  term_pid=$!
  exec 3<>"$work/b"
  window=$(timeout 10 xdotool search --sync --name '^DSTerm$' | head -n 1) || fail "no window: $(cat "$work/term.err")"
  eval "$(xdotool getwindowgeometry --shell "$window")"
  left=$X top=$Y
  cell_w=$((WIDTH / ${cols:-80})) cell_h=$((HEIGHT / ${rows:-25}))
}

# term_ends: the terminal exits with 0 within 5 s.
term_ends() {
  for _ in $(seq 100); do kill -0 "$term_pid" 2>/dev/null || break; sleep 0.05; done
  if kill -0 "$term_pid" 2>/dev/null; then
    kill "$term_pid"
    fail "term did not end: $(cat "$work/term.err")"
  fi
  wait "$term_pid" && rc=0 || rc=$?
  term_pid=
  [ "$rc" -eq 0 ] || fail "term exited $rc: $(cat "$work/term.err")"
}

shot() { import -window root "$work/shot.png"; }
# The same as a PPM, for screen_pixels.py.
ppm_shot() { import -window root -depth 8 "$work/shot.ppm"; }
pixels() { python3 "$(dirname "$0")/../wine/screen_pixels.py" "$work/shot.ppm" "$@"; }

# cell_colours ROW COL: the colours of that cell in the last shot, as #RRGGBB.
cell_colours() {
  convert "$work/shot.png" -crop "${cell_w}x${cell_h}+$((left + $2 * cell_w))+$((top + $1 * cell_h))" +repage \
    -format %c histogram:info:- | grep -o '#[0-9A-F]\{6\}' | sort -u | tr '\n' ' '
}

window_colours() {
  convert "$work/shot.png" -crop "${WIDTH}x$HEIGHT+$left+$top" +repage -format %c histogram:info:- |
    grep -o '#[0-9A-F]\{6\}' | sort -u | tr '\n' ' '
}

# expect_cell ROW COL COLOURS: exactly those colours in the cell.
expect_cell() {
  got=$(cell_colours "$1" "$2")
  [ "$got" = "$3" ] || fail "cell ($1, $2) has colours '$got', not '$3'"
}

# far_end_reads BYTES: the far end receives exactly BYTES (printf format) next.
far_end_reads() {
  timeout 0.7 cat <&3 >"$work/got" || true
  printf "$1" >"$work/want"
  cmp -s "$work/got" "$work/want" || fail "far end read $(od -c "$work/got"), not $(od -c "$work/want")"
}

# wait_cell ROW COL COLOURS: the cell shows those colours within 5 s.
wait_cell() {
  for _ in $(seq 50); do
    shot
    [ "$(cell_colours "$1" "$2")" = "$3" ] && return 0
    sleep 0.1
  done
  expect_cell "$@"
}

start_window
[ "$WIDTH" -eq $((80 * cell_w)) ] && [ "$HEIGHT" -eq $((25 * cell_h)) ] || fail "window is ${WIDTH}x$HEIGHT"

# Colours after SGR sequences, from the window's table: red on blue, bright
# yellow on green, reverse (black on white), blinking bright white on black.
printf '\033[2J\033[H\033[31;44mM\033[0m\r\n\033[1;33;42mM\033[0m\r\n\033[7mM\033[0m\r\n\033[5;1;37mMMMM\033[0m' >&3
wait_cell 0 0 '#000080 #800000 '
expect_cell 1 0 '#008000 #FFFF00 '
expect_cell 2 0 '#000000 #FFFFFF '
expect_cell 4 0 '#000000 '

# The blinking cell alternates between white and black text every 500 ms.
seen=
for _ in $(seq 8); do
  shot
  seen="$seen|$(cell_colours 3 0)"
  sleep 0.2
done
case $seen in *'|#000000 |'* | *'|#000000 ') ;; *) fail "the blinking cell never went dark: $seen" ;; esac
case $seen in *'#000000 #FFFFFF '*) ;; *) fail "the blinking cell never showed its text: $seen" ;; esac

# The caret: with the focus, a bar at the foot of the cursor cell.
xdotool windowfocus --sync "$window"
printf '\033[6;11H' >&3
sleep 0.3
shot
expect_cell 5 10 '#000000 #FFFFFF '
expect_cell 5 11 '#000000 '
caret_row=$(convert "$work/shot.png" -crop "1x1+$((left + 10 * cell_w + 1))+$((top + 6 * cell_h - 1))" \
  -format '%[hex:u.p{0,0}]' info:)
case $caret_row in FFFFFF*) ;; *) fail "no caret at the foot of the cursor cell: $caret_row" ;; esac

# The far end's bytes are IBM PC characters: 0xC9 0xCD 0xBB are box lines
# and 0xB0 to 0xB2 and 0xDB shades and a block, not the Latin-1 letters and
# signs of the same codes.
printf "$cp437_cells_bytes" >&3
wait_cell 2 3 '#D2D2D2 '
ppm_shot
check_cp437_cells "$left" "$top" "$cell_w" "$cell_h"

if [ -n "${PORTKIT_SCREENSHOT_DIR:-}" ]; then
  printf '\033[2J\033[H\033[1;37;44m portkit term --window \033[0m\r\n\r\n' >&3
  printf 'Colours: \033[31mred \033[32mgreen \033[33myellow \033[34mblue \033[35mmagenta \033[36mcyan \033[37mwhite\033[0m\r\n' >&3
  printf 'Bright:  \033[1;31mred \033[32mgreen \033[33myellow \033[34mblue \033[35mmagenta \033[36mcyan \033[37mwhite\033[0m\r\n' >&3
  printf 'Paper:   \033[41m red \033[42m green \033[43m yellow \033[44m blue \033[45m magenta \033[46m cyan \033[30;47m white \033[0m\r\n' >&3
  printf '\r\n\033[5;1;33mBlinking\033[0m, \033[7mreverse\033[0m and the caret: ' >&3
  # Taken while the blinking text shows.
  wait_cell 6 0 '#000000 #FFFF00 '
  mkdir -p "$PORTKIT_SCREENSHOT_DIR"
  convert "$work/shot.png" -crop "${WIDTH}x$HEIGHT+$left+$top" +repage "$PORTKIT_SCREENSHOT_DIR/term-window.png"
fi

# Scrolling: a line feed on the last row moves every row up one (the
# carriage return keeps the caret out of the cell looked at).
printf '\033[2J\033[1;1H\033[44mA\033[0m\r\n\033[42mB\033[0m\033[25;1H\033[41mZ\033[0m\r\n' >&3
wait_cell 0 0 '#008000 #D2D2D2 '
expect_cell 23 0 '#800000 #D2D2D2 '
expect_cell 24 1 '#000000 '

# Keys typed into the window reach the far end; arrows as ANSI sequences.
xdotool type --delay 20 'ab1'
xdotool key Return Up Left
far_end_reads 'ab1\r\033[A\033[D'

# The command key works as on the console: its help shows in the window.
printf '\033[0m\033[2J' >&3
sleep 0.3
shot
[ "$(window_colours)" = '#000000 #FFFFFF ' ] || fail "the window (black but for the caret) did not clear: $(window_colours)"
xdotool key ctrl+t question
sleep 0.5
shot
[ "$(window_colours)" = '#000000 #D2D2D2 #FFFFFF ' ] || fail "Ctrl-T ? showed no help: $(window_colours)"

# A ZMODEM send the far end starts is received into the current directory.
if command -v sz >/dev/null; then
  head -c 20000 /dev/urandom >"$work/sent.bin"
  (cd "$work" && sz -q sent.bin <&3 >&3) || fail "sz failed"
  cmp "$work/sent.bin" "$work/downloads/sent.bin" || fail "the ZMODEM download differs"
fi

# Keys typed while the download is still ending are dropped, and sz may be
# gone before it ends: Ctrl-T q again until the terminal takes it.
for _ in 1 2 3; do
  xdotool key ctrl+t q
  for _ in $(seq 20); do kill -0 "$term_pid" 2>/dev/null || break 2; sleep 0.05; done
done
term_ends
exec 3<&-

# Closing the window ends the session; --rows and --cols size it.
rows=10 cols=40 start_window --rows 10 --cols 40
[ "$WIDTH" -eq $((40 * cell_w)) ] && [ "$HEIGHT" -eq $((10 * cell_h)) ] || fail "window is ${WIDTH}x$HEIGHT"
xdotool windowclose "$window"
term_ends
exec 3<&-

# On a server without the Unicode fonts the cells keep their size in the
# Latin-1 face, and the lines, shades and blocks are drawn all the same.
latin1_font=/usr/share/fonts/X11/misc/7x13-ISO8859-1.pcf.gz
if command -v mkfontdir >/dev/null && [ -e "$latin1_font" ]; then
  unicode_cell="${cell_w}x$cell_h"
  mkdir "$work/fonts"
  cp "$latin1_font" "$work/fonts/"
  mkfontdir "$work/fonts"
  stop_xvfb
  start_xvfb -fp "$work/fonts"
  start_window
  [ "${cell_w}x$cell_h" = "$unicode_cell" ] || fail "Latin-1 cells are ${cell_w}x$cell_h, not $unicode_cell"
  printf "$cp437_cells_bytes" >&3
  wait_cell 2 3 '#D2D2D2 '
  ppm_shot
  check_cp437_cells "$left" "$top" "$cell_w" "$cell_h"
  xdotool windowclose "$window"
  term_ends
  exec 3<&-
fi
# Without a display to open, the terminal says so and fails.
env -u DISPLAY "$tool" term --port "$work/a" --window </dev/null >/dev/null 2>"$work/err" && rc=0 || rc=$?
[ "$rc" -eq 1 ] && grep -q 'cannot open the X display' "$work/err" || fail "no display: $rc $(cat "$work/err")"
echo "term --window: colours, blink, caret, IBM PC characters, scrolling, keys, command key, ZMODEM and closing all work"
