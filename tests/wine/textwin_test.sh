#!/bin/bash
# The text windows' MDI frame under Wine on a private X server (Xvfb),
# driven through examples/textwin_demo.exe: the variable-pitch warnings,
# the colours of written cells, the caret, whole rows after scrolling back,
# the menu bar, a scroll bar, keys reaching TWGetkey, TWGets, TWMenu
# choosing and dismissed with Escape, the TWGetLine dialog's OK and Cancel,
# Tile and Cascade, and File, Exit ending the program. With
# PORTKIT_SCREENSHOT_DIR set, the screen is saved there as
# text-windows-wine.png.
#
# usage: textwin_test.sh TEXTWIN_DEMO_EXE
set -eu
[ $# -eq 1 ] || { echo "usage: $0 TEXTWIN_DEMO_EXE" >&2; exit 2; }
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine_lib.sh"
skip_without Xvfb xdotool import convert python3
exe=$(absolute "$1")
private_display
wine_setup "$exe"

: >"$work/out"
(exec wine "$exe" </dev/null >"$work/out" 2>"$work/err") &
demo_pid=$!
background_pids="$background_pids $demo_pid"

# reported LINE: the demo prints LINE within 10 s (its lines end in CR LF).
reported() {
  for _ in $(seq 200); do
    tr -d '\r' <"$work/out" | grep -qxF "$1" && return 0
    sleep 0.05
  done
  fail "the demo did not report '$1'; it said: $(cat "$work/out") $(cat "$work/err")"
}

# wait_window NAME: the id of the visible window of that name, within 30 s.
wait_window() {
  id=$(timeout 30 xdotool search --sync --onlyvisible --name "^$1\$" | head -n 1)
  [ -n "$id" ] && echo "$id"
}
# focus WINDOW: the keyboard goes to that window (once it is mapped).
focus() {
  for _ in $(seq 50); do
    xdotool windowfocus --sync "$1" 2>/dev/null && return 0
    sleep 0.1
  done
  fail "window $1 does not take the focus"
}

# The demo's font, Courier, is proportional under Wine: each text window
# then warns once, and the demo goes on when the box is closed.
warnings=0
for _ in $(seq 300); do
  tr -d '\r' <"$work/out" | grep -qxF 'ready: yes' && break
  if box=$(xdotool search --onlyvisible --name '^Warning Message$' 2>/dev/null | head -n 1) && [ -n "$box" ]; then
    focus "$box"
    xdotool key Return
    warnings=$((warnings + 1))
    for _ in $(seq 100); do xdotool search --onlyvisible --name '^Warning Message$' >/dev/null || break; sleep 0.05; done
  fi
  sleep 0.1
done
case $warnings in
  0 | 2) echo "ok: $warnings variable-pitch warnings" ;;
  *) fail "$warnings variable-pitch warnings for two windows of one font" ;;
esac
reported 'ready: yes'

# The first window's client area: the white around a blank cell well
# inside it (rows 5 to 11 are blank); it shows 60 x 12 cells.
sleep 0.5
shot
[ "$(pixels pixel 200 200)" = '#FFFFFF' ] || fail "(200, 200) is not in the first window: $(pixels pixel 200 200)"
read -r left right _ _ <<<"$(pixels span 200 200)"
read -r _ _ top bottom <<<"$(pixels span $((right - 2)) 200)"
[ $(((right - left) % 60)) -eq 0 ] && [ $(((bottom - top) % 12)) -eq 0 ] ||
  fail "the first window's client area ${left}-$right x ${top}-$bottom is not 60 x 12 cells"
cell_w=$(((right - left) / 60)) cell_h=$(((bottom - top) / 12))
cell() { pixels area $((left + $2 * cell_w)) $((top + $1 * cell_h)) "$3" "$cell_h"; }
echo "ok: 60 x 12 cells of ${cell_w}x$cell_h pixels at ($left, $top)"

# Row 0 black text on white, row 1 "Reverse text" (attribute 1) white on
# black, and blank white after it.
case "$(cell 0 0 $((9 * cell_w)))" in '#000000'*'#FFFFFF') ;; *) fail "row 0 has '$(cell 0 0 $((9 * cell_w)))'" ;; esac
case "$(cell 1 0 $((12 * cell_w)))" in '#000000'*'#FFFFFF') ;; *) fail "row 1 has '$(cell 1 0 $((12 * cell_w)))'" ;; esac
[ "$(pixels pixel "$left" $((top + cell_h)))" = '#000000' ] || fail "the paper of attribute 1 is not black"
[ "$(pixels pixel $((left + 12 * cell_w - 1)) $((top + 2 * cell_h - 1)))" = '#000000' ] ||
  fail "the reverse run does not end at column 12"
[ "$(cell 1 12 $((20 * cell_w)))" = '#FFFFFF' ] || fail "row 1 after the reverse text has '$(cell 1 12 $((20 * cell_w)))'"
echo "ok: cells of both attributes"

# The menu bar: a band across the frame, a menu's height, between the
# top of the frame and the workspace, with black titles at its left.
bar_y=
for y in $(seq 0 2 80); do
  case "$(pixels pixel 600 "$y")" in '#000000' | '#808080') ;; *) bar_y=$y; break ;; esac
done
[ -n "$bar_y" ] || fail "no menu bar above the workspace"
read -r bar_left bar_right bar_top bar_bottom <<<"$(pixels span 600 "$bar_y")"
[ $((bar_bottom - bar_top)) -ge 15 ] && [ $((bar_bottom - bar_top)) -le 30 ] && [ "$bar_right" -gt 1000 ] ||
  fail "the menu bar is ${bar_left}-$bar_right x ${bar_top}-$bar_bottom"
[ "$(pixels pixel 600 "$bar_bottom")" = '#808080' ] || fail "no workspace under the menu bar"
menu=$(pixels area 0 "$bar_top" 100 $((bar_bottom - bar_top)))
case "$menu" in '#000000'*"$(pixels pixel 600 "$bar_y")"*) ;; *) fail "no menu titles in '$menu'" ;; esac
echo "ok: the menu bar"

if [ -n "${PORTKIT_SCREENSHOT_DIR:-}" ]; then
  mkdir -p "$PORTKIT_SCREENSHOT_DIR"
  import -window root "$PORTKIT_SCREENSHOT_DIR/text-windows-wine.png"
fi

# The caret: the first window has the focus, the cursor is at row 4,
# column 0; an 8-pixel bar there while the system caret blinks.
xdotool mousemove $((left + 30 * cell_w)) $((top + 8 * cell_h)) click 1
caret_seen=
for _ in $(seq 8); do
  shot
  [ "$(pixels area "$left" $((top + 4 * cell_h)) 8 "$cell_h")" = '#000000' ] && caret_seen=1
  [ "$(pixels pixel $((left + 8)) $((top + 4 * cell_h + 1)))" = '#FFFFFF' ] || fail "the caret is wider than 8 pixels"
  sleep 0.15
done
[ -n "$caret_seen" ] || fail "no caret in cell (4, 0)"
echo "ok: caret"

# The second window (50 x 10 cells, with scroll bars): its client area
# ends where its vertical bar begins, right of the text. A click on the
# bar's down arrow scrolls the view one row: row 1 moves to row 0.
read -r _ second_right second_top second_bottom <<<"$(pixels span 600 400)"
[ $((second_bottom - second_top)) -eq $((10 * cell_h)) ] ||
  fail "the second window's client area is ${second_top}-$second_bottom high, not 10 rows"
second_left=$((second_right - 50 * cell_w))
# row_strip ROW: the pixels of the second window's row, as a checksum.
row_strip() {
  convert "$work/shot.ppm" -crop "$((50 * cell_w))x$cell_h+$second_left+$((second_top + $1 * cell_h))" +repage rgb:- |
    md5sum
}
# Lines 10 to 14 (rows 5 to 9), written before the rows above them were
# scrolled back into view, are of one length: their ink ends at one place.
ink_end() {
  convert "$work/shot.ppm" -crop "$((50 * cell_w))x$cell_h+$second_left+$((second_top + $1 * cell_h))" +repage \
    -format '%@' info: | sed 's/^\([0-9]*\)x[0-9]*+\([0-9]*\)+.*/\1 \2/' | { read -r w x; echo $((w + x)); }
}
line_end=$(ink_end 9)
for row in 5 6 7 8; do
  [ "$(ink_end "$row")" = "$line_end" ] || fail "row $row of the second window ends at $(ink_end "$row"), row 9 at $line_end"
done
echo "ok: the second window's rows are whole"
row_one=$(row_strip 1)
xdotool mousemove $((second_right + 8)) $((second_bottom - 8)) click 1
for _ in $(seq 20); do sleep 0.2; shot; [ "$(row_strip 0)" = "$row_one" ] && break; done
[ "$(row_strip 0)" = "$row_one" ] || fail "the down arrow did not scroll the second window by a row"
echo "ok: the scroll bar"

# Back to the first window.
xdotool mousemove $((left + 30 * cell_w)) $((top + 8 * cell_h)) click 1
sleep 0.3

# Typed keys reach TWGetkey; F1 comes as the console's code for it.
xdotool type --delay 30 'xy'
reported 'key: 120'
reported 'key: 121'
xdotool key F1
reported 'key: 15104'
echo "ok: keys"

# TWGets echoes the line; Backspace takes back a character.
xdotool key s
sleep 0.3
xdotool type --delay 30 'hello'
xdotool key BackSpace Return
reported 'gets: hell'
echo "ok: TWGets"

# TWMenu: the second item by the keyboard, then dismissed with Escape.
xdotool key m
sleep 0.5
xdotool key Down Down Return
reported 'menu: 1'
xdotool key m
sleep 0.5
xdotool key Escape
reported 'menu: -1'
echo "ok: TWMenu"

# TWGetLine: OK (Enter) gives the typed text, edited with Home; Cancel
# (Escape) an empty line.
xdotool key g
dialog=$(wait_window Line) || fail "no line dialog"
focus "$dialog"
xdotool type --delay 30 'bc'
xdotool key Home a Return
reported 'line: abc'
xdotool key g
dialog=$(wait_window Line) || fail "no line dialog"
focus "$dialog"
xdotool type --delay 30 'zz'
xdotool key Escape
reported 'line: '
echo "ok: TWGetLine"

# Window, Tile covers the workspace; Window, Cascade shows it again.
workspace_at() { [ "$(pixels pixel 1000 700)" = '#808080' ]; }
xdotool key alt+w t
for _ in $(seq 20); do sleep 0.2; shot; workspace_at || break; done
! workspace_at || fail "after Tile the workspace still shows at (1000, 700)"
xdotool key alt+w c
for _ in $(seq 20); do sleep 0.2; shot; workspace_at && break; done
workspace_at || fail "after Cascade the workspace does not show at (1000, 700): $(pixels pixel 1000 700)"
echo "ok: Tile and Cascade"

# File, Exit: TWGetkey gives -1 and the program ends.
xdotool key alt+f x
reported 'closed: frame'
for _ in $(seq 200); do kill -0 "$demo_pid" 2>/dev/null || break; sleep 0.05; done
if kill -0 "$demo_pid" 2>/dev/null; then
  kill "$demo_pid" 2>/dev/null || true
  fail "the demo still runs 10 s after File, Exit: $(cat "$work/err")"
fi
wait "$demo_pid" && rc=0 || rc=$?
[ "$rc" -eq 0 ] || fail "the demo exited $rc: $(cat "$work/err")"
echo "ok: File, Exit"
