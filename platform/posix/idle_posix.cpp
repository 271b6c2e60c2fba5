// The default idle wait on POSIX: there is no message queue to pump, so the
// wait blocks for at most a millisecond on the port's device instead, which
// costs no CPU on a silent line and ends at once when a byte arrives.
#include <algorithm>
#include <utility>
#include <vector>

#include "platform/platform.h"
#include "platform/posix/comm_port.h"
#include "platform/posix/event_sources.h"

namespace portkit::platform {
namespace {

constexpr int kIdleWaitMs = 1;

// Few ports are open at a time; a flat list is the quickest to search. Never
// destroyed, because ports still open are closed by an exit handler.
std::vector<std::pair<PortStructure *, void *>> &PortWaits() {
    static auto *waits = new std::vector<std::pair<PortStructure *, void *>>;
    return *waits;
}

}  // namespace

void AttachPortWait(PortStructure *port, void *comm_handle) {
    DetachPortWait(port);
    PortWaits().emplace_back(port, comm_handle);
}

void DetachPortWait(PortStructure *port) {
    auto &waits = PortWaits();
    waits.erase(std::remove_if(waits.begin(), waits.end(), [port](const auto &entry) { return entry.first == port; }),
                waits.end());
}

void IdleWait(PortStructure *port) {
    for (const auto &[waiting_port, handle] : PortWaits()) {
        if (waiting_port != port) continue;
        posix::ServeEventSources(0);
        if (posix::CommPort *comm = posix::CommPort::FromHandle(handle)) comm->WaitForActivity(kIdleWaitMs);
        return;
    }
    // No device to wait on: the added event sources (a window) are.
    posix::ServeEventSources(kIdleWaitMs);
}

}  // namespace portkit::platform
