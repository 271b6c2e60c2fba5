// One terminal window apart from any platform: the cell grid and its
// attributes, the cursor, writing with wrap and scrolling, the key queue,
// blinking, the caret and painting. It draws through a DSTermSurface.
#ifndef PORTKIT_SCREEN_TERMINAL_WINDOW_DSTERM_MODEL_H
#define PORTKIT_SCREEN_TERMINAL_WINDOW_DSTERM_MODEL_H

#include <cstdint>
#include <vector>

#include "screen/terminal_window/dsterm_surface.h"

namespace portkit::screen {

// The font's cell: height already without the internal leading.
struct CellMetrics {
    int width, height, internal_leading;
};

constexpr int kDSTermKeySlots = 16;  // one slot stays empty: 15 keys fit
constexpr int kDSTermBlinkMs = 500;

// The per-window record, fields in the order applications of the original
// window class know them.
struct DSTermRecord {
    void *window;
    int cell_height, cell_width;
    int rows, cols;
    std::vector<char> text;                // rows x cols, row-major
    std::vector<std::uint8_t> attributes;  // parallel to text
    PixelRect client;
    int cursor_row, cursor_col;
    std::uint8_t attribute;
    int wrap;
    int key_queue[kDSTermKeySlots];
    int key_write, key_read;
    unsigned blink_counter;
    int instance_index;
};

class DSTermModel {
public:
    // A grid of `rows` x `cols` spaces in the normal attribute, whose client
    // area starts at (left, top).
    DSTermModel(DSTermSurface &surface, void *window, CellMetrics cell, int rows, int cols, int left = 0, int top = 0);

    const DSTermRecord &record() const { return record_; }
    DSTermSurface &surface() { return surface_; }
    int rows() const { return record_.rows; }
    int cols() const { return record_.cols; }
    char CharAt(int row, int col) const { return record_.text[Index(row, col)]; }
    std::uint8_t AttributeAt(int row, int col) const { return record_.attributes[Index(row, col)]; }

    // The display operations.
    void Putc(int ch);
    void Puts(const char *text);
    void ClearWindow();
    void ClearToEol();
    void Goto(int row, int col);
    void SetAttribute(std::uint8_t attribute) { record_.attribute = attribute; }
    void SetWrap(int flag) { record_.wrap = flag; }
    void Beep() { surface_.Beep(); }

    // The key queue.
    void QueueKey(int code);
    bool HasKey() const { return record_.key_read != record_.key_write; }
    int TakeKey();  // -1 when empty

    // One tick of the blink timer: redraws the blinking span of each row.
    void BlinkTick();

    // Draws the cells that `area` touches (a paint request).
    void Paint(const PixelRect &area);
    // Draws columns first to last of a row, one run per attribute.
    void DrawSpan(int row, int first_col, int last_col);

    void FocusGained();
    void FocusLost();
    bool focused() const { return focused_; }
    PixelRect CaretRect() const;

    void set_instance_index(int index) { record_.instance_index = index; }

private:
    std::size_t Index(int row, int col) const {
        return static_cast<std::size_t>(row) * static_cast<std::size_t>(record_.cols) + static_cast<std::size_t>(col);
    }
    // Writes one character; `span` tracks the columns of the current row
    // written but not yet drawn (null: draw each cell at once).
    struct Span {
        int first = -1, last = -1;
    };
    void Write(int ch, Span *span);
    void StoreAtCursor(char ch);
    void NewLine(Span *span);
    void ScrollUp();
    void FlushSpan(Span *span);
    void FillRow(int row, int from_col, char ch, std::uint8_t attribute);
    void MoveCaret();

    DSTermSurface &surface_;
    DSTermRecord record_{};
    int internal_leading_ = 0;
    bool focused_ = false;
};

}  // namespace portkit::screen

#endif
