// The ANSI emulator's parser and command handlers.
#ifndef PORTKIT_EMULATION_ANSI_INTERNAL_H
#define PORTKIT_EMULATION_ANSI_INTERNAL_H

#include "emulation/emulator_internal.h"

namespace portkit::emulation {

inline AnsiEmulatorRecord *AsAnsi(EmulatorRecord *record) { return reinterpret_cast<AnsiEmulatorRecord *>(record); }

// Feeds one character of an escape sequence (any state but TEXT).
void ParseSequenceCharacter(AnsiEmulatorRecord *ansi, int c);

// Runs the handler of a final character; the sequence is then complete.
void RunFinalCharacter(AnsiEmulatorRecord *ansi, int c);

// Drops the sequence being parsed, complete or not: back to text.
void ParseReset(AnsiEmulatorRecord *ansi);

}  // namespace portkit::emulation

#endif
