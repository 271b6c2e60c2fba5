// The extended mode of the ANSI emulator (CreateAnsiEmulatorExtended): an
// xterm-like parser over a screen model, drawn on the display through the
// ordinary display operations once per read.
#ifndef PORTKIT_EMULATION_EXTENDED_ANSI_H
#define PORTKIT_EMULATION_EXTENDED_ANSI_H

#include <cstdint>
#include <vector>

#include "emulation/extended_screen.h"
#include "emulation/utf8_cp437.h"
#include "portkit/emulator.h"

namespace portkit::emulation {

enum class ExtendedState : std::uint8_t {
    kText,
    kEscape,
    kCharsetDesignation,  // ESC ( or ESC ): the set follows
    kEscapeIntermediate,  // ESC # and other two-character sequences
    kControlSequence,     // ESC [ with its parameters
    kIgnoredSequence,     // a control sequence too odd to act on, up to its final
    kString,              // OSC, DCS, PM, APC: skipped up to BEL or ST
    kStringEscape,
};

constexpr int kExtendedMaxParams = 16;

struct ExtendedAnsi {
    bool utf8 = false;
    ScreenModel screen;

    // The parser.
    ExtendedState state = ExtendedState::kText;
    Utf8Decoder decoder;
    char marker = 0;        // '?', '>', '=' or '<' before the parameters
    char intermediate = 0;  // ' ' to '/' before the final, or ( ) # after ESC
    int param_count = 0;    // parameters begun so far
    int params[kExtendedMaxParams] = {};

    // The display, as the last drawing left it.
    bool started = false;
    int display_rows = 0;  // the size the display last reported
    int display_cols = 0;
    std::vector<Cell> shown;
    std::vector<char> text;  // one run of a row, for put_string
    int display_row = -1;    // -1: not known
    int display_col = -1;
    bool display_pen_known = false;
    Pen display_pen;
};

// Takes the characters of a read from `start` into the screen model, up
// to the end or the character that completes an incoming command. The
// caller brings the model in line with the display first (SyncWithDisplay)
// and draws it after (DrawChanges).
struct ExtendedRun {
    int end;      // index just past the last character taken
    int command;  // value of a completed incoming command, or -1
};
ExtendedRun RunExtended(EmulatorRecord *record, ExtendedAnsi &ansi, const unsigned char *batch, int start, int count);

// One character of a sequence or a control, in any state (extended_parser.cpp).
void FeedExtended(EmulatorRecord *record, ExtendedAnsi &ansi, unsigned char c);

// The final character of a control sequence (extended_commands.cpp).
void RunControlSequence(EmulatorRecord *record, ExtendedAnsi &ansi, unsigned char final);

// SGR (extended_colours.cpp).
void SelectGraphicRendition(ExtendedAnsi &ansi);

// Brings the display up to the model (extended_drawing.cpp): the display's
// size is read first, and a cursor moved by others is taken over.
void SyncWithDisplay(EmulatorRecord *record, ExtendedAnsi &ansi);
void DrawChanges(EmulatorRecord *record, ExtendedAnsi &ansi);

// The keys as xterm sends them: all of them (cursor keys in normal mode,
// editing and function keys), or the cursor keys (with Home and End) in
// normal or application mode, as DECCKM switches.
enum class KeySet { kAll, kCursorNormal, kCursorApplication };
void DefineExtendedKeys(EmulatorRecord *record, KeySet keys);

}  // namespace portkit::emulation

#endif
