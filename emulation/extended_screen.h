// The extended ANSI emulator's picture of the screen: cells of a CP437
// character and a pen each, the cursor, the scroll region and the modes
// that decide where text goes. Every command acts here first; what changed
// reaches the display later, in one pass (extended_drawing.cpp), so that
// scrolling a region or inserting a line needs nothing from the display
// beyond cursor moves, text and colours.
#ifndef PORTKIT_EMULATION_EXTENDED_SCREEN_H
#define PORTKIT_EMULATION_EXTENDED_SCREEN_H

#include <cstddef>
#include <cstdint>
#include <vector>

namespace portkit::emulation {

constexpr std::uint8_t kDefaultColour = 0xFF;
constexpr std::uint8_t kRowChanged = 1, kRowErased = 2;

enum PenMode : std::uint8_t {
    kModeBold = 1,
    kModeBlink = 2,
    kModeUnderline = 4,
    kModeReverse = 8,
    kModeInvisible = 16,
};

// Colours and modes of a cell: each of the 16 colours (8 to 15 the bright
// ones) or the display's own. The display has no bright backgrounds: one
// shows as its plain colour, unless reverse makes it the text's.
struct Pen {
    std::uint8_t foreground = kDefaultColour;
    std::uint8_t background = kDefaultColour;
    std::uint8_t modes = 0;
    friend bool operator==(Pen, Pen) = default;
};

struct Cell {
    unsigned char character = ' ';
    Pen pen;
    friend bool operator==(Cell, Cell) = default;
};

// The cursor and what DECSC saves with it.
struct CursorState {
    int row = 0;
    int col = 0;
    Pen pen;
    bool origin = false;
    bool line_drawing = false;
};

class ScreenModel {
public:
    // A blank screen of at least one cell; anything larger than the limit
    // is cut to it.
    void Reset(int rows, int cols);
    int rows() const { return rows_; }
    int cols() const { return cols_; }

    // A row's cells, and per row whether any changed since the last drawing:
    // kRowChanged, or kRowErased when blanks were put in, which are drawn
    // even where the display was thought blank already (others may have
    // written there: the tool's messages, a local echo).
    const Cell *RowCells(int row) const { return cells_.data() + row_start_[static_cast<std::size_t>(row)]; }
    std::size_t size() const { return cells_.size(); }
    std::vector<std::uint8_t> &changed_rows() { return changed_rows_; }
    void MarkAllChanged();

    CursorState cursor;
    bool wrap_pending = false;  // the last column is written; the next character wraps first
    bool autowrap = true;
    bool insert = false;
    bool new_line = false;  // a line feed returns to the first column too (mode 20)
    // Lines the whole screen scrolled up since the last drawing: the
    // display is scrolled as much before the cells are compared.
    int scrolled_off = 0;

    // Text at the cursor; `character` is a CP437 cell character.
    void Print(unsigned char character);
    void LineFeed();
    void ReverseIndex();
    void CarriageReturn();
    void Backspace();
    void Tab();

    // Cursor moves. Rows count from the region's top in origin mode.
    void MoveTo(int row, int col);
    void PlaceCursor(int row, int col);  // a screen position, whatever the mode
    void MoveRelative(int rows, int cols);
    int top() const { return top_; }
    int bottom() const { return bottom_; }
    void SetRegion(int top, int bottom);  // 0-based, inclusive; ignored unless top < bottom

    void ScrollUp(int count);    // the region's lines move up
    void ScrollDown(int count);  // and down
    void InsertLines(int count);
    void DeleteLines(int count);
    void InsertCharacters(int count);
    void DeleteCharacters(int count);
    void EraseCharacters(int count);
    void EraseInLine(int mode);     // 0 to the end, 1 to the cursor, 2 all
    void EraseInDisplay(int mode);  // the same, for the screen
    void AlignmentPattern();

    void SaveCursor() { saved_ = cursor; }
    void RestoreCursor();
    void UseAlternateScreen(bool on);

private:
    Cell *Row(int row) { return cells_.data() + row_start_[static_cast<std::size_t>(row)]; }
    Cell Blank() const;
    void BlankCells(int row, int from, int to);      // [from, to)
    void MoveLines(int top, int bottom, int count);  // positive moves up

    int rows_ = 1;
    int cols_ = 1;
    int top_ = 0;
    int bottom_ = 0;
    // Rows are found through row_start_, so that scrolling moves offsets
    // rather than cells.
    std::vector<Cell> cells_;
    std::vector<std::ptrdiff_t> row_start_;
    std::vector<Cell> other_screen_;  // the main screen while the alternate one is on
    std::vector<std::ptrdiff_t> other_row_start_;
    std::vector<std::uint8_t> changed_rows_;
    CursorState saved_;
    bool alternate_ = false;
};

}  // namespace portkit::emulation

#endif
