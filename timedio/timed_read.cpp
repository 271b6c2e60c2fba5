// Waiting reads of one character and of a block of bytes.
#include "timedio/timedio_internal.h"

namespace portkit::timedio {
namespace {

// One turn of the block read's wait: the clock is looked at before the hook.
int WaitForMore(PortStructure *port, const WaitLimit &limit) {
    if (limit.Expired()) return PORTKIT_BUFFER_EMPTY;
    const int idle_result = RunIdleHook(port);
    return idle_result < 0 ? idle_result : 0;
}

}  // namespace
}  // namespace portkit::timedio

using portkit::timedio::WaitLimit;

extern "C" {

// The hook runs before the clock is looked at, so a time-out of 0 still
// gives the application one turn.
PORTKIT_API int ReadCharTimed(PortStructure *port, int timeout) {
    // A byte already queued needs no clock: protocol readers take most of
    // their input this way, a byte at a time.
    if (port->functions.SpaceUsedInRXBuffer(port) > 0) return port->functions.ReadChar(port);
    const WaitLimit limit(timeout);
    for (;;) {
        // A driver that cannot count answers a code; the read tells the truth.
        if (port->functions.SpaceUsedInRXBuffer(port) != 0) return port->functions.ReadChar(port);
        const int idle_result = portkit::RunIdleHook(port);
        if (idle_result < 0) {
            port->status = idle_result;
            return idle_result;
        }
        if (limit.Expired()) return PORTKIT_BUFFER_EMPTY;
    }
}

PORTKIT_API int ReadBufferTimed(PortStructure *port, char *buffer, unsigned int count, int timeout) {
    port->count = 0;
    // Nothing to wait for; without this a zero-byte read would wait for input.
    if (count == 0) return PORTKIT_SUCCESS;
    const WaitLimit limit(timeout);
    unsigned int total = 0;
    for (;;) {
        if (port->functions.SpaceUsedInRXBuffer(port) != 0) {
            const unsigned int asked = count - total;
            port->count = 0;
            port->functions.ReadBuffer(port, buffer + total, asked);
            const unsigned int moved = portkit::timedio::MovedBy(port, asked);
            total += moved;
            port->count = static_cast<int32_t>(total);
            if (total == count) return PORTKIT_SUCCESS;
            if (port->status < 0) return port->status;
            if (moved > 0) continue;
            // The queue claimed bytes that the read did not find: wait as on
            // an empty queue, or this loop would spin past the deadline
            // without ever giving the idle hook a turn.
        }
        const int wait_result = portkit::timedio::WaitForMore(port, limit);
        if (wait_result < 0) return wait_result;
    }
}

}  // extern "C"
