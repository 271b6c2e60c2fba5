// The escape-sequence states: ESC, ESC [, an optional private marker, then
// numeric or quoted-string parameters separated by ';' up to a final letter.
#include <cstdint>
#include <cstdlib>

#include "emulation/ansi_internal.h"

namespace portkit::emulation {

namespace {

bool IsDigit(int c) { return c >= '0' && c <= '9'; }
bool IsLetter(int c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// Parameters past the tenth are read but not kept: param_index stops at the
// tenth slot's end and every store below checks it.
bool HasRoom(const AnsiEmulatorRecord *ansi) { return ansi->param_index < ANSI_MAX_PARAMS; }

void BeginParameter(AnsiEmulatorRecord *ansi) {
    if (ansi->param_index < ANSI_MAX_PARAMS) ++ansi->param_index;
}

void FirstDigit(AnsiEmulatorRecord *ansi, int c) {
    if (IsDigit(c)) {
        BeginParameter(ansi);
        if (HasRoom(ansi)) ansi->params[ansi->param_index] = c - '0';
        ansi->parse_state = ANSI_IN_NUMBER;
    } else if (c == '"') {
        BeginParameter(ansi);
        if (HasRoom(ansi)) {
            ansi->params[ansi->param_index] = 0;
            ansi->string_params[ansi->param_index] = static_cast<char *>(std::calloc(1, ANSI_MAX_STRING + 1));
            if (ansi->string_params[ansi->param_index] == nullptr) {
                ParseReset(ansi);
                return;
            }
        }
        ansi->string_length = 0;
        ansi->parse_state = ANSI_IN_STRING;
    } else if (IsLetter(c)) {
        RunFinalCharacter(ansi, c);
    } else {
        ParseReset(ansi);
    }
}

void InNumber(AnsiEmulatorRecord *ansi, int c) {
    if (IsDigit(c)) {
        if (HasRoom(ansi)) {
            // Wraps like the 32-bit arithmetic it stands for, without overflow.
            const auto value =
                static_cast<std::uint32_t>(ansi->params[ansi->param_index]) * 10u + static_cast<std::uint32_t>(c - '0');
            ansi->params[ansi->param_index] = static_cast<std::int32_t>(value);
        }
    } else if (c == ';') {
        ansi->parse_state = ANSI_FIRST_DIGIT;
    } else if (IsLetter(c)) {
        RunFinalCharacter(ansi, c);
    }
    // Anything else inside a number is ignored.
}

void InString(AnsiEmulatorRecord *ansi, int c) {
    char *text = HasRoom(ansi) ? ansi->string_params[ansi->param_index] : nullptr;
    if (c == '"') {
        if (text != nullptr) text[ansi->string_length] = '\0';
        ansi->parse_state = ANSI_DONE_WITH_CHARS;
    } else if (ansi->string_length < ANSI_MAX_STRING) {
        if (text != nullptr) text[ansi->string_length] = static_cast<char>(c);
        ++ansi->string_length;
    }
    // Characters past the 80th are dropped.
}

void DoneWithChars(AnsiEmulatorRecord *ansi, int c) {
    if (c == ';') {
        ansi->parse_state = ANSI_FIRST_DIGIT;
    } else if (IsLetter(c)) {
        RunFinalCharacter(ansi, c);
    } else {
        ParseReset(ansi);
    }
}

}  // namespace

void ParseReset(AnsiEmulatorRecord *ansi) {
    ansi->parse_state = ANSI_TEXT;
    // By index: a reference to a field of the packed record would be misaligned.
    for (int i = 0; i < ANSI_MAX_PARAMS; ++i) {
        std::free(ansi->string_params[i]);
        ansi->string_params[i] = nullptr;
    }
}

void ParseSequenceCharacter(AnsiEmulatorRecord *ansi, int c) {
    switch (ansi->parse_state) {
        case ANSI_ESCAPE:
            if (c == '[') {
                ansi->parse_state = ANSI_BRACKET;
                ansi->param_index = -1;
                ansi->private_marker = -1;
            } else {
                ParseReset(ansi);
            }
            return;
        case ANSI_BRACKET:
            if (c == '?' || c == '=') {
                ansi->private_marker = c;
                ansi->parse_state = ANSI_FIRST_DIGIT;
                return;
            }
            FirstDigit(ansi, c);
            return;
        case ANSI_FIRST_DIGIT:
            FirstDigit(ansi, c);
            return;
        case ANSI_IN_NUMBER:
            InNumber(ansi, c);
            return;
        case ANSI_IN_STRING:
            InString(ansi, c);
            return;
        case ANSI_DONE_WITH_CHARS:
            DoneWithChars(ansi, c);
            return;
        default:
            ParseReset(ansi);
            return;
    }
}

}  // namespace portkit::emulation
