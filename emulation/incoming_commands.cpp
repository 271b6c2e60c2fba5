// Incoming commands: texts whose arrival at the end of the received stream
// is reported to the application.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "emulation/emulator_internal.h"

namespace {

// The scanner remembers this many characters: a longer text would be
// compared with characters that have left the ring.
constexpr std::size_t kLongestCommand = sizeof(EmulatorRecord::recent_input);
// The 8-bit counter of commands ending with one character.
constexpr unsigned kMostCommandsPerLastCharacter = 255;

unsigned char LastCharacter(const char *text) { return static_cast<unsigned char>(text[std::strlen(text) - 1]); }

// True when the newest received characters end with `text`.
bool RingEndsWith(const EmulatorRecord *record, const char *text) {
    const std::size_t length = std::strlen(text);
    const std::uint32_t newest = static_cast<std::uint32_t>(record->input_count) - 1u;
    for (std::uint32_t back = 0; back < length; ++back) {
        const std::uint32_t index = (newest - back) % 16u;
        if (record->recent_input[index] != static_cast<unsigned char>(text[length - 1 - back])) return false;
    }
    return true;
}

}  // namespace

namespace portkit::emulation {

int MatchIncomingCommand(const EmulatorRecord *record) {
    for (const IncomingCommand *command = record->incoming_commands; command != nullptr; command = command->next) {
        if (RingEndsWith(record, command->text)) return command->value;
    }
    return -1;
}

}  // namespace portkit::emulation

extern "C" {

PORTKIT_API int _define_incoming_cmd(EmulatorRecord *record, const char *text, int value) {
    if (record == nullptr || text == nullptr || text[0] == '\0') return PORTKIT_INVALID_PARAMETER;
    if (std::strlen(text) > kLongestCommand) return PORTKIT_INVALID_PARAMETER;
    // One more would wrap the counter to 0 and hide every command ending so.
    if (record->last_char_count[LastCharacter(text)] >= kMostCommandsPerLastCharacter) return PORTKIT_BUFFER_FULL;
    auto *command = static_cast<IncomingCommand *>(std::calloc(1, sizeof(IncomingCommand)));
    if (command == nullptr) return PORTKIT_NO_MEMORY;
    const std::size_t size = std::strlen(text) + 1;
    command->text = static_cast<char *>(std::malloc(size));
    if (command->text == nullptr) {
        std::free(command);
        return PORTKIT_NO_MEMORY;
    }
    std::memcpy(command->text, text, size);
    command->value = value;
    command->next = record->incoming_commands;
    record->incoming_commands = command;
    ++record->last_char_count[LastCharacter(text)];
    return PORTKIT_SUCCESS;
}

PORTKIT_API int _undefine_incoming_cmd(EmulatorRecord *record, const char *text) {
    if (record == nullptr || text == nullptr) return PORTKIT_INVALID_PARAMETER;
    // The record is byte-packed: its list head is written as a field, never
    // through a pointer to it, which would be misaligned.
    IncomingCommand *previous = nullptr;
    for (IncomingCommand *command = record->incoming_commands; command != nullptr;
         previous = command, command = command->next) {
        if (std::strcmp(command->text, text) != 0) continue;
        if (previous == nullptr) {
            record->incoming_commands = command->next;
        } else {
            previous->next = command->next;
        }
        std::free(command->text);
        std::free(command);
        --record->last_char_count[LastCharacter(text)];
        return PORTKIT_SUCCESS;
    }
    return PORTKIT_INVALID_PARAMETER;
}

PORTKIT_API int _DefaultInputScanner(EmulatorRecord *record, int c) {
    return portkit::emulation::ScanInputCharacter(record, static_cast<unsigned char>(c));
}

}  // extern "C"
