// Painting a text window from its buffer, its caret, and where its view of
// the buffer lies after resizing, focus changes and user scrolling.
#include "screen/text_windows/tw_view.h"

#include <algorithm>

#include "screen/text_windows/tw_instance.h"
#include "screen/text_windows/tw_window.h"

namespace portkit::screen {
namespace {

constexpr int kLastRow = TW_BUFFER_ROWS - 1;
constexpr int kLastCol = TW_COLS - 1;
constexpr int kColsPerLine = 8;  // a horizontal line scroll moves this many columns

// Attribute 1 is reverse; every other value draws as 0.
void ColoursOf(char attribute, Rgb &foreground, Rgb &background) {
    constexpr Rgb kBlack{0, 0, 0}, kWhite{255, 255, 255};
    const bool reverse = attribute == 1;
    foreground = reverse ? kWhite : kBlack;
    background = reverse ? kBlack : kWhite;
}

void DrawRow(TW_WINDOW &w, TWSurface &surface, int row, int first_col, int last_col) {
    for (int start = first_col; start <= last_col;) {
        const char attribute = w.attrs[row][start];
        int end = start + 1;
        while (end <= last_col && w.attrs[row][end] == attribute) ++end;
        TWRun run{};
        run.row = row;
        run.column = start;
        run.text = &w.text[row][start];
        run.length = end - start;
        ColoursOf(attribute, run.foreground, run.background);
        run.cells = TWCellsRect(w, row, start, end - 1);
        surface.DrawRun(run);
        start = end;
    }
}

void SetScrollBars(TW_WINDOW &w) {
    TWSurface *surface = TWSurfaceOf(w);
    if (surface == nullptr || !w.scroll_bars) return;
    surface->SetScrollBar(TWScrollBar::kVertical, std::max(0, TW_BUFFER_ROWS - w.visible_rows - 1), w.first_row);
    surface->SetScrollBar(TWScrollBar::kHorizontal, std::max(0, TW_COLS - w.visible_cols - 1), w.first_col);
}

// Moves the view to (first_row, first_col): what stays in view is moved on
// screen, the rest drawn at once.
void MoveView(TW_WINDOW &w, int first_row, int first_col) {
    const int rows = first_row - w.first_row, cols = first_col - w.first_col;
    if (rows == 0 && cols == 0) return;
    w.first_row = first_row;
    w.first_col = first_col;
    if (TWSurface *surface = TWSurfaceOf(w)) {
        const PixelRect client = TWClientRect(w);
        const int dx = -cols * w.char_width, dy = -rows * w.char_height;
        surface->HideCaret();
        surface->Scroll(client, dx, dy);
        if (dy < 0)
            PaintTWRect(w, {client.left, std::max(client.top, client.bottom + dy), client.right, client.bottom});
        if (dy > 0) PaintTWRect(w, {client.left, client.top, client.right, std::min(client.bottom, dy)});
        if (dx < 0) PaintTWRect(w, {std::max(client.left, client.right + dx), client.top, client.right, client.bottom});
        if (dx > 0) PaintTWRect(w, {client.left, client.top, std::min(client.right, dx), client.bottom});
        SetScrollBars(w);
    }
    UpdateTWCaret(w);
}

int LineScroll(int first, int step, bool allowed, int low, int high) {
    return allowed ? std::clamp(first + step, low, high) : first;
}

}  // namespace

PixelRect TWCellsRect(const TW_WINDOW &w, int buffer_row, int first_col, int last_col) {
    const int x = (first_col - w.first_col) * w.char_width;
    const int y = (buffer_row - w.first_row) * w.char_height + w.row_offset;
    return {x, y, x + (last_col - first_col + 1) * w.char_width, y + w.char_height};
}

void InvalidateTWCells(const TW_WINDOW &w, int buffer_row, int first_col, int last_col) {
    if (TWSurface *surface = TWSurfaceOf(w)) surface->Invalidate(TWCellsRect(w, buffer_row, first_col, last_col));
}

PixelRect TWClientRect(const TW_WINDOW &w) { return {0, 0, w.client_width, w.client_height}; }

void PaintTWRect(TW_WINDOW &w, const PixelRect &area) {
    TWSurface *surface = TWSurfaceOf(w);
    if (surface == nullptr || w.char_width <= 0 || w.char_height <= 0) return;
    const int first_row = std::max(0, w.first_row + (area.top - w.row_offset) / w.char_height);
    const int last_row = std::min(kLastRow, w.first_row + (area.bottom - w.row_offset - 1) / w.char_height);
    const int first_col = std::max(0, w.first_col + area.left / w.char_width);
    const int last_col = std::min(kLastCol, w.first_col + (area.right - 1) / w.char_width);
    surface->HideCaret();
    w.caret_shown = 0;
    if (first_col <= last_col) {
        for (int row = first_row; row <= last_row; ++row) DrawRow(w, *surface, row, first_col, last_col);
    }
    UpdateTWCaret(w);
}

void UpdateTWCaret(TW_WINDOW &w) {
    TWSurface *surface = TWSurfaceOf(w);
    if (surface == nullptr || !w.has_focus) return;
    const int row = TWBufferRowOfCursor(w);
    const bool in_view = row >= w.first_row && row < w.first_row + w.visible_rows && w.cursor_col >= w.first_col &&
                         w.cursor_col < w.first_col + w.visible_cols;
    if (!in_view) {
        surface->HideCaret();
        w.caret_shown = 0;
        return;
    }
    PixelRect caret = TWCellsRect(w, row, w.cursor_col, w.cursor_col);
    caret.right = caret.left + kTWCaretWidth;
    surface->ShowCaret(caret);
    w.caret_shown = 1;
}

void ResizeTWView(TW_WINDOW &w, int client_width, int client_height) {
    if (w.char_width <= 0 || w.char_height <= 0) return;
    w.client_width = client_width;
    w.client_height = client_height;
    w.visible_cols = client_width / w.char_width;
    const int leftover_pixels = client_height % w.char_height;
    w.visible_rows = client_height / w.char_height + (leftover_pixels != 0 ? 1 : 0);
    w.row_offset = leftover_pixels != 0 ? leftover_pixels - w.char_height : 0;
    w.first_row = std::max(0, std::min(w.first_row, TW_BUFFER_ROWS - w.visible_rows));
    w.first_col = std::max(0, std::min(w.first_col, TW_COLS - w.visible_cols));
    if (w.scroll_bars) {
        SetScrollBars(w);
    } else {
        FollowTWCursor(w);
    }
}

void FollowTWCursor(TW_WINDOW &w) {
    const int row = TWBufferRowOfCursor(w), col = w.cursor_col;
    int first_row = w.first_row, first_col = w.first_col;
    if (row > first_row + w.visible_rows - 1) first_row = row - w.visible_rows + 1;
    if (col > first_col + w.visible_cols - 1) first_col = col - w.visible_cols + 1;
    if (row <= first_row) first_row = row - (w.row_offset != 0 && row > 0 ? 1 : 0);
    if (col < first_col) first_col = col;
    first_row = std::max(first_row, 0);
    first_col = std::max(first_col, 0);
    if (first_row == w.first_row && first_col == w.first_col) return;
    w.first_row = first_row;
    w.first_col = first_col;
    if (TWSurface *surface = TWSurfaceOf(w)) surface->Invalidate(TWClientRect(w));
    UpdateTWCaret(w);
}

void TWFocusGained(TW_WINDOW &w) {
    TheTWSettings().focused = &w;
    w.has_focus = 1;
    if (!w.scroll_bars) FollowTWCursor(w);
    UpdateTWCaret(w);
}

void TWFocusLost(TW_WINDOW &w) {
    if (TWSurface *surface = TWSurfaceOf(w)) surface->HideCaret();
    w.caret_shown = 0;
    w.has_focus = 0;
    if (TheTWSettings().focused == &w) TheTWSettings().focused = nullptr;
}

void ScrollTWView(TW_WINDOW &w, TWScrollBar bar, TWScrollAction action, int position) {
    if (!w.scroll_bars) return;
    const bool vertical = bar == TWScrollBar::kVertical;
    const int first = vertical ? w.first_row : w.first_col;
    const int end = vertical ? kLastRow - w.visible_rows : TW_COLS - w.visible_cols;
    const int step = vertical ? 1 : kColsPerLine;
    // A line forward is taken only below this first row or column.
    const int last_start = vertical ? kLastRow - w.visible_rows : kLastCol - w.visible_cols;
    int target = first;
    switch (action) {
        case TWScrollAction::kLineBack:
            target = LineScroll(first, -step, first > 0, 0, first);
            break;
        case TWScrollAction::kLineForward:
            target = LineScroll(first, step, first < last_start, first, std::max(first, end));
            break;
        case TWScrollAction::kThumbPosition:
            target = position;
            break;
        case TWScrollAction::kStart:
            target = 0;
            break;
        case TWScrollAction::kEnd:
            target = std::max(0, end);
            break;
        default:  // pages and thumb tracking are not followed
            return;
    }
    if (vertical) {
        MoveView(w, target, w.first_col);
    } else {
        MoveView(w, w.first_row, target);
    }
}

}  // namespace portkit::screen
