// Writing, blanking, shifting and scrolling a text window's cell buffer;
// each change asks its window to repaint the cells it touched.
#include <algorithm>
#include <cstring>

#include "screen/text_windows/tw_view.h"
#include "screen/text_windows/tw_window.h"

namespace portkit::screen {
namespace {

constexpr int kLastCol = TW_COLS - 1;
constexpr int kLastScreenRow = TW_ROWS - 1;

char AttributeByte(const TW_WINDOW &w) { return static_cast<char>(w.attribute); }

void Blank(TW_WINDOW &w, int buffer_row, int from_col, int to_col) {
    std::memset(&w.text[buffer_row][from_col], ' ', static_cast<std::size_t>(to_col - from_col + 1));
    std::memset(&w.attrs[buffer_row][from_col], AttributeByte(w), static_cast<std::size_t>(to_col - from_col + 1));
}

void Store(TW_WINDOW &w, int buffer_row, int col, int c) {
    w.text[buffer_row][col] = static_cast<char>(c);
    w.attrs[buffer_row][col] = AttributeByte(w);
}

// The columns of the cursor's row written but not yet repainted.
struct Span {
    int first = -1, last = -1;
    void Add(int col) {
        if (first < 0) first = col;
        first = std::min(first, col);
        last = std::max(last, col);
    }
};

void Flush(TW_WINDOW &w, Span &span) {
    if (span.first >= 0) InvalidateTWCells(w, TWBufferRow(w.cursor_row), span.first, span.last);
    span = {};
}

void NewLine(TW_WINDOW &w, Span &span) {
    Flush(w, span);
    w.cursor_col = 0;
    if (++w.cursor_row > kLastScreenRow) {
        w.cursor_row = kLastScreenRow;
        TWScrollBufferUp(w, 1);
    }
}

void Write(TW_WINDOW &w, int c, Span &span) {
    switch (c) {
        case '\b':
            if (w.cursor_col > 0) --w.cursor_col;
            return;
        case '\r':
            w.cursor_col = 0;
            return;
        case '\n':
            NewLine(w, span);
            return;
        default:
            Store(w, TWBufferRow(w.cursor_row), w.cursor_col, c);
            span.Add(w.cursor_col);
            if (++w.cursor_col >= TW_COLS) NewLine(w, span);
            return;
    }
}

// Moves the pixels of a row right of `col` by `cells` cells.
void ShiftDrawnRow(TW_WINDOW &w, int buffer_row, int col, int cells) {
    TWSurface *surface = TWSurfaceOf(w);
    if (surface == nullptr) return;
    PixelRect area = TWCellsRect(w, buffer_row, col, kLastCol);
    area.right = std::max(area.right, w.client_width);
    surface->HideCaret();
    surface->Scroll(area, cells * w.char_width, 0);
    if (cells < 0) {
        PaintTWRect(w, {area.right + cells * w.char_width, area.top, area.right, area.bottom});
    } else {
        PaintTWRect(w, TWCellsRect(w, buffer_row, col, col + cells - 1));
    }
}

void ScrollDrawnRows(TW_WINDOW &w, int rows) {
    TWSurface *surface = TWSurfaceOf(w);
    if (surface == nullptr) return;
    const PixelRect client = TWClientRect(w);
    const int pixels = rows * w.char_height;
    surface->HideCaret();
    surface->Scroll(client, 0, pixels);
    if (rows < 0) {
        PaintTWRect(w, {client.left, std::max(client.top, client.bottom + pixels), client.right, client.bottom});
    } else {
        PaintTWRect(w, {client.left, client.top, client.right, std::min(client.bottom, client.top + pixels)});
    }
}

}  // namespace

void InitTWWindow(TW_WINDOW &w, int scroll_bars, const char *title) {
    w.rows = TW_ROWS;
    w.cols = TW_COLS;
    w.attribute = 0;
    w.cursor_row = w.cursor_col = 0;
    w.first_row = TW_SCROLLBACK_ROWS;
    w.first_col = 0;
    std::memset(w.text, ' ', sizeof w.text);
    std::memset(w.attrs, 0, sizeof w.attrs);
    w.scroll_bars = scroll_bars;
    w.title = title;
    w.menu_choice = -1;
}

void TWWriteChar(TW_WINDOW &w, int c) {
    Span span;
    Write(w, c, span);
    Flush(w, span);
    UpdateTWCaret(w);
}

void TWWriteString(TW_WINDOW &w, const char *text) {
    if (text == nullptr) return;
    Span span;
    for (; *text != '\0'; ++text) Write(w, static_cast<unsigned char>(*text), span);
    Flush(w, span);
    UpdateTWCaret(w);
}

void TWMoveCursor(TW_WINDOW &w, int row, int col) {
    w.cursor_row = std::clamp(row, 0, kLastScreenRow);
    w.cursor_col = std::clamp(col, 0, kLastCol);
}

void TWStoreChar(TW_WINDOW &w, int row, int col, int c) {
    if (!TWOnScreen(row, col)) return;
    Store(w, TWBufferRow(row), col, c);
    InvalidateTWCells(w, TWBufferRow(row), col, col);
}

void TWStoreString(TW_WINDOW &w, int row, int col, const char *text) {
    if (text == nullptr || !TWOnScreen(row, col)) return;
    int first = col;
    while (*text != '\0' && row <= kLastScreenRow) {
        Store(w, TWBufferRow(row), col, static_cast<unsigned char>(*text++));
        if (++col < TW_COLS && *text != '\0') continue;
        InvalidateTWCells(w, TWBufferRow(row), first, col - 1);
        first = col = 0;
        ++row;
    }
}

void TWBlankToEndOfLine(TW_WINDOW &w, int row, int col) {
    if (!TWOnScreen(row, col)) return;
    Blank(w, TWBufferRow(row), col, kLastCol);
    PixelRect area = TWCellsRect(w, TWBufferRow(row), col, kLastCol);
    area.right = std::max(area.right, w.client_width);
    if (TWSurface *surface = TWSurfaceOf(w)) surface->Invalidate(area);
}

void TWBlankToEndOfWindow(TW_WINDOW &w, int row, int col) {
    if (!TWOnScreen(row, col)) return;
    TWBlankToEndOfLine(w, row, col);
    for (int below = row + 1; below <= kLastScreenRow; ++below) {
        Blank(w, TWBufferRow(below), 0, kLastCol);
        InvalidateTWCells(w, TWBufferRow(below), 0, kLastCol);
    }
}

void TWBlankScreen(TW_WINDOW &w) {
    for (int row = 0; row <= kLastScreenRow; ++row) Blank(w, TWBufferRow(row), 0, kLastCol);
    if (TWSurface *surface = TWSurfaceOf(w)) surface->Invalidate(TWClientRect(w));
}

void TWShiftLeft(TW_WINDOW &w, int row, int col) {
    if (!TWOnScreen(row, col)) return;
    const int buffer_row = TWBufferRow(row);
    const auto moved = static_cast<std::size_t>(kLastCol - col);
    std::memmove(&w.text[buffer_row][col], &w.text[buffer_row][col + 1], moved);
    std::memmove(&w.attrs[buffer_row][col], &w.attrs[buffer_row][col + 1], moved);
    Blank(w, buffer_row, kLastCol, kLastCol);
    ShiftDrawnRow(w, buffer_row, col, -1);
}

void TWShiftRight(TW_WINDOW &w, int row, int col, int c) {
    if (!TWOnScreen(row, col)) return;
    const int buffer_row = TWBufferRow(row);
    const auto moved = static_cast<std::size_t>(kLastCol - col);
    std::memmove(&w.text[buffer_row][col + 1], &w.text[buffer_row][col], moved);
    std::memmove(&w.attrs[buffer_row][col + 1], &w.attrs[buffer_row][col], moved);
    Store(w, buffer_row, col, c);
    ShiftDrawnRow(w, buffer_row, col, 1);
}

void TWScrollBufferUp(TW_WINDOW &w, int n) {
    if (n <= 0) return;
    n = std::min(n, TW_BUFFER_ROWS);
    const auto kept = static_cast<std::size_t>(TW_BUFFER_ROWS - n) * TW_COLS;
    std::memmove(w.text[0], w.text[n], kept);
    std::memmove(w.attrs[0], w.attrs[n], kept);
    for (int row = TW_BUFFER_ROWS - n; row < TW_BUFFER_ROWS; ++row) Blank(w, row, 0, kLastCol);
    ScrollDrawnRows(w, -n);
}

void TWScrollBufferDown(TW_WINDOW &w, int n) {
    if (n <= 0) return;
    n = std::min(n, TW_BUFFER_ROWS);
    const auto kept = static_cast<std::size_t>(TW_BUFFER_ROWS - n) * TW_COLS;
    std::memmove(w.text[n], w.text[0], kept);
    std::memmove(w.attrs[n], w.attrs[0], kept);
    for (int row = 0; row < n; ++row) Blank(w, row, 0, kLastCol);
    ScrollDrawnRows(w, n);
}

}  // namespace portkit::screen
