// Drawing a terminal window from its grid: runs of equal attribute, blinking
// and the caret.
#include <algorithm>

#include "screen/terminal_window/dsterm_model.h"

namespace portkit::screen {

void DSTermModel::DrawSpan(int row, int first_col, int last_col) {
    first_col = std::max(first_col, 0);
    last_col = std::min(last_col, record_.cols - 1);
    if (row < 0 || row >= record_.rows || first_col > last_col) return;
    if (focused_) surface_.HideCaret();
    const bool blink_phase = (record_.blink_counter & 1u) != 0;
    for (int start = first_col; start <= last_col;) {
        const std::uint8_t attribute = AttributeAt(row, start);
        int end = start + 1;
        while (end <= last_col && AttributeAt(row, end) == attribute) ++end;

        CellRun run{};
        run.row = row;
        run.column = start;
        run.text = &record_.text[Index(row, start)];
        run.length = end - start;
        run.attribute = attribute;
        run.background = DSTermBackgroundColour(BackgroundIndex(attribute));
        run.foreground =
            Blinks(attribute) && blink_phase ? run.background : DSTermForegroundColour(ForegroundIndex(attribute));
        const int x = record_.client.left + start * record_.cell_width;
        const int y = record_.client.top + row * record_.cell_height;
        run.cells = {x, y, x + run.length * record_.cell_width, y + record_.cell_height};
        run.text_x = x;
        run.text_y = y - internal_leading_;
        surface_.DrawRun(run);
        start = end;
    }
    if (focused_) surface_.ShowCaret(CaretRect());
}

void DSTermModel::Paint(const PixelRect &area) {
    const int left = area.left - record_.client.left, top = area.top - record_.client.top;
    const int right = area.right - record_.client.left, bottom = area.bottom - record_.client.top;
    if (right <= 0 || bottom <= 0) return;
    const int first_row = std::max(top, 0) / record_.cell_height;
    const int last_row = std::min((bottom - 1) / record_.cell_height, record_.rows - 1);
    const int first_col = std::max(left, 0) / record_.cell_width;
    const int last_col = std::min((right - 1) / record_.cell_width, record_.cols - 1);
    for (int row = first_row; row <= last_row; ++row) DrawSpan(row, first_col, last_col);
}

void DSTermModel::BlinkTick() {
    ++record_.blink_counter;
    for (int row = 0; row < record_.rows; ++row) {
        int first = -1, last = -1;
        for (int col = 0; col < record_.cols; ++col) {
            if (!Blinks(AttributeAt(row, col))) continue;
            if (first < 0) first = col;
            last = col;
        }
        if (first >= 0) DrawSpan(row, first, last);
    }
}

PixelRect DSTermModel::CaretRect() const {
    const int x = record_.client.left + record_.cursor_col * record_.cell_width;
    const int y = record_.client.top + record_.cursor_row * record_.cell_height + record_.cell_height * 4 / 5;
    return {x, y, x + record_.cell_width, y + std::max(record_.cell_height / 4, 1)};
}

void DSTermModel::MoveCaret() {
    if (focused_) surface_.ShowCaret(CaretRect());
}

void DSTermModel::FocusGained() {
    focused_ = true;
    surface_.ShowCaret(CaretRect());
}

void DSTermModel::FocusLost() {
    focused_ = false;
    surface_.HideCaret();
}

}  // namespace portkit::screen
