#include "platform/posix/console/console_screen_model.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "platform/posix/console/win32_console.h"

namespace portkit::posix {

namespace {

using win32_imitation::ENABLE_PROCESSED_OUTPUT;
using win32_imitation::ENABLE_WRAP_AT_EOL_OUTPUT;

constexpr std::uint16_t kDefaultAttribute = 0x07;  // the console's grey on black
constexpr int kTabWidth = 8;

// What a written byte does. Printable ASCII goes to the terminal as it is;
// every other shown byte needs its glyph looked up.
enum ByteClass : std::uint8_t { kPlain, kGlyph, kCarriageReturn, kLineFeed, kBackspace, kTab, kBell };

constexpr std::array<ByteClass, 256> ClassesOf(bool processed) {
    std::array<ByteClass, 256> classes{};
    for (unsigned byte = 0; byte < 256; ++byte) classes[byte] = byte >= 0x20 && byte < 0x7F ? kPlain : kGlyph;
    if (processed) {
        classes['\r'] = kCarriageReturn;
        classes['\n'] = kLineFeed;
        classes['\b'] = kBackspace;
        classes['\t'] = kTab;
        classes['\a'] = kBell;
    }
    return classes;
}

constexpr auto kProcessedClasses = ClassesOf(true);
constexpr auto kUnprocessedClasses = ClassesOf(false);

}  // namespace

ConsoleScreen::ConsoleScreen(int rows, int cols, GlyphSet glyphs)
    : rows_(rows),
      cols_(cols),
      glyphs_(glyphs),
      chars_(static_cast<std::size_t>(rows) * static_cast<std::size_t>(cols), ' '),
      attributes_(chars_.size(), kDefaultAttribute),
      attribute_(kDefaultAttribute) {}

std::uint32_t ConsoleScreen::mode() const {
    return (processed_ ? ENABLE_PROCESSED_OUTPUT : 0u) | (wrap_ ? ENABLE_WRAP_AT_EOL_OUTPUT : 0u);
}

void ConsoleScreen::Start(std::string &out) {
    out.append(kStartSequence);
    out.append(AutowrapSequence(wrap_));
    terminal_row_ = terminal_col_ = 0;
    terminal_colours_ = kUnknown;
}

void ConsoleScreen::Write(const unsigned char *bytes, std::size_t count, std::string &out) {
    const auto &classes = processed_ ? kProcessedClasses : kUnprocessedClasses;
    const unsigned char *const end = bytes + count;
    while (bytes < end) {
        const ByteClass kind = classes[*bytes];
        switch (kind) {
            case kPlain:
            case kGlyph: {
                const unsigned char *run_end = bytes + 1;
                while (run_end < end && classes[*run_end] == kind) ++run_end;
                DrawRun(bytes, static_cast<std::size_t>(run_end - bytes), kind == kPlain, out);
                bytes = run_end;
                continue;
            }
            case kCarriageReturn:
                cursor_col_ = 0;
                break;
            case kLineFeed:
                LineFeed(out);
                break;
            case kBackspace:
                if (cursor_col_ > 0) --cursor_col_;
                break;
            case kTab:
                cursor_col_ = std::min((cursor_col_ / kTabWidth + 1) * kTabWidth, cols_ - 1);
                break;
            case kBell:
                out.push_back('\a');
                break;
        }
        ++bytes;
    }
}

void ConsoleScreen::DrawRun(const unsigned char *bytes, std::size_t count, bool plain, std::string &out) {
    while (count > 0) {
        const auto room = static_cast<std::size_t>(cols_ - cursor_col_);
        if (!wrap_ && count > room) {
            // Without wrapping, what does not fit overwrites the last column
            // byte after byte: only the run's last byte stays there.
            if (room > 1) DrawCells(bytes, room - 1, plain, out);
            DrawCells(bytes + count - 1, 1, plain, out);
            return;
        }
        const std::size_t chunk = std::min(count, room);
        DrawCells(bytes, chunk, plain, out);
        bytes += chunk;
        count -= chunk;
    }
}

// Draws `count` cells from the cursor; they fit in the rest of the row.
void ConsoleScreen::DrawCells(const unsigned char *bytes, std::size_t count, bool plain, std::string &out) {
    SetTerminalColours(attribute_, out);
    MoveTerminalCursor(cursor_row_, cursor_col_, out);
    const std::size_t first = Index(cursor_row_, cursor_col_);
    std::memcpy(&chars_[first], bytes, count);
    std::fill_n(&attributes_[first], count, attribute_);
    if (plain) {
        out.append(reinterpret_cast<const char *>(bytes), count);
    } else {
        for (std::size_t i = 0; i < count; ++i) Append(out, GlyphBytes(glyphs_, bytes[i]));
    }
    cursor_col_ += static_cast<int>(count);
    if (cursor_col_ < cols_) {
        terminal_col_ = cursor_col_;
    } else if (wrap_) {
        // The console moves on at once; CR LF takes the terminal out of its
        // pending-wrap state to the same place (scrolling at the bottom).
        out.append("\r\n", 2);
        cursor_col_ = 0;
        if (cursor_row_ + 1 < rows_)
            ++cursor_row_;
        else
            ScrollUp();
        terminal_row_ = cursor_row_;
        terminal_col_ = 0;
    } else {
        cursor_col_ = terminal_col_ = cols_ - 1;
    }
}

void ConsoleScreen::LineFeed(std::string &out) {
    cursor_col_ = 0;
    if (cursor_row_ + 1 < rows_) {
        ++cursor_row_;
        return;
    }
    // Terminals clear the line scrolled in with the colours in use, as the
    // console fills it with the current attribute.
    SetTerminalColours(attribute_, out);
    if (terminal_row_ != rows_ - 1) AppendCursorPosition(out, rows_ - 1, 0);
    out.append("\r\n", 2);
    ScrollUp();
    terminal_row_ = rows_ - 1;
    terminal_col_ = 0;
}

void ConsoleScreen::ScrollUp() {
    const auto width = static_cast<std::size_t>(cols_);
    const std::size_t kept = chars_.size() - width;
    std::memmove(chars_.data(), chars_.data() + width, kept);
    std::memmove(attributes_.data(), attributes_.data() + width, kept * sizeof(std::uint16_t));
    std::fill_n(chars_.data() + kept, width, ' ');
    std::fill_n(attributes_.data() + kept, width, attribute_);
}

std::size_t ConsoleScreen::FillCharacters(unsigned char c, std::size_t length, int row, int col, std::string &out) {
    return Fill(chars_, c, length, row, col, out);
}

std::size_t ConsoleScreen::FillAttributes(std::uint16_t attribute, std::size_t length, int row, int col,
                                          std::string &out) {
    return Fill(attributes_, attribute, length, row, col, out);
}

// Only the cells that change are drawn again: the terminal already shows
// the others, once it has been drawn on all over.
template <typename Cell>
std::size_t ConsoleScreen::Fill(std::vector<Cell> &cells, Cell value, std::size_t length, int row, int col,
                                std::string &out) {
    if (!Inside(row, col)) return 0;
    const std::size_t first = Index(row, col);
    const std::size_t count = std::min(length, cells.size() - first);
    const bool draw_all = !terminal_cells_known_;
    terminal_cells_known_ = terminal_cells_known_ || count == cells.size();
    bool painted = false;
    for (std::size_t i = first; i < first + count; ++i) {
        if (cells[i] != value || draw_all) {
            cells[i] = value;
            PaintCell(row, col, out);
            painted = true;
        }
        if (++col == cols_) {
            col = 0;
            ++row;
        }
    }
    if (painted) ShowCursor(out);
    return count;
}

void ConsoleScreen::PaintCell(int row, int col, std::string &out) {
    MoveTerminalCursor(row, col, out);
    const std::size_t index = Index(row, col);
    SetTerminalColours(attributes_[index], out);
    Append(out, GlyphBytes(glyphs_, chars_[index]));
    // In the last column the terminal may be waiting to wrap: only a
    // positioning sequence is sure to leave that state.
    if (col + 1 < cols_)
        terminal_col_ = col + 1;
    else
        ForgetTerminalCursor();
}

bool ConsoleScreen::MoveCursor(int row, int col) {
    if (!Inside(row, col)) return false;
    cursor_row_ = row;
    cursor_col_ = col;
    return true;
}

void ConsoleScreen::SetMode(std::uint32_t mode, std::string &out) {
    processed_ = (mode & ENABLE_PROCESSED_OUTPUT) != 0;
    const bool wrap = (mode & ENABLE_WRAP_AT_EOL_OUTPUT) != 0;
    if (wrap == wrap_) return;
    wrap_ = wrap;
    out.append(AutowrapSequence(wrap_));
}

void ConsoleScreen::Resize(int rows, int cols, std::string &out) {
    std::vector<unsigned char> chars(static_cast<std::size_t>(rows) * static_cast<std::size_t>(cols), ' ');
    std::vector<std::uint16_t> attributes(chars.size(), attribute_);
    const auto kept_cols = static_cast<std::size_t>(std::min(cols, cols_));
    for (int row = 0; row < std::min(rows, rows_); ++row) {
        const std::size_t from = Index(row, 0);
        const std::size_t to = static_cast<std::size_t>(row) * static_cast<std::size_t>(cols);
        std::copy_n(&chars_[from], kept_cols, &chars[to]);
        std::copy_n(&attributes_[from], kept_cols, &attributes[to]);
    }
    chars_ = std::move(chars);
    attributes_ = std::move(attributes);
    rows_ = rows;
    cols_ = cols;
    cursor_row_ = std::min(cursor_row_, rows_ - 1);
    cursor_col_ = std::min(cursor_col_, cols_ - 1);
    Repaint(out);
}

void ConsoleScreen::Repaint(std::string &out) {
    ForgetTerminalCursor();
    terminal_colours_ = kUnknown;
    terminal_cells_known_ = true;
    out.append(AutowrapSequence(wrap_));
    for (int row = 0; row < rows_; ++row) {
        for (int col = 0; col < cols_; ++col) PaintCell(row, col, out);
    }
    ShowCursor(out);
}

void ConsoleScreen::MoveTerminalCursor(int row, int col, std::string &out) {
    if (terminal_row_ == row && terminal_col_ == col) return;
    if (col == 0 && terminal_row_ == row)
        out.push_back('\r');
    else if (col == 0 && terminal_row_ != kUnknown && terminal_row_ + 1 == row)
        out.append("\r\n", 2);
    else
        AppendCursorPosition(out, row, col);
    terminal_row_ = row;
    terminal_col_ = col;
}

void ConsoleScreen::SetTerminalColours(std::uint16_t attribute, std::string &out) {
    const int colours = attribute & 0xFF;
    if (colours == terminal_colours_) return;
    Append(out, ColourSgr(attribute));
    terminal_colours_ = colours;
}

}  // namespace portkit::posix
