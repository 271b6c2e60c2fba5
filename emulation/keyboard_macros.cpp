// Keyboard macros and the keyboard loop that sends keys and macros.
#include <cstdlib>
#include <cstring>

#include "emulation/emulator_internal.h"

using namespace portkit::emulation;

namespace {

KeyboardMacro *FindMacro(const EmulatorRecord *record, int key) {
    for (KeyboardMacro *macro = record->keyboard_macros; macro != nullptr; macro = macro->next) {
        if (macro->key == key) return macro;
    }
    return nullptr;
}

// The record is byte-packed: its list head is written as a field, never
// through a pointer to it, which would be misaligned.
void Unlink(EmulatorRecord *record, const KeyboardMacro *macro) {
    if (record->keyboard_macros == macro) {
        record->keyboard_macros = macro->next;
        return;
    }
    for (KeyboardMacro *previous = record->keyboard_macros; previous != nullptr; previous = previous->next) {
        if (previous->next == macro) {
            previous->next = macro->next;
            return;
        }
    }
}

// Starts playing `text`; returns its first character.
int StartMacro(EmulatorRecord *record, const char *text) {
    if (text[1] != '\0') record->macro_position = text + 1;
    return static_cast<unsigned char>(text[0]);
}

int NextMacroCharacter(EmulatorRecord *record) {
    const char *position = record->macro_position;
    const int c = static_cast<unsigned char>(*position);
    record->macro_position = position[1] != '\0' ? position + 1 : nullptr;
    return c;
}

}  // namespace

extern "C" {

PORTKIT_API int _define_kbd_macro(EmulatorRecord *record, int key, const char *text) {
    if (record == nullptr) return PORTKIT_INVALID_PARAMETER;
    // The key's old macro goes first, so a failed redefinition leaves none.
    _undefine_kbd_macro(record, key);
    auto *macro = static_cast<KeyboardMacro *>(std::calloc(1, sizeof(KeyboardMacro)));
    if (macro == nullptr) return PORTKIT_NO_MEMORY;
    if (text != nullptr) {
        const std::size_t size = std::strlen(text) + 1;
        macro->text = static_cast<char *>(std::malloc(size));
        if (macro->text == nullptr) {
            std::free(macro);
            return PORTKIT_NO_MEMORY;
        }
        std::memcpy(macro->text, text, size);
    }
    macro->key = key;
    macro->next = record->keyboard_macros;
    record->keyboard_macros = macro;
    return PORTKIT_SUCCESS;
}

PORTKIT_API int _undefine_kbd_macro(EmulatorRecord *record, int key) {
    if (record == nullptr) return PORTKIT_INVALID_PARAMETER;
    KeyboardMacro *macro = FindMacro(record, key);
    if (macro == nullptr) return PORTKIT_INVALID_PARAMETER;
    // A macro being played must not be left pointing into freed text.
    if (macro->text != nullptr && record->macro_position != nullptr && record->macro_position >= macro->text &&
        record->macro_position <= macro->text + std::strlen(macro->text)) {
        record->macro_position = nullptr;
    }
    Unlink(record, macro);
    std::free(macro->text);
    std::free(macro);
    return PORTKIT_SUCCESS;
}

PORTKIT_API int _process_kbd(EmulatorRecord *record) {
    if (record == nullptr || !HasDisplay(record)) return -1;
    for (int sent = 0; sent < kKeysPerCall; ++sent) {
        int c;
        if (record->macro_position != nullptr) {
            c = NextMacroCharacter(record);
        } else {
            if (record->local_mode != 0) return -1;
            const int key = record->read_key(record);
            if (key == -1) return -1;
            if (const KeyboardMacro *macro = FindMacro(record, key); macro != nullptr) {
                if (macro->text == nullptr) return key;
                if (macro->text[0] == '\0') continue;  // an empty macro sends nothing
                c = StartMacro(record, macro->text);
            } else {
                if ((key & 0xFF) == 0) return key;
                c = key;
            }
        }
        PWWriteChar(record->port, c);
    }
    return -1;
}

}  // extern "C"
