// What the emulator's own files share: allocation in C's heap (records and
// nodes are released with free, as applications may do themselves) and the
// ANSI parser's clean-up on destroy.
#ifndef PORTKIT_EMULATION_EMULATOR_INTERNAL_H
#define PORTKIT_EMULATION_EMULATOR_INTERNAL_H

#include <cstddef>
#include <cstdint>

#include "portkit/emulator.h"

namespace portkit::emulation {

constexpr int kInputPerCall = 250;
constexpr int kKeysPerCall = 64;
constexpr int kBatchSize = 256;
// The extended mode draws its screen once per batch: a fast stream costs
// far less drawn in large ones, and the lines that scroll off within one
// are never drawn at all.
constexpr int kExtendedBatchSize = 16384;

// True once a backend has given the record the operations the loops call.
inline bool HasDisplay(const EmulatorRecord *record) {
    return record->read_key != nullptr && record->put_char != nullptr && record->put_string != nullptr;
}

// The value of the newest incoming command the received characters now end
// with, or -1.
int MatchIncomingCommand(const EmulatorRecord *record);

// Records one received character and reports a completed incoming command;
// inline, since every text character passes here.
inline int ScanInputCharacter(EmulatorRecord *record, unsigned char byte) {
    // The count runs on past 2^31 characters: it wraps like the 32 bits it
    // is, and 2^32 is a multiple of the ring's size.
    const auto count = static_cast<std::uint32_t>(record->input_count);
    record->recent_input[count % 16u] = byte;
    record->input_count = static_cast<std::int32_t>(count + 1u);
    if (record->last_char_count[byte] == 0) return -1;
    return MatchIncomingCommand(record);
}

// Releases the parser's string parameters of an ANSI record; nothing for
// other records.
void ReleaseAnsiState(EmulatorRecord *record);

}  // namespace portkit::emulation

#endif
