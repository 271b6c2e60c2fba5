// The extended mode's reading loop and keys: every character of a read
// goes through the parser into the screen model; the caller draws the
// display once the reads of a call are in.
#include "emulation/emulator_internal.h"
#include "emulation/extended_ansi.h"

namespace portkit::emulation {

namespace {

constexpr unsigned char kEscape = 27, kBell = 7, kBackspace = 8;

// Incoming commands see the characters of the text state, as in the
// ordinary mode, where ESC, BEL and BS end a run of text.
bool Scanned(unsigned char c) { return c != 0 && c != kEscape && c != kBell && c != kBackspace; }

}  // namespace

ExtendedRun RunExtended(EmulatorRecord *record, ExtendedAnsi &ansi, const unsigned char *batch, int start, int count) {
    const auto mask = static_cast<unsigned char>(record->input_mask);
    int command = -1;
    int i = start;
    while (i < count && command == -1) {
        const auto c = static_cast<unsigned char>(batch[i++] & mask);
        const bool text = ansi.state == ExtendedState::kText;
        if (text && c >= 0x20 && c < 0x7F && !ansi.decoder.Open() && !ansi.screen.cursor.line_drawing) {
            ansi.screen.Print(c);  // the common case, without the parser
        } else {
            FeedExtended(record, ansi, c);
        }
        if (text && Scanned(c)) command = ScanInputCharacter(record, c);
    }
    return {i, command};
}

void DefineExtendedKeys(EmulatorRecord *record, KeySet keys) {
    struct Key {
        int code;
        const char *normal;
        const char *application;
    };
    static const Key kKeys[] = {
        {PORTKIT_KEY_UP, "\x1b[A", "\x1bOA"},          {PORTKIT_KEY_DOWN, "\x1b[B", "\x1bOB"},
        {PORTKIT_KEY_RIGHT, "\x1b[C", "\x1bOC"},       {PORTKIT_KEY_LEFT, "\x1b[D", "\x1bOD"},
        {PORTKIT_KEY_HOME, "\x1b[H", "\x1bOH"},        {PORTKIT_KEY_END, "\x1b[F", "\x1bOF"},
        {PORTKIT_KEY_PAGE_UP, "\x1b[5~", nullptr},     {PORTKIT_KEY_PAGE_DOWN, "\x1b[6~", nullptr},
        {PORTKIT_KEY_INSERT, "\x1b[2~", nullptr},      {PORTKIT_KEY_DELETE, "\x1b[3~", nullptr},
        {PORTKIT_KEY_F1, "\x1bOP", nullptr},           {PORTKIT_KEY_F1 + 0x100, "\x1bOQ", nullptr},
        {PORTKIT_KEY_F1 + 0x200, "\x1bOR", nullptr},   {PORTKIT_KEY_F1 + 0x300, "\x1bOS", nullptr},
        {PORTKIT_KEY_F1 + 0x400, "\x1b[15~", nullptr}, {PORTKIT_KEY_F1 + 0x500, "\x1b[17~", nullptr},
        {PORTKIT_KEY_F1 + 0x600, "\x1b[18~", nullptr}, {PORTKIT_KEY_F1 + 0x700, "\x1b[19~", nullptr},
        {PORTKIT_KEY_F1 + 0x800, "\x1b[20~", nullptr}, {PORTKIT_KEY_F1 + 0x900, "\x1b[21~", nullptr},
        {PORTKIT_KEY_F11, "\x1b[23~", nullptr},        {PORTKIT_KEY_F12, "\x1b[24~", nullptr},
    };
    for (const Key &key : kKeys) {
        if (keys == KeySet::kAll) record->define_kbd_macro(record, key.code, key.normal);
        if (key.application == nullptr) continue;
        if (keys == KeySet::kCursorNormal) record->define_kbd_macro(record, key.code, key.normal);
        if (keys == KeySet::kCursorApplication) record->define_kbd_macro(record, key.code, key.application);
    }
}

}  // namespace portkit::emulation
