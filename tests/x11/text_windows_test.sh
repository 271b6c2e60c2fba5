#!/bin/bash
# The text windows on a private X server (Xvfb), driven through
# examples/textwin_demo: the colours of written cells, rows scrolled before
# their first repaint, the caret, the menu bar, keys reaching TWGetkey,
# TWGets editing a line, TWMenu choosing and dismissing, the TWGetLine
# dialog's OK and Cancel, a scroll bar, the variable-pitch warning box,
# Cascade and Tile, a close box, and File, Exit or closing the window
# ending TWGetkey. With PORTKIT_SCREENSHOT_DIR set, the screen is saved
# there as text-windows.png.
set -eu
tool=$1  # the demo program
. "$(dirname "$0")/../tool/tool_test_lib.sh"
. "$(dirname "$0")/xvfb_lib.sh"

for program in xdotool xwininfo convert import; do
  if ! command -v "$program" >/dev/null; then
    echo "SKIP: $program is not installed (scripts/install-deps.sh installs it)"
    exit 77
  fi
done

demo_pid=
cleanup_x() {
  [ -z "$demo_pid" ] || kill "$demo_pid" 2>/dev/null || true
  stop_xvfb
  cleanup
}
trap cleanup_x EXIT
start_xvfb

start_demo() {
  : >"$work/out"
  timeout 60 "$tool" >"$work/out" 2>"$work/err" &
  demo_pid=$!
}
start_demo

# reported LINE: the demo prints LINE within 5 s.
reported() {
  for _ in $(seq 100); do
    grep -qxF "$1" "$work/out" && return 0
    sleep 0.05
  done
  fail "the demo did not report '$1'; it said: $(cat "$work/out") $(cat "$work/err")"
}

shot() { import -window root "$work/shot.png"; }

# pixel X Y: the colour at that point of the last shot, as RRGGBB.
pixel() { convert "$work/shot.png" -format '%[hex:u.p{'"$1,$2"'}]' info: | cut -c1-6; }

expect_pixel() {
  got=$(pixel "$1" "$2")
  [ "$got" = "$3" ] || fail "pixel ($1, $2) is $got, not $3 ($4)"
}

# place WINDOW: the window's place on the screen and its size in X, Y,
# WIDTH and HEIGHT.
place() {
  info=$(xwininfo -id "$1")
  X=$(echo "$info" | sed -n 's/^ *Absolute upper-left X: *//p')
  Y=$(echo "$info" | sed -n 's/^ *Absolute upper-left Y: *//p')
  WIDTH=$(echo "$info" | sed -n 's/^ *Width: *//p')
  HEIGHT=$(echo "$info" | sed -n 's/^ *Height: *//p')
}

reported 'ready: yes'
read -r _ first_window second_window < <(grep '^windows: ' "$work/out")
place "$first_window"
left=$X top=$Y
cell_w=$((WIDTH / 60)) cell_h=$((HEIGHT / 12))
[ "$cell_w" -gt 0 ] && [ "$cell_h" -gt 0 ] || fail "the first window is ${WIDTH}x$HEIGHT"
# cell_x COL / cell_y ROW: the top left pixel of a cell of the first window.
cell_x() { echo $((left + $1 * cell_w)); }
cell_y() { echo $((top + $1 * cell_h)); }

# Written cells: row 0 black on white, row 1 (attribute 1) white on black;
# the caret (the cursor is at row 4, column 0) an 8-pixel bar, one cell high.
shot
colours=$(convert "$work/shot.png" -crop "$((9 * cell_w))x$cell_h+$(cell_x 0)+$(cell_y 0)" +repage \
  -format %c histogram:info:- | grep -o '#[0-9A-F]\{6\}' | sort -u | tr '\n' ' ')
[ "$colours" = '#000000 #FFFFFF ' ] || fail "row 0 has colours '$colours'"
expect_pixel "$(cell_x 0)" "$(cell_y 0)" FFFFFF 'paper of attribute 0'
expect_pixel "$(($(cell_x 12) - 1))" "$(($(cell_y 2) - 1))" 000000 'paper of attribute 1'
expect_pixel "$(cell_x 30)" "$(cell_y 2)" FFFFFF 'paper right of the reverse text'
expect_pixel "$(($(cell_x 0) + 7))" "$(($(cell_y 4) + cell_h - 1))" 000000 'the caret'
expect_pixel "$(($(cell_x 0) + 8))" "$(($(cell_y 4) + 1))" FFFFFF 'right of the caret'
# The menu bar: grey, with its titles in black.
expect_pixel 600 5 C0C0C0 'the menu bar'
titles=$(convert "$work/shot.png" -crop 40x15+0+2 +repage -format %c histogram:info:- | grep -c '#000000' || true)
[ "$titles" -eq 1 ] || fail "no menu title drawn"

# The second window shows lines 6 to 14 below the poked row 0, whole
# though they were written, scrolled out of view and scrolled back before
# their first repaint: " of the second window" alike on every row.
place "$second_window"
second_x=$X second_y=$Y second_w=$((WIDTH / 50)) second_h=$((HEIGHT / 10))
tail_of_row() {  # ROW: the 21 cells after "Line N" of that row
  local line=$(($1 + 5)) from=6
  [ "$line" -lt 10 ] || from=7
  convert "$work/shot.png" -crop "$((21 * second_w))x$second_h+$((second_x + from * second_w))+$((second_y + $1 * second_h))" \
    +repage "$work/tail$1.png"
}
tail_of_row 9
for row in 1 2 3 4 5 6 7 8; do
  tail_of_row "$row"
  differing=$(compare -metric AE "$work/tail$row.png" "$work/tail9.png" null: 2>&1 || true)
  [ "$differing" = 0 ] || fail "row $row of the second window is not whole ($differing pixels differ from row 9)"
done

if [ -n "${PORTKIT_SCREENSHOT_DIR:-}" ]; then
  mkdir -p "$PORTKIT_SCREENSHOT_DIR"
  cp "$work/shot.png" "$PORTKIT_SCREENSHOT_DIR/text-windows.png"
fi

# Typed keys reach TWGetkey and are echoed.
xdotool type --delay 30 'xy'
reported 'key: 120'
reported 'key: 121'

# TWGets: Backspace takes back a character.
xdotool key s
sleep 0.2
xdotool type --delay 30 'hello'
xdotool key BackSpace Return
reported 'gets: hell'

# TWMenu: the second item by the keyboard, then dismissed with Escape.
xdotool key m
sleep 0.4
xdotool key Down Down Return
reported 'menu: 1'
xdotool key m
sleep 0.4
xdotool key Escape
reported 'menu: -1'

# TWGetLine: OK gives the typed text (edited with Home), Cancel an empty line.
xdotool key g
sleep 0.5
xdotool type --delay 30 'bc'
xdotool key Home a Return
reported 'line: abc'
xdotool key g
sleep 0.5
xdotool type --delay 30 'zz'
xdotool key Escape
reported 'line: '

# The second window's up arrow, twice: what row 0 showed moves to row 2.
place "$second_window"
crop_row() { convert "$work/shot.png" -crop "$((20 * cell_w))x$cell_h+$X+$((Y + $1 * cell_h))" +repage "$2"; }
shot
crop_row 0 "$work/row0.png"
xdotool mousemove $((X + WIDTH + 7)) $((Y + 7)) click 1
sleep 0.2
xdotool click 1
sleep 0.4
shot
crop_row 2 "$work/row2.png"
differing=$(compare -metric AE "$work/row0.png" "$work/row2.png" null: 2>&1 || true)
[ "$differing" = 0 ] || fail "the second window did not scroll back two rows ($differing pixels differ)"

# A proportional face: the warning box, closed with Return; the window is made.
xdotool mousemove "$left" "$top" click 1
xdotool key p
box=$(timeout 5 xdotool search --sync --name '^Warning Message$' | head -n 1) || fail "no warning box"
xdotool key Return
reported 'proportional: made'
xdotool mousemove "$left" "$top" click 1
sleep 0.2

# Window, Tile: the windows side by side over the whole area.
xdotool key alt+w t
sleep 0.5
shot
expect_pixel 1000 700 FFFFFF 'the tiled windows covering the area'
place "$first_window"
[ "$X" -le 2 ] && [ "$Y" -lt 60 ] || fail "the first window is not tiled at the top left: $X,$Y"
first_width=$WIDTH first_y=$Y
place "$second_window"
[ "$X" -gt "$first_width" ] && [ "$Y" -eq "$first_y" ] ||
  fail "the second window is not tiled right of the first: $X,$Y ${WIDTH}x$HEIGHT"

# Window, Cascade by Alt alone, then the mnemonics: each window one caption
# lower and further right.
xdotool key alt
sleep 0.2
xdotool key w
sleep 0.3
xdotool key c
sleep 0.5
shot
expect_pixel 1000 700 808080 'the workspace behind cascaded windows'
place "$first_window"
first_x=$X first_y=$Y
place "$second_window"
[ "$X" -gt "$first_x" ] && [ "$Y" -gt "$first_y" ] && [ $((X - first_x)) -eq $((Y - first_y)) ] ||
  fail "the second window is not cascaded below the first: $X,$Y against $first_x,$first_y"

# The second window's close box (right in its caption, past the scroll bar)
# closes it; the program goes on.
place "$second_window"
xdotool mousemove $((X + WIDTH + 14 - 8)) $((Y - 8)) click 1
sleep 0.3
! xwininfo -id "$second_window" >/dev/null 2>&1 || fail "the second window is still there after its close box"
kill -0 "$demo_pid" || fail "the demo ended with the second window: $(cat "$work/err")"

# File, Exit by the mouse: TWGetkey returns -1.
xdotool mousemove 15 8 click 1
sleep 0.4
xdotool mousemove 20 28 click 1
reported 'closed: frame'
wait "$demo_pid" || fail "the demo exited $?: $(cat "$work/err")"
demo_pid=

# Once more: the first window's close box, while the frame stays open, ends
# the demo's wait for a key in it.
start_demo
reported 'ready: yes'
read -r _ first_window second_window < <(grep '^windows: ' "$work/out")
place "$first_window"
xdotool mousemove $((X + WIDTH - 8)) $((Y - 8)) click 1
reported 'closed: window'
wait "$demo_pid" || fail "the demo exited $?: $(cat "$work/err")"
demo_pid=
echo "text windows: cells, scrolled rows, caret, menu bar, keys, TWGets, TWMenu, TWGetLine, Tile, Cascade, Exit and a closed window all work"
