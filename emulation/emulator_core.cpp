// The emulator record's life: initialisation, destruction, debug text.
#include <cstdarg>
#include <cstdio>
#include <cstdlib>

#include "emulation/emulator_internal.h"
#include "emulation/formatted_text.h"

using namespace portkit::emulation;

extern "C" {

PORTKIT_API void _InitializeEmulator(EmulatorRecord *record) {
    if (record == nullptr) return;
    record->process_kbd = _process_kbd;
    record->process_input = _process_input;
    record->destroy = _destroy_emulator;
    record->define_kbd_macro = _define_kbd_macro;
    record->undefine_kbd_macro = _undefine_kbd_macro;
    record->define_incoming_cmd = _define_incoming_cmd;
    record->undefine_incoming_cmd = _undefine_incoming_cmd;
    record->local_mode = 0;
    record->reserved = 0;
    record->input_mask = 0xFF;
}

PORTKIT_API void _destroy_emulator(EmulatorRecord *record) {
    if (record == nullptr) return;
    for (KeyboardMacro *macro = record->keyboard_macros; macro != nullptr;) {
        KeyboardMacro *next = macro->next;
        std::free(macro->text);
        std::free(macro);
        macro = next;
    }
    for (IncomingCommand *command = record->incoming_commands; command != nullptr;) {
        IncomingCommand *next = command->next;
        std::free(command->text);
        std::free(command);
        command = next;
    }
    ReleaseAnsiState(record);
    std::free(record);
}

PORTKIT_API void _EmulatorDebugMessage(EmulatorRecord *record, const char *format, ...) {
    if (record == nullptr || format == nullptr || record->put_string == nullptr) return;
    // Text beyond the buffer is cut, never written past it.
    char buffer[kFormattedTextSize];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(buffer, sizeof buffer, format, arguments);
    va_end(arguments);
    record->put_string(record->display, buffer);
}

}  // extern "C"
