#include "screen/terminal_window/dsterm_fit.h"

#include <algorithm>

namespace portkit::screen {

GridFit FitToCells(int client_width, int client_height, CellMetrics cell, unsigned long style) {
    const int col_limit = static_cast<int>(style & 0xFFu), row_limit = static_cast<int>((style >> 8) & 0xFFu);
    GridFit fit{};
    fit.cols = std::max(client_width / std::max(cell.width, 1), 1);
    fit.rows = std::max(client_height / std::max(cell.height, 1), 1);
    if (col_limit != 0) fit.cols = std::min(fit.cols, col_limit);
    if (row_limit != 0) fit.rows = std::min(fit.rows, row_limit);
    fit.client_width = fit.cols * cell.width;
    fit.client_height = fit.rows * cell.height;
    fit.shift_x = (client_width - fit.client_width) / 2;
    fit.shift_y = (client_height - fit.client_height) / 2;
    return fit;
}

}  // namespace portkit::screen
