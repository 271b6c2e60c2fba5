// The extended ANSI emulator against libvterm, cell by cell, on the streams
// of vterm_corpus/ (its README says what each is). Our emulator draws on the
// terminal window's own model, so the picture compared is what the window
// shows; libvterm takes the same bytes, with the stream read in large
// pieces and a byte a read.
//
// Left out on purpose, as the extended mode does not do them: characters
// without a CP437 glyph (ours show '?'), colours beyond the 16 (ours are the
// nearest of them, checked in the golden files), underline, italic and the
// other modes the display has no way to show.
#include <gtest/gtest.h>
#include <vterm.h>

#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "screen/cp437.h"
#include "portkit/dsterm.h"
#include "screen/terminal_window/dsterm_registry.h"
#include "support/scripted_driver.h"
#include "tests/screen/terminal_window/recording_surface.h"

namespace portkit::test {
namespace {

constexpr int kRows = 25, kCols = 80;
constexpr std::size_t kCheckEvery = 997;

std::string Corpus(const std::string &name) {
    std::ifstream in(std::string(PORTKIT_TEST_DATA_DIR) + "/emulation/vterm_corpus/" + name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

char32_t CodePointOfCell(unsigned char c) {
    if (c == 0x04) return U'\u25C6';  // the line-drawing diamond, CP437's nearest
    return c >= 0x80 ? screen::Cp437ToUnicode(static_cast<unsigned char>(c)) : c;
}

// What a cell looks like: its character and the window's colours.
struct Look {
    char32_t character;
    int foreground = -1, background = -1;  // -1: not compared
    bool blink = false;
    friend bool operator==(const Look &, const Look &) = default;
};

std::string Describe(const Look &look) {
    std::ostringstream text;
    text << "U+" << std::hex << static_cast<unsigned long>(look.character) << std::dec << " fg " << look.foreground
         << " bg " << look.background << (look.blink ? " blink" : "");
    return text.str();
}

// The 16-colour index of a libvterm colour, -1 for the default and -2 for
// one beyond the 16.
int IndexOf(const VTermColor &colour, bool background) {
    if (background ? VTERM_COLOR_IS_DEFAULT_BG(&colour) : VTERM_COLOR_IS_DEFAULT_FG(&colour)) return -1;
    if (!VTERM_COLOR_IS_INDEXED(&colour) || colour.indexed.idx >= 16) return -2;
    return colour.indexed.idx;
}

// How the terminal window shows a libvterm cell: its normal is grey on
// black, reverse black on grey, bold the bright half, a background only
// the plain eight.
Look WindowLook(const VTermScreenCell &cell) {
    Look look{cell.chars[0] == 0 ? U' ' : static_cast<char32_t>(cell.chars[0])};
    // libvterm's line-drawing less- and greater-or-equal are the slanted
    // ones; CP437 has the plain ones.
    if (look.character == U'\u2A7D') look.character = U'\u2264';
    if (look.character == U'\u2A7E') look.character = U'\u2265';
    int foreground = IndexOf(cell.fg, false), background = IndexOf(cell.bg, true);
    if (foreground == -2 || background == -2) return look;
    if (cell.attrs.reverse) std::swap(foreground, background);
    look.foreground = foreground >= 0 ? foreground : cell.attrs.reverse ? 0 : 7;
    look.background = background >= 0 ? background & 7 : cell.attrs.reverse ? 7 : 0;
    if (cell.attrs.bold) look.foreground |= 8;
    look.blink = cell.attrs.blink != 0;
    return look;
}

class ExtendedAgainstVterm : public ::testing::TestWithParam<const char *> {
protected:
    void SetUp() override {
        port_ = driver_.Open();
        static int instance_tag;
        int instance = screen::FindDSTermInstance(&instance_tag);
        if (instance < 0) instance = screen::ClaimDSTermInstance(&instance_tag);
        // A process has twenty instances, which a test of their limit uses up.
        if (instance < 0) GTEST_SKIP() << "no terminal window instance is left in this process";
        window_open_ = true;
        screen::OpenDSTermWindow(&window_, instance);
        record_ = CreateAnsiEmulatorExtended(port_, ANSI_EXTENDED_UTF8);
        ASSERT_NE(record_, nullptr);
        AttachDSTermToEmulator(record_, &window_tag_);
        vterm_set_utf8(vt_, 1);
        vterm_screen_ = vterm_obtain_screen(vt_);
        vterm_screen_enable_altscreen(vterm_screen_, 1);
        vterm_screen_reset(vterm_screen_, 1);
    }
    void TearDown() override {
        if (record_ != nullptr) record_->destroy(record_);
        PWPortClose(port_);
        if (window_open_) screen::CloseDSTermWindow(&window_);
        vterm_free(vt_);
    }

    void Feed(std::string_view bytes) {
        driver_.Receive(bytes);
        for (int polls = 0; driver_.Unread() > 0 && polls < 1000; ++polls) record_->process_input(record_);
        vterm_input_write(vt_, bytes.data(), bytes.size());
    }

    Look OurLook(int row, int col) const {
        const std::uint8_t attribute = window_.AttributeAt(row, col);
        const auto character = static_cast<unsigned char>(window_.CharAt(row, col));
        return {CodePointOfCell(character), static_cast<int>(screen::ForegroundIndex(attribute)),
                static_cast<int>(screen::BackgroundIndex(attribute)), screen::Blinks(attribute)};
    }

    // Every cell and the cursor agree, but for what is left out.
    ::testing::AssertionResult Agree(std::size_t offset) {
        for (int row = 0; row < kRows; ++row) {
            for (int col = 0; col < kCols; ++col) {
                VTermScreenCell cell;
                vterm_screen_get_cell(vterm_screen_, VTermPos{row, col}, &cell);
                const Look theirs = WindowLook(cell);
                Look ours = OurLook(row, col);
                if (ours.character == U'?' && Cp437Of(theirs.character) == 0) ours.character = theirs.character;
                if (theirs.foreground < 0) ours.foreground = ours.background = -1, ours.blink = false;
                if (ours == theirs) continue;
                return ::testing::AssertionFailure()
                       << "after " << offset << " bytes, row " << row << " col " << col << ": ours " << Describe(ours)
                       << ", libvterm " << Describe(theirs) << "\nours:     " << OurRow(row)
                       << "\nlibvterm: " << TheirRow(row);
            }
        }
        VTermPos cursor;
        vterm_state_get_cursorpos(vterm_obtain_state(vt_), &cursor);
        const int our_row = window_.record().cursor_row, our_col = window_.record().cursor_col;
        if (cursor.row != our_row || cursor.col != our_col) {
            return ::testing::AssertionFailure() << "after " << offset << " bytes, cursor ours " << our_row << ","
                                                 << our_col << ", libvterm " << cursor.row << "," << cursor.col;
        }
        return ::testing::AssertionSuccess();
    }

    // A row's text, as UTF-8 (for messages).
    std::string OurRow(int row) const {
        std::string text;
        for (int col = 0; col < kCols; ++col) AppendUtf8(text, OurLook(row, col).character);
        return text;
    }
    std::string TheirRow(int row) {
        std::string text;
        for (int col = 0; col < kCols; ++col) {
            VTermScreenCell cell;
            vterm_screen_get_cell(vterm_screen_, VTermPos{row, col}, &cell);
            AppendUtf8(text, WindowLook(cell).character);
        }
        return text;
    }
    static void AppendUtf8(std::string &text, char32_t c) {
        if (c < 0x80) {
            text += static_cast<char>(c);
        } else if (c < 0x800) {
            text += static_cast<char>(0xC0 | (c >> 6));
            text += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            text += static_cast<char>(0xE0 | (c >> 12));
            text += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            text += static_cast<char>(0x80 | (c & 0x3F));
        }
    }

    // Nonzero when the code point has a CP437 cell of its own.
    static unsigned char Cp437Of(char32_t c) {
        if (c >= 0x20 && c < 0x7F) return static_cast<unsigned char>(c);
        for (unsigned i = 0; i < 128; ++i) {
            if (screen::Cp437ToUnicode(static_cast<unsigned char>(0x80 + i)) == c)
                return static_cast<unsigned char>(0x80 + i);
        }
        return c == U'\u25C6' ? 0x04 : 0;
    }

    int window_tag_ = 0;
    bool window_open_ = false;
    screen::RecordingSurface surface_;
    screen::DSTermModel window_{surface_, &window_tag_, screen::CellMetrics{7, 12, 0}, kRows, kCols};
    ScriptedDriver driver_;
    PortStructure *port_ = nullptr;
    EmulatorRecord *record_ = nullptr;
    VTerm *vt_ = vterm_new(kRows, kCols);
    VTermScreen *vterm_screen_ = nullptr;
};

// Where the screens are compared: every 997 bytes and before each clear of
// the screen, so no screen of the stream goes unseen. libvterm shows a
// character split between two writes as two replacements, so these fall
// between characters.
std::vector<std::size_t> CheckPoints(const std::string &stream) {
    std::set<std::size_t> points{stream.size()};
    for (std::size_t at = kCheckEvery; at < stream.size(); at += kCheckEvery) {
        std::size_t point = at;
        while ((static_cast<unsigned char>(stream[point]) & 0xC0u) == 0x80u) --point;
        points.insert(point);
    }
    for (std::size_t at = stream.find("\x1b[2J", 1); at != std::string::npos; at = stream.find("\x1b[2J", at + 1)) {
        points.insert(at);
    }
    return {points.begin(), points.end()};
}

TEST_P(ExtendedAgainstVterm, ShowsTheSameScreensReadWhole) {
    const std::string stream = Corpus(GetParam());
    ASSERT_GT(stream.size(), 1000u) << GetParam();
    std::size_t at = 0;
    for (const std::size_t point : CheckPoints(stream)) {
        Feed(std::string_view(stream).substr(at, point - at));
        ASSERT_TRUE(Agree(point));
        at = point;
    }
}

TEST_P(ExtendedAgainstVterm, ShowsTheSameScreensAByteARead) {
    const std::string stream = Corpus(GetParam());
    ASSERT_GT(stream.size(), 1000u) << GetParam();
    std::size_t at = 0;
    for (const std::size_t point : CheckPoints(stream)) {
        for (; at < point; ++at) Feed(std::string_view(stream).substr(at, 1));
        ASSERT_TRUE(Agree(point));
    }
}

INSTANTIATE_TEST_SUITE_P(Corpus, ExtendedAgainstVterm,
                         ::testing::Values("vttest_screens.vt", "ansi_art_utf8.ans", "shell_session.typescript"),
                         [](const auto &info) {
                             std::string name = info.param;
                             return name.substr(0, name.find('.'));
                         });

}  // namespace
}  // namespace portkit::test
