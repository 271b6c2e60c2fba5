// Drawing the extended mode's screen model: each row that changed is
// compared with what the display was last given, and runs of cells that
// differ go out as one put_string each, with a cursor move and the pen's
// colours only where they change. Scrolling of the whole screen is passed
// on as line feeds at the bottom, so the display moves its own lines.
#include <algorithm>
#include <cstring>

#include "emulation/extended_ansi.h"

namespace portkit::emulation {

namespace {

// A cell the display holds but we do not know: it differs from every cell.
constexpr Cell kUnknownCell{0, Pen{0xFE, 0xFE, 0xFF}};

// The display operations set absolute attributes (normal, reverse) and
// change parts of them (colours, bold, blink), so the pen is built up
// from its base. A display that shows blink by replacing the colours (a
// console) gets them again after it. Underline is not passed on: no
// display shows it without changing colours or blinking.
void ApplyPen(EmulatorRecord *record, Pen pen) {
    EmulatorHandle d = record->display;
    if ((pen.modes & kModeInvisible) != 0) {
        record->set_invisible(d);
        if (pen.background != kDefaultColour) {
            record->set_background(d, pen.background & 7);
            record->set_foreground(d, pen.background & 7);
        }
        return;
    }
    const bool reverse = (pen.modes & kModeReverse) != 0;
    const bool blink = (pen.modes & kModeBlink) != 0;
    reverse ? record->set_reverse(d) : record->set_normal(d);
    if (blink) record->set_blink(d);
    std::uint8_t foreground = reverse ? pen.background : pen.foreground;
    std::uint8_t background = reverse ? pen.foreground : pen.background;
    if (blink && foreground == kDefaultColour) foreground = reverse ? EMULATOR_BLACK : EMULATOR_WHITE;
    if (blink && background == kDefaultColour) background = reverse ? EMULATOR_WHITE : EMULATOR_BLACK;
    if (foreground != kDefaultColour) record->set_foreground(d, foreground & 7);
    if (background != kDefaultColour) record->set_background(d, background & 7);
    const bool bright_foreground = foreground != kDefaultColour && foreground >= 8;
    if ((pen.modes & kModeBold) != 0 || bright_foreground) record->set_bold(d);
}

// The display scrolls as the model did: line feeds on its bottom row.
void PassOnScrolling(EmulatorRecord *record, ExtendedAnsi &ansi) {
    ScreenModel &screen = ansi.screen;
    const int lines = screen.scrolled_off;
    screen.scrolled_off = 0;
    if (lines <= 0) return;
    const auto width = static_cast<std::ptrdiff_t>(screen.cols());
    const auto kept = static_cast<std::ptrdiff_t>(ansi.shown.size()) - lines * width;
    if (kept <= 0) return std::fill(ansi.shown.begin(), ansi.shown.end(), kUnknownCell);
    record->goto_xy(record->display, screen.rows() - 1, 0);
    for (int i = 0; i < lines; ++i) record->put_char(record->display, '\n');
    ansi.display_row = ansi.display_col = -1;
    std::copy(ansi.shown.begin() + lines * width, ansi.shown.end(), ansi.shown.begin());
    std::fill(ansi.shown.begin() + kept, ansi.shown.end(), kUnknownCell);
}

// Draws the cells of `row` that differ, or all of them; true when any.
bool DrawRow(EmulatorRecord *record, ExtendedAnsi &ansi, int row, bool all) {
    const int cols = ansi.screen.cols();
    const Cell *cells = ansi.screen.RowCells(row);
    Cell *shown = ansi.shown.data() + static_cast<std::ptrdiff_t>(row) * cols;
    // Cells are four bytes without padding: a row compares at once.
    static_assert(sizeof(Cell) == 4);
    if (!all && std::memcmp(cells, shown, sizeof(Cell) * static_cast<std::size_t>(cols)) == 0) return false;
    bool drew = false;
    for (int col = 0; col < cols;) {
        if (cells[col] == shown[col] && !all) {
            ++col;
            continue;
        }
        const int start = col;
        const Pen pen = cells[col].pen;
        ansi.text.clear();
        for (; col < cols && cells[col].pen == pen && (cells[col] != shown[col] || all); ++col) {
            ansi.text.push_back(static_cast<char>(cells[col].character));
            shown[col] = cells[col];
        }
        ansi.text.push_back('\0');
        if (ansi.display_row != row || ansi.display_col != start) record->goto_xy(record->display, row, start);
        if (!ansi.display_pen_known || ansi.display_pen != pen) ApplyPen(record, pen);
        ansi.display_pen = pen;
        ansi.display_pen_known = true;
        record->put_string(record->display, ansi.text.data());
        ansi.display_row = row;
        ansi.display_col = col < cols ? col : -1;
        drew = true;
    }
    return drew;
}

}  // namespace

void SyncWithDisplay(EmulatorRecord *record, ExtendedAnsi &ansi) {
    ScreenModel &screen = ansi.screen;
    const int rows = record->rows(record->display), cols = record->cols(record->display);
    const int row = record->current_row(record->display), col = record->current_col(record->display);
    if (ansi.started && rows == ansi.display_rows && cols == ansi.display_cols) {
        // Text of others (a local echo, a message) moved the cursor: ours
        // goes on from there.
        if (row != ansi.display_row || col != ansi.display_col) screen.PlaceCursor(row, col);
        ansi.display_row = row, ansi.display_col = col;
        return;
    }
    // At the start the display is taken to be blank, as a backend's
    // creator leaves it; after a change of size nothing on it is known.
    const bool resized = ansi.started;
    ansi.started = true;
    ansi.display_rows = rows, ansi.display_cols = cols;
    screen.Reset(rows, cols);
    ansi.shown.assign(screen.size(), resized ? kUnknownCell : Cell{});
    screen.PlaceCursor(row, col);
    ansi.display_row = row, ansi.display_col = col;
    // The model wraps lines itself; the display must not also wrap (or
    // scroll) when the last column is written.
    record->set_wrap(record->display, 0);
}

void DrawChanges(EmulatorRecord *record, ExtendedAnsi &ansi) {
    ScreenModel &screen = ansi.screen;
    PassOnScrolling(record, ansi);
    std::vector<std::uint8_t> &changed = screen.changed_rows();
    bool drew = false;
    for (int row = 0; row < screen.rows(); ++row) {
        const std::uint8_t change = changed[static_cast<std::size_t>(row)];
        if (change == 0) continue;
        changed[static_cast<std::size_t>(row)] = 0;
        drew = DrawRow(record, ansi, row, (change & kRowErased) != 0) || drew;
    }
    // Origin mode is a matter of numbering only: the cursor is always kept
    // as a screen position.
    const int row = screen.cursor.row, col = std::min(screen.cursor.col, screen.cols() - 1);
    if (drew || row != ansi.display_row || col != ansi.display_col) record->goto_xy(record->display, row, col);
    ansi.display_row = row, ansi.display_col = col;
}

}  // namespace portkit::emulation
