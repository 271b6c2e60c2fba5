// Characters of the IBM PC set that the terminal windows draw as shapes of
// the cell rather than through a font: the box-drawing lines, the half and
// full blocks and the three shades. Drawn so, they join their neighbours
// without seams and look the same whatever font the window found.
#ifndef PORTKIT_SCREEN_TERMINAL_WINDOW_DSTERM_CELL_SHAPES_H
#define PORTKIT_SCREEN_TERMINAL_WINDOW_DSTERM_CELL_SHAPES_H

#include "screen/terminal_window/dsterm_surface.h"

namespace portkit::screen {

struct CellShape {
    // Rectangles in the text colour, relative to the cell's top-left corner,
    // on the cell's background.
    PixelRect parts[8];
    int count = 0;
    // For the shades, quarters of the cell's pixels in the text colour
    // (1 light, 2 medium, 3 dark), in the pattern ShadePixelIsText gives;
    // then parts[0] is the whole cell. 0 for lines and blocks.
    int shade = 0;
};

// The characters drawn as shapes: 0xB0 to 0xDF.
constexpr bool DrawnAsShape(unsigned char code) { return code >= 0xB0 && code <= 0xDF; }

// The shape of a character in a cell of at least 3 x 3 pixels; false for the
// characters a font draws.
bool CellShapeOf(unsigned char code, int cell_width, int cell_height, CellShape &shape);

// Calls draw(left, top, shape) for each cell of the run whose character is
// drawn as a shape, with the cell's top-left corner in window coordinates.
template <typename Draw>
void ForEachShapeInRun(const CellRun &run, Draw draw) {
    const int width = (run.cells.right - run.cells.left) / run.length, height = run.cells.bottom - run.cells.top;
    CellShape shape;
    for (int i = 0; i < run.length; ++i) {
        if (CellShapeOf(static_cast<unsigned char>(run.text[i]), width, height, shape)) {
            draw(run.cells.left + i * width, run.cells.top, shape);
        }
    }
}

// Whether a shade's pixel at (x, y) in window coordinates is in the text
// colour. Anchored to the window, not the cell, so shades tile across cells
// of odd width; the pattern repeats every 2 pixels both ways.
constexpr bool ShadePixelIsText(int shade, int x, int y) {
    const bool odd_x = (x & 1) != 0, odd_y = (y & 1) != 0;
    switch (shade) {
        case 1:
            return !odd_x && !odd_y;
        case 2:
            return odd_x == odd_y;
        case 3:
            return !(odd_x && odd_y);
        default:
            return false;
    }
}

}  // namespace portkit::screen

#endif
