// A status hook for tests of byte counts past 2 GiB without moving 2 GiB:
// once a file is open it starts the count just below INT32_MAX, and it
// keeps the record as each call saw it.
#ifndef PORTKIT_TESTS_SUPPORT_NEAR_TWO_GIGABYTES_H
#define PORTKIT_TESTS_SUPPORT_NEAR_TWO_GIGABYTES_H

#include <climits>
#include <cstdint>

#include "portkit/transfer.h"

namespace portkit::test {

inline constexpr std::int64_t kCountStart = INT32_MAX - 10;
inline TransferRecord last_seen_record;

inline int StartNearTwoGigabytes(TransferRecord *record) {
    if (record->file != nullptr && record->byte_total == 0) record->byte_total = static_cast<int32_t>(kCountStart);
    last_seen_record = *record;
    return 0;
}

}  // namespace portkit::test

#endif
