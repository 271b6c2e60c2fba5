# Shared by the terminal window tests (sourced): the IBM PC box, shade and
# block characters as a window draws them, checked through `pixels` (from
# screen_pixels.py) on the last shot.
#
# The far end sends cp437_cells_bytes (printf format) to a window in the
# normal attribute; check_cp437_cells LEFT TOP CELL_W CELL_H then reads
# the grid whose corner and cells those are. A double line is two pixels
# either side of the cell's centre line apart (screen/terminal_window/
# dsterm_cell_shapes.cpp).

# ╔═╗ on the first row, ░▒▓█ on the third.
cp437_cells_bytes='\033[0m\033[2J\033[H\311\315\273\r\n\r\n\260\261\262\333'

check_cp437_cells() {
  local left=$1 top=$2 w=$3 h=$4 text=D2D2D2
  local cells=$(($3 * $4)) cx=$(($3 / 2)) shade count want got
  # The full block is text colour from edge to edge.
  got=$(pixels area $((left + 3 * w)) $((top + 2 * h)) "$w" "$h")
  [ "$got" = "#$text" ] || fail "the full block (0xDB) has the colours '$got'"
  # The shades: a quarter, half and three quarters of their pixels, give or
  # take what a pattern repeating every 2 pixels loses at odd cell edges.
  for shade in 1 2 3; do
    count=$(pixels count $((left + (shade - 1) * w)) $((top + 2 * h)) "$w" "$h" "$text")
    want=$((shade * cells))
    [ $((4 * count - want)) -le $((2 * (w + h))) ] && [ $((want - 4 * count)) -le $((2 * (w + h))) ] ||
      fail "shade $shade (0x$(printf %X $((0xAF + shade)))) has $count of $cells pixels in the text colour"
  done
  # The double line is two whole rows, a row apart, and nothing else.
  got=$(pixels rows $((left + w)) "$top" "$w" "$h" "$text")
  count=$(pixels count $((left + w)) "$top" "$w" "$h" "$text")
  set -- $got
  [ $# -eq 2 ] && [ $(($2 - $1)) -eq 2 ] && [ "$count" -eq $((2 * w)) ] ||
    fail "the double line (0xCD) has the whole rows '$got' and $count pixels in the text colour"
  # Its upper stroke runs on into the corners' outer strokes, which turn down
  # to the foot of their cells.
  got=$(pixels span $((left + w)) $((top + $1)))
  want="$((left + cx - 1)) $((left + 2 * w + cx + 2)) $((top + $1)) $((top + $1 + 1))"
  [ "$got" = "$want" ] || fail "the double line and its corners (0xC9 0xCD 0xBB) span '$got', not '$want'"
  got=$(pixels span $((left + cx - 1)) $((top + $1)))
  [ "${got#* * }" = "$((top + $1)) $((top + h))" ] || fail "the corner 0xC9 runs down over '$got'"
}
