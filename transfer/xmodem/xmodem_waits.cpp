// Waiting for characters and clearing the line, shared by both directions.
#include "portkit/timedio.h"
#include "transfer/xmodem/xmodem_engine.h"

namespace portkit::transfer {
namespace {

constexpr int kSliceMs = 1000;
// A line that never goes quiet is a flood, not stale data: give up on it.
constexpr int kQuietLimitMs = 3000;

}  // namespace

int WaitForCharacter(TransferRecord *record, int timeout_ms) {
    int remaining = timeout_ms;
    for (;;) {
        const int c = ReadCharTimed(record->port, remaining < kSliceMs ? remaining : kSliceMs);
        if (c >= 0) return c;
        if (StopOnReadFailure(record, c) || XferCheckAbort(record)) return kStopped;
        remaining -= kSliceMs;
        if (remaining <= 0) return kTimedOut;
    }
}

bool DiscardUntilQuiet(TransferRecord *record) {
    const int32_t deadline = DeadlineAfter(kQuietLimitMs);
    for (;;) {
        const int c = ReadCharTimed(record->port, kSliceMs);
        if (StopOnReadFailure(record, c)) return false;
        if (c < 0) return true;
        if (XferCheckAbort(record)) return false;
        if (DeadlineReached(deadline)) {
            XferMessage(record, "The line does not go quiet");
            ++record->error_count;
            return true;
        }
    }
}

bool Purge(TransferRecord *record) {
    PortStructure *port = record->port;
    const int32_t deadline = DeadlineAfter(kQuietLimitMs);
    for (;;) {
        if (XferCheckAbort(record)) return false;
        while (port->functions.SpaceUsedInRXBuffer(port) > 0 && !DeadlineReached(deadline)) {
            if (port->functions.ReadChar(port) < 0) break;
        }
        const int c = ReadCharTimed(port, kSliceMs);
        if (StopOnReadFailure(record, c)) return false;
        if (c <= 0 || DeadlineReached(deadline)) return true;  // silence, a NUL, or a flood
    }
}

}  // namespace portkit::transfer
