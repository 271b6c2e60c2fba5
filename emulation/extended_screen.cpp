// The screen model's commands, with the VT100 and xterm rules for the
// cursor, the scroll region, the last column and erasing (in the current
// background colour).
#include "emulation/extended_screen.h"

#include <algorithm>

namespace portkit::emulation {

namespace {

constexpr int kMaxSide = 1000;
constexpr int kTabWidth = 8;

}  // namespace

void ScreenModel::Reset(int rows, int cols) {
    rows_ = std::clamp(rows, 1, kMaxSide);
    cols_ = std::clamp(cols, 1, kMaxSide);
    const auto size = static_cast<std::size_t>(rows_) * static_cast<std::size_t>(cols_);
    cells_.assign(size, Cell{});
    other_screen_.assign(size, Cell{});
    row_start_.resize(static_cast<std::size_t>(rows_));
    for (int row = 0; row < rows_; ++row) row_start_[static_cast<std::size_t>(row)] = std::ptrdiff_t{row} * cols_;
    other_row_start_ = row_start_;
    changed_rows_.assign(static_cast<std::size_t>(rows_), kRowChanged);
    top_ = 0;
    bottom_ = rows_ - 1;
    cursor = CursorState{};
    saved_ = CursorState{};
    wrap_pending = false;
    autowrap = true;
    insert = false;
    scrolled_off = 0;
    alternate_ = false;
}

void ScreenModel::MarkAllChanged() {
    for (std::uint8_t &row : changed_rows_) row |= kRowChanged;
}

Cell ScreenModel::Blank() const {
    Cell blank;
    blank.pen.background = cursor.pen.background;
    return blank;
}

void ScreenModel::BlankCells(int row, int from, int to) {
    from = std::clamp(from, 0, cols_);
    to = std::clamp(to, from, cols_);
    std::fill(Row(row) + from, Row(row) + to, Blank());
    changed_rows_[static_cast<std::size_t>(row)] |= kRowErased;
}

void ScreenModel::Print(unsigned char character) {
    if (wrap_pending && autowrap) {
        CarriageReturn();
        LineFeed();
    }
    wrap_pending = false;
    Cell *row = Row(cursor.row);
    if (insert) std::copy_backward(row + cursor.col, row + cols_ - 1, row + cols_);
    row[cursor.col] = Cell{character, cursor.pen};
    changed_rows_[static_cast<std::size_t>(cursor.row)] |= kRowChanged;
    if (cursor.col + 1 < cols_)
        ++cursor.col;
    else
        wrap_pending = true;
}

void ScreenModel::LineFeed() {
    wrap_pending = false;
    if (cursor.row == bottom_)
        ScrollUp(1);
    else if (cursor.row + 1 < rows_)
        ++cursor.row;
}

void ScreenModel::ReverseIndex() {
    wrap_pending = false;
    if (cursor.row == top_)
        ScrollDown(1);
    else if (cursor.row > 0)
        --cursor.row;
}

void ScreenModel::CarriageReturn() {
    wrap_pending = false;
    cursor.col = 0;
}

void ScreenModel::Backspace() {
    wrap_pending = false;
    if (cursor.col > 0) --cursor.col;
}

// At the last column a tab goes nowhere, and a wrap still waits.
void ScreenModel::Tab() {
    if (cursor.col + 1 < cols_) wrap_pending = false;
    cursor.col = std::min(cols_ - 1, (cursor.col / kTabWidth + 1) * kTabWidth);
}

void ScreenModel::MoveTo(int row, int col) {
    wrap_pending = false;
    if (cursor.origin) {
        cursor.row = std::clamp(top_ + std::max(row, 0), top_, bottom_);
    } else {
        cursor.row = std::clamp(row, 0, rows_ - 1);
    }
    cursor.col = std::clamp(col, 0, cols_ - 1);
}

void ScreenModel::PlaceCursor(int row, int col) {
    wrap_pending = false;
    cursor.row = std::clamp(row, 0, rows_ - 1);
    cursor.col = std::clamp(col, 0, cols_ - 1);
}

// Up and down stop at the region's edges when they start inside it.
void ScreenModel::MoveRelative(int rows, int cols) {
    wrap_pending = false;
    const int high = cursor.row >= top_ ? top_ : 0;
    const int low = cursor.row <= bottom_ ? bottom_ : rows_ - 1;
    const long row = static_cast<long>(cursor.row) + rows;
    const long col = static_cast<long>(cursor.col) + cols;
    cursor.row = static_cast<int>(std::clamp(row, static_cast<long>(high), static_cast<long>(low)));
    cursor.col = static_cast<int>(std::clamp(col, 0L, static_cast<long>(cols_ - 1)));
}

void ScreenModel::SetRegion(int top, int bottom) {
    bottom = std::min(bottom, rows_ - 1);
    if (top < 0 || top >= bottom) return;
    top_ = top;
    bottom_ = bottom;
    MoveTo(0, 0);
}

// Lines [top, bottom] move up by `count` (down when negative); those moved
// in are blank. What the rows' flags say moves with them. A scroll of the
// whole screen up is passed on to the display, which scrolls its own lines
// as much: only the lines moved in are new there.
void ScreenModel::MoveLines(int top, int bottom, int count) {
    const int distance = std::min(count < 0 ? -count : count, bottom - top + 1);
    const auto first = static_cast<std::ptrdiff_t>(top), last = static_cast<std::ptrdiff_t>(bottom) + 1;
    const bool passed_on = count > 0 && top == 0 && bottom == rows_ - 1;
    if (passed_on) scrolled_off = std::min(scrolled_off + distance, rows_);
    const std::ptrdiff_t middle = count > 0 ? first + distance : last - distance;
    std::rotate(row_start_.begin() + first, row_start_.begin() + middle, row_start_.begin() + last);
    std::rotate(changed_rows_.begin() + first, changed_rows_.begin() + middle, changed_rows_.begin() + last);
    if (!passed_on) {
        for (int row = top; row <= bottom; ++row) changed_rows_[static_cast<std::size_t>(row)] |= kRowChanged;
    }
    const int first_blank = count > 0 ? bottom - distance + 1 : top;
    for (int row = first_blank; row < first_blank + distance; ++row) BlankCells(row, 0, cols_);
}

void ScreenModel::ScrollUp(int count) { MoveLines(top_, bottom_, std::max(count, 1)); }
void ScreenModel::ScrollDown(int count) { MoveLines(top_, bottom_, -std::max(count, 1)); }

void ScreenModel::InsertLines(int count) {
    if (cursor.row < top_ || cursor.row > bottom_) return;
    MoveLines(cursor.row, bottom_, -std::max(count, 1));
    CarriageReturn();
}

void ScreenModel::DeleteLines(int count) {
    if (cursor.row < top_ || cursor.row > bottom_) return;
    MoveLines(cursor.row, bottom_, std::max(count, 1));
    CarriageReturn();
}

void ScreenModel::InsertCharacters(int count) {
    wrap_pending = false;
    const int distance = std::min(std::max(count, 1), cols_ - cursor.col);
    Cell *row = Row(cursor.row);
    std::copy_backward(row + cursor.col, row + cols_ - distance, row + cols_);
    BlankCells(cursor.row, cursor.col, cursor.col + distance);
}

void ScreenModel::DeleteCharacters(int count) {
    wrap_pending = false;
    const int distance = std::min(std::max(count, 1), cols_ - cursor.col);
    Cell *row = Row(cursor.row);
    std::copy(row + cursor.col + distance, row + cols_, row + cursor.col);
    BlankCells(cursor.row, cols_ - distance, cols_);
}

void ScreenModel::EraseCharacters(int count) {
    wrap_pending = false;
    BlankCells(cursor.row, cursor.col, cursor.col + std::min(std::max(count, 1), cols_));
}

void ScreenModel::EraseInLine(int mode) {
    if (mode == 0) BlankCells(cursor.row, cursor.col, cols_);
    if (mode == 1) BlankCells(cursor.row, 0, cursor.col + 1);
    if (mode == 2) BlankCells(cursor.row, 0, cols_);
}

void ScreenModel::EraseInDisplay(int mode) {
    if (mode == 0) {
        EraseInLine(0);
        for (int row = cursor.row + 1; row < rows_; ++row) BlankCells(row, 0, cols_);
    } else if (mode == 1) {
        for (int row = 0; row < cursor.row; ++row) BlankCells(row, 0, cols_);
        EraseInLine(1);
    } else if (mode == 2 || mode == 3) {
        for (int row = 0; row < rows_; ++row) BlankCells(row, 0, cols_);
    }
}

// DECALN: the screen full of E, the region the whole screen, the cursor home.
void ScreenModel::AlignmentPattern() {
    std::fill(cells_.begin(), cells_.end(), Cell{'E', Pen{}});
    MarkAllChanged();
    top_ = 0;
    bottom_ = rows_ - 1;
    cursor.origin = false;
    MoveTo(0, 0);
}

void ScreenModel::RestoreCursor() {
    cursor = saved_;
    PlaceCursor(cursor.row, cursor.col);
}

// As xterm's mode 1049: the cursor is saved, and the alternate screen
// starts blank each time.
void ScreenModel::UseAlternateScreen(bool on) {
    if (on == alternate_) return;
    if (on) SaveCursor();
    cells_.swap(other_screen_);
    row_start_.swap(other_row_start_);
    alternate_ = on;
    if (on) {
        std::fill(cells_.begin(), cells_.end(), Blank());
    } else {
        RestoreCursor();
    }
    MarkAllChanged();
}

}  // namespace portkit::emulation
