// Fitting a new terminal window to whole cells.
#ifndef PORTKIT_SCREEN_TERMINAL_WINDOW_DSTERM_FIT_H
#define PORTKIT_SCREEN_TERMINAL_WINDOW_DSTERM_FIT_H

#include "screen/terminal_window/dsterm_model.h"

namespace portkit::screen {

struct GridFit {
    int rows, cols;
    int client_width, client_height;  // exactly rows x cols cells
    int shift_x, shift_y;             // added to the window's position to keep it centred
};

// The grid a client area of `client_width` x `client_height` pixels holds;
// the style's low byte limits the columns and the next byte the rows (0: no
// limit). At least one cell each way.
GridFit FitToCells(int client_width, int client_height, CellMetrics cell, unsigned long style);

}  // namespace portkit::screen

#endif
