// What each final character of a control sequence does in the extended
// mode: xterm's meaning, on the screen model. Sequences with a marker or an
// intermediate that is not theirs are passed over.
#include <cstdio>

#include "emulation/extended_ansi.h"
#include "portkit/timedio.h"

namespace portkit::emulation {

namespace {

constexpr int kReplyTimeoutMs = 500;

struct Sequence {
    EmulatorRecord *record;
    ExtendedAnsi &ansi;

    int Count() const { return ansi.param_count; }
    int Param(int i) const { return i < ansi.param_count ? ansi.params[i] : 0; }
    // A count or position: missing or 0 means 1.
    int AtLeastOne(int i) const { return Param(i) > 0 ? Param(i) : 1; }
    bool Plain() const { return ansi.marker == 0 && ansi.intermediate == 0; }
};

void Reply(EmulatorRecord *record, const char *text, int length) {
    if (length > 0) WriteBufferTimed(record->port, text, static_cast<unsigned>(length), kReplyTimeoutMs);
}

void StatusReport(const Sequence &s) {
    char reply[32];
    if (s.Param(0) == 5) return Reply(s.record, "\x1b[0n", 4);
    if (s.Param(0) != 6) return;
    const CursorState &cursor = s.ansi.screen.cursor;
    const int row = cursor.row - (cursor.origin ? s.ansi.screen.top() : 0);
    Reply(s.record, reply, std::snprintf(reply, sizeof reply, "\x1b[%d;%dR", row + 1, cursor.col + 1));
}

void SetModes(const Sequence &s, bool on) {
    ScreenModel &screen = s.ansi.screen;
    for (int i = 0; i < s.Count(); ++i) {
        const int mode = s.Param(i);
        if (s.ansi.marker == 0) {
            if (mode == 4) screen.insert = on;
            if (mode == 20) screen.new_line = on;
            continue;
        }
        if (s.ansi.marker != '?') return;
        switch (mode) {
            case 1:
                DefineExtendedKeys(s.record, on ? KeySet::kCursorApplication : KeySet::kCursorNormal);
                break;
            case 6:
                screen.cursor.origin = on;
                screen.MoveTo(0, 0);
                break;
            case 7:
                screen.autowrap = on;
                break;
            case 47:
            case 1047:
            case 1049:
                screen.UseAlternateScreen(on);
                break;
            default:
                break;  // cursor visibility, mouse and the like: nothing to draw
        }
    }
}

void CursorCommand(const Sequence &s, unsigned char final) {
    ScreenModel &screen = s.ansi.screen;
    const int n = s.AtLeastOne(0);
    const int top = screen.cursor.origin ? screen.top() : 0;
    switch (final) {
        case 'A':
            return screen.MoveRelative(-n, 0);
        case 'B':
        case 'e':
            return screen.MoveRelative(n, 0);
        case 'C':
        case 'a':
            return screen.MoveRelative(0, n);
        case 'D':
            return screen.MoveRelative(0, -n);
        case 'E':
            screen.MoveRelative(n, 0);
            return screen.CarriageReturn();
        case 'F':
            screen.MoveRelative(-n, 0);
            return screen.CarriageReturn();
        case 'G':
        case '`':
            return screen.MoveTo(screen.cursor.row - top, n - 1);
        case 'd':
            return screen.MoveTo(n - 1, screen.cursor.col);
        default:  // H and f
            return screen.MoveTo(n - 1, s.AtLeastOne(1) - 1);
    }
}

// The commands that take a count of lines or characters.
struct CountedCommand {
    unsigned char final;
    void (ScreenModel::*run)(int count);
};
constexpr CountedCommand kCountedCommands[] = {
    {'L', &ScreenModel::InsertLines},      {'M', &ScreenModel::DeleteLines},     {'@', &ScreenModel::InsertCharacters},
    {'P', &ScreenModel::DeleteCharacters}, {'X', &ScreenModel::EraseCharacters}, {'S', &ScreenModel::ScrollUp},
    {'T', &ScreenModel::ScrollDown},
};

}  // namespace

void RunControlSequence(EmulatorRecord *record, ExtendedAnsi &ansi, unsigned char final) {
    const Sequence s{record, ansi};
    ScreenModel &screen = ansi.screen;
    if (final == 'h' || final == 'l') {
        if (ansi.intermediate == 0) SetModes(s, final == 'h');
        return;
    }
    if (final == 'c' && ansi.intermediate == 0 && ansi.marker == 0 && s.Param(0) == 0) {
        return Reply(record, "\x1b[?1;2c", 7);  // a VT100 with advanced video
    }
    if (!s.Plain()) return;
    for (const CountedCommand &command : kCountedCommands) {
        if (command.final == final) return (screen.*command.run)(s.AtLeastOne(0));
    }
    switch (final) {
        case 'A':
        case 'B':
        case 'C':
        case 'D':
        case 'E':
        case 'F':
        case 'G':
        case 'H':
        case 'a':
        case 'd':
        case 'e':
        case 'f':
        case '`':
            return CursorCommand(s, final);
        case 'J':
            return screen.EraseInDisplay(s.Param(0));
        case 'K':
            return screen.EraseInLine(s.Param(0));
        case 'm':
            return SelectGraphicRendition(ansi);
        case 'n':
            return StatusReport(s);
        case 'r':
            return screen.SetRegion(s.AtLeastOne(0) - 1, s.Param(1) > 0 ? s.Param(1) - 1 : screen.rows() - 1);
        case 's':
            if (s.Count() == 0) screen.SaveCursor();
            return;
        case 'u':
            if (s.Count() == 0) screen.RestoreCursor();
            return;
        default:
            return;  // a final of no command we keep
    }
}

}  // namespace portkit::emulation
