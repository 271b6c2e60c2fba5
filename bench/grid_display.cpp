#include "grid_display.h"

#include <cstring>

namespace portkit::bench {
namespace {

using Cell = GridDisplay::Cell;
constexpr int kRows = GridDisplay::kRows;
constexpr int kCols = GridDisplay::kCols;

// Attribute bits: colours as the console holds them, then the modes.
constexpr std::uint16_t kForeground = 0x07, kBold = 0x08, kBackground = 0x70, kBlink = 0x80, kUnderline = 0x100,
                        kReverse = 0x200, kInvisible = 0x400;

GridDisplay *Grid(EmulatorHandle display) { return static_cast<GridDisplay *>(display); }

void Blank(Cell *from, int count, std::uint16_t attribute) {
    for (int i = 0; i < count; ++i) from[i] = {' ', attribute};
}

void LineFeed(GridDisplay *grid) {
    if (grid->row + 1 < kRows) {
        ++grid->row;
        return;
    }
    std::memmove(grid->cells[0], grid->cells[1], sizeof(Cell) * kCols * (kRows - 1));
    Blank(grid->cells[kRows - 1], kCols, grid->attribute);
}

void Put(GridDisplay *grid, char c) {
    ++grid->characters;
    switch (c) {
        case '\r':
            grid->col = 0;
            return;
        case '\n':
            LineFeed(grid);
            return;
        case '\b':
            if (grid->col > 0) grid->col = (grid->col == kCols ? kCols - 1 : grid->col) - 1;
            return;
        case '\a':
            return;
        default:
            break;
    }
    if (grid->col == kCols) {
        if (grid->wrap) {
            grid->col = 0;
            LineFeed(grid);
        } else {
            grid->col = kCols - 1;  // without wrapping the last column is overwritten
        }
    }
    grid->cells[grid->row][grid->col++] = {c, grid->attribute};
}

void SetModes(EmulatorHandle display, std::uint16_t bits) { Grid(display)->attribute |= bits; }

void ClearWindow(EmulatorHandle display) {
    GridDisplay *grid = Grid(display);
    Blank(grid->cells[0], kRows * kCols, grid->attribute);
}
void ClearToEndOfLine(EmulatorHandle display) {
    GridDisplay *grid = Grid(display);
    if (grid->col < kCols) Blank(&grid->cells[grid->row][grid->col], kCols - grid->col, grid->attribute);
}
void GotoXY(EmulatorHandle display, int row, int col) {
    // Like a console, a position off the screen is refused.
    if (row < 0 || row >= kRows || col < 0 || col >= kCols) return;
    Grid(display)->row = row;
    Grid(display)->col = col;
}
void PutChar(EmulatorHandle display, int c) { Put(Grid(display), static_cast<char>(c)); }
void PutString(EmulatorHandle display, const char *text) {
    GridDisplay *grid = Grid(display);
    for (; *text != '\0'; ++text) Put(grid, *text);
}
void SetNormal(EmulatorHandle display) { Grid(display)->attribute = GridDisplay::kNormal; }
void SetReverse(EmulatorHandle display) { SetModes(display, kReverse); }
void SetBold(EmulatorHandle display) { SetModes(display, kBold); }
void SetBlink(EmulatorHandle display) { SetModes(display, kBlink); }
void SetUnderline(EmulatorHandle display) { SetModes(display, kUnderline); }
void SetInvisible(EmulatorHandle display) { SetModes(display, kInvisible); }
void SetForeground(EmulatorHandle display, int colour) {
    GridDisplay *grid = Grid(display);
    grid->attribute = static_cast<std::uint16_t>((grid->attribute & ~kForeground) | (colour & 7));
}
void SetBackground(EmulatorHandle display, int colour) {
    GridDisplay *grid = Grid(display);
    grid->attribute = static_cast<std::uint16_t>((grid->attribute & ~kBackground) | ((colour & 7) << 4));
}
void SetWrap(EmulatorHandle display, int on) { Grid(display)->wrap = on != 0; }
void Beep(EmulatorHandle) {}
int CurrentRow(EmulatorHandle display) { return Grid(display)->row; }
int CurrentCol(EmulatorHandle display) { return Grid(display)->col == kCols ? kCols - 1 : Grid(display)->col; }
int Rows(EmulatorHandle) { return kRows; }
int Cols(EmulatorHandle) { return kCols; }
int NoKey(EmulatorRecord *) { return -1; }

}  // namespace

void AttachGridDisplay(EmulatorRecord *record, GridDisplay *grid) {
    Blank(grid->cells[0], kRows * kCols, GridDisplay::kNormal);
    record->display = grid;
    record->read_key = NoKey;
    record->clear_window = ClearWindow;
    record->clear_to_eol = ClearToEndOfLine;
    record->goto_xy = GotoXY;
    record->put_char = PutChar;
    record->put_string = PutString;
    record->set_normal = SetNormal;
    record->set_reverse = SetReverse;
    record->set_bold = SetBold;
    record->set_blink = SetBlink;
    record->set_underline = SetUnderline;
    record->set_invisible = SetInvisible;
    record->set_foreground = SetForeground;
    record->set_background = SetBackground;
    record->set_wrap = SetWrap;
    record->beep = Beep;
    record->current_row = CurrentRow;
    record->current_col = CurrentCol;
    record->rows = Rows;
    record->cols = Cols;
}

std::uint32_t GridChecksum(const GridDisplay &grid) {
    std::uint32_t sum = 0;
    for (const auto &line : grid.cells) {
        for (const Cell &cell : line) sum = sum * 31u + static_cast<unsigned char>(cell.c) + cell.attribute;
    }
    return sum;
}

}  // namespace portkit::bench
