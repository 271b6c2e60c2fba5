// Waiting writes of one character and of a block of bytes.
#include "timedio/timedio_internal.h"

namespace portkit::timedio {

int WriteAllTimed(PortStructure *port, const char *buffer, unsigned int count, const WaitLimit &limit,
                  FailureStatus failure_status) {
    const int32_t saved_status = port->status;
    unsigned int total = 0;
    for (;;) {
        const unsigned int asked = count - total;
        port->status = PORTKIT_SUCCESS;
        port->count = 0;
        const int result = port->functions.WriteBuffer(port, buffer + total, asked);
        // Stored from the result rather than trusted to the driver, so a
        // driver that only returns its code cannot wipe an earlier failure.
        port->status = (result < 0 && failure_status == FailureStatus::kStore) ? result : saved_status;
        total += MovedBy(port, asked);
        port->count = static_cast<int32_t>(total);
        if (result < 0 && (!IsRefusal(result) || limit.Expired())) return result;
        if (total == count) return PORTKIT_SUCCESS;
        const int idle_result = RunIdleHook(port);
        if (idle_result < 0) {
            if (failure_status == FailureStatus::kStore) port->status = idle_result;
            return idle_result;
        }
    }
}

}  // namespace portkit::timedio

using portkit::timedio::IsRefusal;
using portkit::timedio::WaitLimit;

extern "C" {

// Neither the driver's codes nor the wait's are left in the status.
PORTKIT_API int WriteCharTimed(PortStructure *port, int c, int timeout) {
    const WaitLimit limit(timeout);
    const int32_t saved_status = port->status;
    for (;;) {
        port->status = PORTKIT_SUCCESS;
        const int result = port->functions.WriteChar(port, c);
        port->status = saved_status;
        if (result >= 0) return PORTKIT_SUCCESS;
        if (!IsRefusal(result) || limit.Expired()) return result;
        const int idle_result = portkit::RunIdleHook(port);
        if (idle_result < 0) return idle_result;
    }
}

PORTKIT_API int WriteBufferTimed(PortStructure *port, const char *buffer, unsigned int count, int timeout) {
    return portkit::timedio::WriteAllTimed(port, buffer, count, WaitLimit(timeout),
                                           portkit::timedio::FailureStatus::kStore);
}

}  // extern "C"
