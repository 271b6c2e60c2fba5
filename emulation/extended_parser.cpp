// The extended parser's states, after the VT500 parser's: text, ESC and its
// two-character sequences, control sequences with up to 16 parameters, and
// strings that are skipped. Controls act in every state; CAN and SUB
// abandon a sequence.
#include <algorithm>

#include "emulation/extended_ansi.h"

namespace portkit::emulation {

namespace {

constexpr unsigned char kBell = 0x07, kBackspace = 0x08, kTab = 0x09, kLineFeed = 0x0A, kFormFeed = 0x0C,
                        kReturn = 0x0D, kCancel = 0x18, kSubstitute = 0x1A, kEscape = 0x1B, kDelete = 0x7F;
constexpr int kMaxParameter = 65535;

void Control(EmulatorRecord *record, ExtendedAnsi &ansi, unsigned char c) {
    ScreenModel &screen = ansi.screen;
    switch (c) {
        case kBell:
            record->beep(record->display);
            break;
        case kBackspace:
            screen.Backspace();
            break;
        case kTab:
            screen.Tab();
            break;
        case kLineFeed:
        case 0x0B:
        case kFormFeed:
            if (screen.new_line) screen.CarriageReturn();
            screen.LineFeed();
            break;
        case kReturn:
            screen.CarriageReturn();
            break;
        case kCancel:
        case kSubstitute:
            ansi.state = ExtendedState::kText;
            break;
        case kEscape:
            ansi.state = ExtendedState::kEscape;
            ansi.intermediate = 0;
            break;
        default:
            break;  // the other controls do nothing here
    }
}

void Text(ExtendedAnsi &ansi, unsigned char c) {
    if (!ansi.utf8 || c < 0x80) {
        ansi.screen.Print(ansi.screen.cursor.line_drawing ? LineDrawingCharacter(c) : c);
        return;
    }
    const std::int32_t decoded = ansi.decoder.Feed(c);
    if (decoded == Utf8Decoder::kPending) return;
    ansi.screen.Print(decoded == Utf8Decoder::kBroken ? kReplacement : Cp437FromCodePoint(decoded));
}

void BeginControlSequence(ExtendedAnsi &ansi) {
    ansi.state = ExtendedState::kControlSequence;
    ansi.marker = 0;
    ansi.intermediate = 0;
    ansi.param_count = 0;
    std::fill(std::begin(ansi.params), std::end(ansi.params), 0);
}

void Escape(EmulatorRecord *record, ExtendedAnsi &ansi, unsigned char c) {
    ScreenModel &screen = ansi.screen;
    ansi.state = ExtendedState::kText;
    switch (c) {
        case '[':
            return BeginControlSequence(ansi);
        case ']':
        case 'P':
        case 'X':
        case '^':
        case '_':
            ansi.state = ExtendedState::kString;
            return;
        case '(':
        case ')':
            ansi.intermediate = static_cast<char>(c);
            ansi.state = ExtendedState::kCharsetDesignation;
            return;
        case 'D':
            return screen.LineFeed();
        case 'E':
            screen.CarriageReturn();
            return screen.LineFeed();
        case 'M':
            return screen.ReverseIndex();
        case '7':
            return screen.SaveCursor();
        case '8':
            return screen.RestoreCursor();
        case 'c':
            screen.Reset(screen.rows(), screen.cols());
            return DefineExtendedKeys(record, KeySet::kCursorNormal);
        default:
            break;
    }
    if (c >= 0x20 && c <= 0x2F) {
        ansi.intermediate = static_cast<char>(c);
        ansi.state = ExtendedState::kEscapeIntermediate;
    }
    // Any other final (keypad modes, character set shifts) is passed over.
}

void ControlSequence(EmulatorRecord *record, ExtendedAnsi &ansi, unsigned char c) {
    if (c >= '0' && c <= '9') {
        if (ansi.param_count == 0) ansi.param_count = 1;
        if (ansi.param_count <= kExtendedMaxParams) {
            int &value = ansi.params[ansi.param_count - 1];
            value = std::min(value * 10 + (c - '0'), kMaxParameter);
        }
    } else if (c == ';' || c == ':') {
        // Sub-parameters (38:5:n) are read as parameters.
        if (ansi.param_count == 0) ansi.param_count = 1;
        ++ansi.param_count;
    } else if (c >= '<' && c <= '?') {
        if (ansi.param_count != 0 || ansi.marker != 0) ansi.state = ExtendedState::kIgnoredSequence;
        ansi.marker = static_cast<char>(c);
    } else if (c >= 0x20 && c <= 0x2F) {
        ansi.intermediate = static_cast<char>(c);
    } else if (c >= 0x40 && c <= 0x7E) {
        ansi.param_count = std::min(ansi.param_count, kExtendedMaxParams);
        ansi.state = ExtendedState::kText;
        RunControlSequence(record, ansi, c);
    } else {
        ansi.state = ExtendedState::kIgnoredSequence;
    }
}

void StringCharacter(ExtendedAnsi &ansi, unsigned char c) {
    if (c == kBell) {
        ansi.state = ExtendedState::kText;
    } else if (c == kEscape) {
        ansi.state = ExtendedState::kStringEscape;
    } else if (ansi.state == ExtendedState::kStringEscape) {
        // ESC \ ends the string; ESC and anything else leaves it going on.
        ansi.state = c == '\\' ? ExtendedState::kText : ExtendedState::kString;
    }
}

}  // namespace

void FeedExtended(EmulatorRecord *record, ExtendedAnsi &ansi, unsigned char c) {
    if (ansi.state == ExtendedState::kString || ansi.state == ExtendedState::kStringEscape) {
        if (c != kCancel && c != kSubstitute) return StringCharacter(ansi, c);
    }
    if (c == kDelete) return;
    if (ansi.decoder.Open() && (c & 0xC0u) != 0x80u) {
        // A sequence cut short by anything but its continuation bytes.
        ansi.decoder.Drop();
        ansi.screen.Print(kReplacement);
    }
    if (c < 0x20) return Control(record, ansi, c);
    switch (ansi.state) {
        case ExtendedState::kText:
            return Text(ansi, c);
        case ExtendedState::kEscape:
            return Escape(record, ansi, c);
        case ExtendedState::kCharsetDesignation:
            if (ansi.intermediate == '(') ansi.screen.cursor.line_drawing = c == '0';
            ansi.state = ExtendedState::kText;
            return;
        case ExtendedState::kEscapeIntermediate:
            if (ansi.intermediate == '#' && c == '8') ansi.screen.AlignmentPattern();
            if (c >= 0x30) ansi.state = ExtendedState::kText;
            return;
        case ExtendedState::kControlSequence:
            return ControlSequence(record, ansi, c);
        case ExtendedState::kIgnoredSequence:
            if (c >= 0x40 && c <= 0x7E) ansi.state = ExtendedState::kText;
            return;
        default:
            ansi.state = ExtendedState::kText;
            return;
    }
}

}  // namespace portkit::emulation
