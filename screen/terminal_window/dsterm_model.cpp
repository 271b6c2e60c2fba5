// Writing into a terminal window's grid: the cursor, wrap, scrolling and the
// key queue. Drawing lives in dsterm_painting.cpp.
#include "screen/terminal_window/dsterm_model.h"

#include <algorithm>

namespace portkit::screen {

DSTermModel::DSTermModel(DSTermSurface &surface, void *window, CellMetrics cell, int rows, int cols, int left, int top)
    : surface_(surface), internal_leading_(cell.internal_leading) {
    record_.window = window;
    record_.cell_height = cell.height;
    record_.cell_width = cell.width;
    record_.rows = std::max(rows, 1);
    record_.cols = std::max(cols, 1);
    const auto cells = static_cast<std::size_t>(record_.rows) * static_cast<std::size_t>(record_.cols);
    record_.text.assign(cells, ' ');
    record_.attributes.assign(cells, kDSTermNormal);
    record_.client = {left, top, left + record_.cols * cell.width, top + record_.rows * cell.height};
    record_.attribute = kDSTermNormal;
    record_.wrap = 1;
}

void DSTermModel::Putc(int ch) {
    Write(ch, nullptr);
    MoveCaret();
}

void DSTermModel::Puts(const char *text) {
    if (text == nullptr) return;
    Span span;
    for (; *text != '\0'; ++text) Write(static_cast<unsigned char>(*text), &span);
    FlushSpan(&span);
    MoveCaret();
}

void DSTermModel::Write(int ch, Span *span) {
    switch (ch) {
        case '\b':
            if (record_.cursor_col > 0) --record_.cursor_col;
            return;
        case '\r':
            record_.cursor_col = 0;
            return;
        case '\n':
            NewLine(span);
            return;
        default:
            break;
    }
    StoreAtCursor(static_cast<char>(ch));
    const int col = record_.cursor_col;
    if (span == nullptr) {
        DrawSpan(record_.cursor_row, col, col);
    } else {
        span->first = span->first < 0 ? col : std::min(span->first, col);
        span->last = std::max(span->last, col);
    }
    if (col < record_.cols - 1) {
        ++record_.cursor_col;
    } else if (record_.wrap != 0) {
        NewLine(span);
    }
}

void DSTermModel::StoreAtCursor(char ch) {
    const std::size_t at = Index(record_.cursor_row, record_.cursor_col);
    record_.text[at] = ch;
    record_.attributes[at] = record_.attribute;
}

void DSTermModel::NewLine(Span *span) {
    FlushSpan(span);
    record_.cursor_col = 0;
    if (record_.cursor_row < record_.rows - 1) {
        ++record_.cursor_row;
    } else {
        ScrollUp();
    }
}

void DSTermModel::ScrollUp() {
    const auto width = static_cast<std::ptrdiff_t>(record_.cols);
    std::copy(record_.text.begin() + width, record_.text.end(), record_.text.begin());
    std::copy(record_.attributes.begin() + width, record_.attributes.end(), record_.attributes.begin());
    const int last = record_.rows - 1;
    FillRow(last, 0, ' ', record_.attribute);
    if (focused_) surface_.HideCaret();
    surface_.ScrollUp(record_.client, record_.cell_height);
    DrawSpan(last, 0, record_.cols - 1);
}

void DSTermModel::FlushSpan(Span *span) {
    if (span == nullptr || span->first < 0) return;
    DrawSpan(record_.cursor_row, span->first, span->last);
    *span = Span{};
}

void DSTermModel::FillRow(int row, int from_col, char ch, std::uint8_t attribute) {
    const std::size_t begin = Index(row, from_col), end = Index(row, 0) + static_cast<std::size_t>(record_.cols);
    std::fill(record_.text.begin() + static_cast<std::ptrdiff_t>(begin),
              record_.text.begin() + static_cast<std::ptrdiff_t>(end), ch);
    std::fill(record_.attributes.begin() + static_cast<std::ptrdiff_t>(begin),
              record_.attributes.begin() + static_cast<std::ptrdiff_t>(end), attribute);
}

void DSTermModel::ClearWindow() {
    for (int row = 0; row < record_.rows; ++row) {
        FillRow(row, 0, ' ', record_.attribute);
        DrawSpan(row, 0, record_.cols - 1);
    }
}

void DSTermModel::ClearToEol() {
    FillRow(record_.cursor_row, record_.cursor_col, ' ', record_.attribute);
    DrawSpan(record_.cursor_row, record_.cursor_col, record_.cols - 1);
}

void DSTermModel::Goto(int row, int col) {
    if (row < 0 || row >= record_.rows || col < 0 || col >= record_.cols) return;
    record_.cursor_row = row;
    record_.cursor_col = col;
    MoveCaret();
}

void DSTermModel::QueueKey(int code) {
    const int slot = record_.key_write;
    record_.key_queue[slot] = code;
    record_.key_write = (slot + 1) % kDSTermKeySlots;
    // Full: the new key is dropped without a sound.
    if (record_.key_write == record_.key_read) record_.key_write = slot;
}

int DSTermModel::TakeKey() {
    if (!HasKey()) return -1;
    const int code = record_.key_queue[record_.key_read];
    record_.key_read = (record_.key_read + 1) % kDSTermKeySlots;
    return code;
}

}  // namespace portkit::screen
