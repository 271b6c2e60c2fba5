// What the emulator's own files share: allocation in C's heap (records and
// nodes are released with free, as applications may do themselves), the
// ANSI parser's clean-up on destroy, and the kept rest of an input batch.
#ifndef PORTKIT_EMULATION_EMULATOR_INTERNAL_H
#define PORTKIT_EMULATION_EMULATOR_INTERNAL_H

#include <cstddef>

#include "portkit/emulator.h"

namespace portkit::emulation {

constexpr int kInputPerCall = 250;
constexpr int kKeysPerCall = 64;
constexpr int kBatchSize = 256;
constexpr std::size_t kDebugMessageSize = 132;

// True once a backend has given the record the operations the loops call.
inline bool HasDisplay(const EmulatorRecord *record) {
    return record->read_key != nullptr && record->put_char != nullptr && record->put_string != nullptr;
}

// Releases the parser's string parameters and any kept input of an ANSI
// record; nothing for other records.
void ReleaseAnsiState(EmulatorRecord *record);

}  // namespace portkit::emulation

#endif
