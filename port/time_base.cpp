// The millisecond clock, local seconds, the delay loop and the default hooks.
#include "platform/platform.h"
#include "port/port_internal.h"

namespace portkit {
namespace {

// A wait sets its deadline before it idles, so the nearest one ahead is
// never later than the deadline of the wait in progress. One that belongs to
// a wait already over only ends a sleep early.
thread_local std::int32_t nearest_deadline = 0;
thread_local bool deadline_ahead = false;

}  // namespace

void NoteDeadline(std::int32_t deadline, std::int32_t now) {
    if (!deadline_ahead || DeadlineReached(nearest_deadline, now) || DeadlineReached(deadline, nearest_deadline)) {
        nearest_deadline = deadline;
        deadline_ahead = true;
    }
}

std::int32_t MillisecondsToNearestDeadline() {
    if (!deadline_ahead) return 0;
    const auto left = static_cast<std::int32_t>(static_cast<std::uint32_t>(nearest_deadline) -
                                                static_cast<std::uint32_t>(ElapsedTime()));
    if (left > 0) return left;
    deadline_ahead = false;
    return 0;
}

int DefaultPortIdleFunction(PortStructure *port) {
    platform::IdleWait(port);
    return 0;
}

int DefaultAbortModemFunction(PortStructure *) { return 0; }

int RunIdleHook(PortStructure *port) {
    DSInstanceData *settings = SettingsOf(port);
    PortIdleFunction idle = settings != nullptr ? settings->port_idle_function : nullptr;
    return idle != nullptr ? idle(port) : DefaultPortIdleFunction(port);
}

}  // namespace portkit

extern "C" {

PORTKIT_API int32_t ElapsedTime(void) { return static_cast<int32_t>(portkit::platform::TickCount()); }

PORTKIT_API int asitime(void) { return portkit::platform::LocalSeconds(); }

PORTKIT_API int PortKillTime(PortStructure *port, int milliseconds) {
    if (milliseconds <= 0) return 0;
    const int32_t deadline = portkit::DeadlineAfter(milliseconds);
    while (!portkit::DeadlineReached(deadline)) {
        const int idle_result = portkit::RunIdleHook(port);
        if (idle_result < 0) return idle_result;
    }
    return 0;
}

}  // extern "C"
