// A Windows console screen buffer kept in memory, and the VT bytes that make
// a real terminal show the same: the cells (a byte and a console attribute
// each), the cursor, the current attribute and the output mode, with the
// console's own processing of what is written (CR, LF, BS, TAB, BEL, wrap at
// the end of a line, scrolling at the bottom).
//
// The model also tracks where the terminal's cursor is and which colours it
// has on, so that positioning and SGR go out only when a cell is drawn, and
// only when they differ. Every operation appends to a caller's buffer; the
// model does no I/O.
#ifndef PORTKIT_PLATFORM_POSIX_CONSOLE_CONSOLE_SCREEN_MODEL_H
#define PORTKIT_PLATFORM_POSIX_CONSOLE_CONSOLE_SCREEN_MODEL_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/posix/console/console_vt_codes.h"

namespace portkit::posix {

class ConsoleScreen {
public:
    // A blank screen (spaces in the console's default grey on black), the
    // cursor at the top left, processed output with wrapping.
    ConsoleScreen(int rows, int cols, GlyphSet glyphs);

    int rows() const { return rows_; }
    int cols() const { return cols_; }
    int cursor_row() const { return cursor_row_; }
    int cursor_col() const { return cursor_col_; }
    std::uint16_t attribute() const { return attribute_; }
    std::uint32_t mode() const;  // ENABLE_PROCESSED_OUTPUT, ENABLE_WRAP_AT_EOL_OUTPUT
    unsigned char CharAt(int row, int col) const { return chars_[Index(row, col)]; }
    std::uint16_t AttributeAt(int row, int col) const { return attributes_[Index(row, col)]; }

    // Brings the terminal to the state the model starts in: cursor home,
    // whole-screen scrolling, autowrap on. Its old contents stay on show
    // until written over, and fills draw every cell they cover until one
    // has covered the whole screen.
    void Start(std::string &out);

    // Writes bytes at the cursor as the console does.
    void Write(const unsigned char *bytes, std::size_t count, std::string &out);

    // Fill `length` cells from (row, col) onwards, stopping at the end of the
    // screen; the cursor does not move. The number filled, 0 if the start is
    // outside the screen.
    std::size_t FillCharacters(unsigned char c, std::size_t length, int row, int col, std::string &out);
    std::size_t FillAttributes(std::uint16_t attribute, std::size_t length, int row, int col, std::string &out);

    // False, and the cursor stays, for a position outside the screen.
    bool MoveCursor(int row, int col);
    void SetAttribute(std::uint16_t attribute) { attribute_ = attribute; }
    void SetMode(std::uint32_t mode, std::string &out);

    // A new size: the top-left part of the contents stays, new cells are
    // blank in the current attribute, the cursor is kept inside.
    void Resize(int rows, int cols, std::string &out);

    // Redraws every cell, for a terminal whose contents are not known.
    void Repaint(std::string &out);

    // Puts the terminal's cursor where the model's is.
    void ShowCursor(std::string &out) { MoveTerminalCursor(cursor_row_, cursor_col_, out); }

private:
    std::size_t Index(int row, int col) const {
        return static_cast<std::size_t>(row) * static_cast<std::size_t>(cols_) + static_cast<std::size_t>(col);
    }
    bool Inside(int row, int col) const { return row >= 0 && row < rows_ && col >= 0 && col < cols_; }

    void DrawRun(const unsigned char *bytes, std::size_t count, bool plain, std::string &out);
    void DrawCells(const unsigned char *bytes, std::size_t count, bool plain, std::string &out);
    void LineFeed(std::string &out);
    void ScrollUp();
    void PaintCell(int row, int col, std::string &out);
    template <typename Cell>
    std::size_t Fill(std::vector<Cell> &cells, Cell value, std::size_t length, int row, int col, std::string &out);

    void MoveTerminalCursor(int row, int col, std::string &out);
    void SetTerminalColours(std::uint16_t attribute, std::string &out);
    void ForgetTerminalCursor() { terminal_row_ = terminal_col_ = kUnknown; }

    static constexpr int kUnknown = -1;

    int rows_;
    int cols_;
    GlyphSet glyphs_;
    std::vector<unsigned char> chars_;
    std::vector<std::uint16_t> attributes_;
    int cursor_row_ = 0;
    int cursor_col_ = 0;
    std::uint16_t attribute_;
    bool processed_ = true;
    bool wrap_ = true;

    // The terminal as last left by what was emitted.
    int terminal_row_ = kUnknown;
    int terminal_col_ = kUnknown;
    int terminal_colours_ = kUnknown;    // low eight bits of an attribute
    bool terminal_cells_known_ = false;  // every cell was drawn since the start
};

}  // namespace portkit::posix

#endif
