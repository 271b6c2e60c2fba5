// The shapes of the box-drawing, block and shade characters. A line is one
// pixel wide through the cell's centre; a double line is two, one pixel
// either side of it. Where lines meet, a double line's two strokes stop at
// or run on to the crossing strokes so that corners and tees close the way
// the IBM PC's font drew them.
#include "screen/terminal_window/dsterm_cell_shapes.h"

#include <algorithm>
#include <cstdint>
#include <iterator>

namespace portkit::screen {
namespace {

// The weight (0 none, 1 single, 2 double) of the line from the centre to
// each edge.
struct Arms {
    std::uint8_t up, down, left, right;
};

// 0xB3 to 0xDA, in code order.
constexpr Arms kBoxArms[] = {
    {1, 1, 0, 0}, {1, 1, 1, 0}, {1, 1, 2, 0}, {2, 2, 1, 0}, {0, 2, 1, 0}, {0, 1, 2, 0}, {2, 2, 2, 0},  // │┤╡╢╖╕╣
    {2, 2, 0, 0}, {0, 2, 2, 0}, {2, 0, 2, 0}, {2, 0, 1, 0}, {1, 0, 2, 0}, {0, 1, 1, 0}, {1, 0, 0, 1},  // ║╗╝╜╛┐└
    {1, 0, 1, 1}, {0, 1, 1, 1}, {1, 1, 0, 1}, {0, 0, 1, 1}, {1, 1, 1, 1}, {1, 1, 0, 2}, {2, 2, 0, 1},  // ┴┬├─┼╞╟
    {2, 0, 0, 2}, {0, 2, 0, 2}, {2, 0, 2, 2}, {0, 2, 2, 2}, {2, 2, 0, 2}, {0, 0, 2, 2}, {2, 2, 2, 2},  // ╚╔╩╦╠═╬
    {1, 0, 2, 2}, {2, 0, 1, 1}, {0, 1, 2, 2}, {0, 2, 1, 1}, {2, 0, 0, 1}, {1, 0, 0, 2}, {0, 1, 0, 2},  // ╧╨╤╥╙╘╒
    {0, 2, 0, 1}, {2, 2, 1, 1}, {1, 1, 2, 2}, {1, 0, 1, 0}, {0, 1, 0, 1},  // ╓╫╪┘┌
};
constexpr unsigned char kFirstBox = 0xB3, kLastBox = 0xDA;
static_assert(std::size(kBoxArms) == kLastBox - kFirstBox + 1);

// One arm along an axis, seen from the centre: its weight, the weight of the
// arm opposite it, and of the two across it (`before` is the one up or left
// of the axis, `after` down or right).
struct ArmView {
    int weight, opposite, before, after;
};

// How far a single arm reaches past the centre towards `before` (negative)
// or `after` (positive): through a crossing line, or, meeting a double line
// alone, to its nearer stroke when the double runs on both sides (a tee)
// and to its farther one at a corner.
int SingleReach(const ArmView &arm) {
    if (arm.opposite > 0) return 0;
    if (std::max(arm.before, arm.after) < 2) return 0;
    return arm.before > 0 && arm.after > 0 ? -1 : 1;
}

// How far a double arm's stroke on the `before` side reaches past the
// centre: short of a double across on its own side, on to the far stroke of
// a double across on the other side only.
int BeforeStrokeReach(const ArmView &arm) {
    if (arm.before == 2) return -1;
    return arm.after == 2 ? 1 : 0;
}

int AfterStrokeReach(const ArmView &arm) {
    if (arm.after == 2) return -1;
    return arm.before == 2 ? 1 : 0;
}

// Adds the strokes of one arm. Coordinates run along the axis (`along`,
// from 0 to `length`, the centre at `centre`) and across it (the centre
// line at `middle`); `towards_start` is the arm running to coordinate 0.
// `add(along_first, along_end, across)` adds a one-pixel stroke.
template <typename Add>
void AddArm(const ArmView &arm, bool towards_start, int centre, int length, int middle, Add add) {
    auto stroke = [&](int reach, int across) {
        if (towards_start) {
            add(0, centre + reach + 1, across);
        } else {
            add(centre - reach, length, across);
        }
    };
    if (arm.weight == 1) stroke(SingleReach(arm), middle);
    if (arm.weight == 2) {
        stroke(BeforeStrokeReach(arm), middle - 1);
        stroke(AfterStrokeReach(arm), middle + 1);
    }
}

void AddBox(const Arms &arms, int width, int height, CellShape &shape) {
    const int cx = width / 2, cy = height / 2;
    auto add = [&shape](int left, int top, int right, int bottom) {
        shape.parts[shape.count++] = {left, top, right, bottom};
    };
    auto across_rows = [&](int first, int end, int y) { add(first, y, end, y + 1); };
    auto across_columns = [&](int first, int end, int x) { add(x, first, x + 1, end); };
    AddArm({arms.left, arms.right, arms.up, arms.down}, true, cx, width, cy, across_rows);
    AddArm({arms.right, arms.left, arms.up, arms.down}, false, cx, width, cy, across_rows);
    AddArm({arms.up, arms.down, arms.left, arms.right}, true, cy, height, cx, across_columns);
    AddArm({arms.down, arms.up, arms.left, arms.right}, false, cy, height, cx, across_columns);
}

}  // namespace

bool CellShapeOf(unsigned char code, int cell_width, int cell_height, CellShape &shape) {
    shape = {};
    const PixelRect whole{0, 0, cell_width, cell_height};
    const int split_x = (cell_width + 1) / 2, split_y = cell_height / 2;
    switch (code) {
        case 0xB0:
        case 0xB1:
        case 0xB2:
            shape.shade = code - 0xB0 + 1;
            shape.parts[shape.count++] = whole;
            return true;
        case 0xDB:
            shape.parts[shape.count++] = whole;
            return true;
        case 0xDC:
            shape.parts[shape.count++] = {0, split_y, cell_width, cell_height};
            return true;
        case 0xDD:
            shape.parts[shape.count++] = {0, 0, split_x, cell_height};
            return true;
        case 0xDE:
            shape.parts[shape.count++] = {split_x, 0, cell_width, cell_height};
            return true;
        case 0xDF:
            shape.parts[shape.count++] = {0, 0, cell_width, split_y};
            return true;
        default:
            break;
    }
    if (code < kFirstBox || code > kLastBox) return false;
    AddBox(kBoxArms[code - kFirstBox], cell_width, cell_height, shape);
    return true;
}

}  // namespace portkit::screen
