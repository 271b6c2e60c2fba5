#include "tools/transfer/wait_stop.h"

#include <atomic>

#include "portkit/port.h"

namespace portkit::tool {
namespace {

bool (*stop_asked)() = nullptr;
// Once stopped, every later wait ends too. The demo waits on two threads.
std::atomic<bool> stopped{false};
PortIdleFunction previous_idle = nullptr;

int StopOrIdle(PortStructure *port) {
    if (!stopped && stop_asked != nullptr && stop_asked()) stopped = true;
    if (stopped) return PORTKIT_USER_ABORT;
    return previous_idle != nullptr ? previous_idle(port) : 0;
}

}  // namespace

WaitStop::WaitStop(bool (*stop)()) {
    const DSInstanceData *settings = AddOrGetDSInstanceData();
    previous_idle = settings != nullptr ? settings->port_idle_function : nullptr;
    stop_asked = stop;
    stopped = false;
    SetPortIdleFunctionPtr(StopOrIdle);
}

WaitStop::~WaitStop() {
    SetPortIdleFunctionPtr(previous_idle);
    stop_asked = nullptr;
    previous_idle = nullptr;
}

}  // namespace portkit::tool
