// The millisecond clock, local seconds, the delay loop and the default hooks.
#include "platform/platform.h"
#include "port/port_internal.h"

namespace portkit {

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
