// The lines, blocks and shades of a terminal window's cells, drawn with GDI
// as shapes (screen/terminal_window/dsterm_cell_shapes.h).
#ifndef PORTKIT_WINDOW_SYSTEMS_WIN32_DSTERM_SHAPES_WIN32_H
#define PORTKIT_WINDOW_SYSTEMS_WIN32_DSTERM_SHAPES_WIN32_H

#include <windows.h>

#include "screen/terminal_window/dsterm_surface.h"

namespace portkit::win32 {

// Draws the shapes of the run's shape characters over their cells, which
// the text already filled with the background; `dc` has the run's colours
// as text and background colours.
void DrawCellShapes(HDC dc, const screen::CellRun &run);

}  // namespace portkit::win32

#endif
