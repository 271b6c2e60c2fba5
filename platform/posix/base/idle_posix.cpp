// The default idle wait on POSIX: there is no message queue to pump, so the
// wait blocks on the port's device instead, until the nearest deadline the
// calling thread has set (a millisecond when it has none ahead). It ends at
// once when a byte arrives, the line hangs up or an added event source's
// descriptor is readable, so a silent line costs no CPU; it is cut to a
// tenth of a second so that the checks a waiting loop makes between turns
// (a transfer's abort check) still come often.
#include <poll.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "platform/net_socket.h"
#include "platform/platform.h"
#include "platform/posix/comm/comm_port.h"
#include "platform/posix/base/event_sources.h"
#include "port/port_internal.h"
#include "portkit/event_source.h"

namespace portkit::platform {
namespace {

constexpr int kShortestIdleMs = 1;
constexpr int kLongestIdleMs = 100;

int IdleMilliseconds() {
    const std::int32_t left = MillisecondsToNearestDeadline();
    return left <= 0 ? kShortestIdleMs : std::min<int>(left, kLongestIdleMs);
}

// Few ports are open at a time; a flat list is the quickest to search. Never
// destroyed, because ports still open are closed by an exit handler.
std::vector<std::pair<PortStructure *, void *>> &PortWaits() {
    static auto *waits = new std::vector<std::pair<PortStructure *, void *>>;
    return *waits;
}

struct SocketWait {
    PortStructure *port;
    int fd;
    NetWaitPrepare prepare;
};

std::vector<SocketWait> &SocketWaits() {
    static auto *waits = new std::vector<SocketWait>;
    return *waits;
}

// A network port's turn: its held output moved on, then a block on the
// socket for what the port still waits for, and on the sources.
void WaitOnSocket(const SocketWait &wait) {
    posix::ServeEventSources(0);
    const int wanted = wait.prepare(wait.port);
    int wait_ms = IdleMilliseconds();
    // Kept between turns: a transfer's every wait would otherwise allocate.
    thread_local std::vector<pollfd> fds;
    posix::EventSourceWatches(&fds, &wait_ms);
    short events = 0;
    if (wanted & kWaitForInput) events |= POLLIN;
    if (wanted & kWaitForOutput) events |= POLLOUT;
    // A closed connection would wake poll at once for ever: then the wait
    // is on the sources alone.
    if (events != 0) fds.push_back({wait.fd, events, 0});
    poll(fds.data(), fds.size(), wait_ms);
}

}  // namespace

void AttachSocketWait(PortStructure *port, NetSocket socket, NetWaitPrepare prepare) {
    DetachPortWait(port);
    SocketWaits().push_back({port, static_cast<int>(socket), prepare});
}

void AttachPortWait(PortStructure *port, void *comm_handle) {
    DetachPortWait(port);
    PortWaits().emplace_back(port, comm_handle);
}

void DetachPortWait(PortStructure *port) {
    auto &waits = PortWaits();
    waits.erase(std::remove_if(waits.begin(), waits.end(), [port](const auto &entry) { return entry.first == port; }),
                waits.end());
    std::erase_if(SocketWaits(), [port](const SocketWait &wait) { return wait.port == port; });
}

void IdleWait(PortStructure *port) {
    for (const SocketWait &wait : SocketWaits()) {
        if (wait.port != port) continue;
        WaitOnSocket(wait);
        return;
    }
    for (const auto &[waiting_port, handle] : PortWaits()) {
        if (waiting_port != port) continue;
        posix::ServeEventSources(0);
        // A source's input ends the wait on the port too; its callback runs
        // at the start of the next turn.
        int wait_ms = IdleMilliseconds();
        thread_local std::vector<pollfd> sources;
        posix::EventSourceWatches(&sources, &wait_ms);
        if (posix::CommPort *comm = posix::CommPort::FromHandle(handle)) comm->WaitForActivity(wait_ms, sources);
        return;
    }
    // No device to wait on: the added event sources (a window) are.
    posix::ServeEventSources(IdleMilliseconds());
}

}  // namespace portkit::platform

extern "C" {

PORTKIT_API int WaitForPortEvent(PortStructure *port, int milliseconds) {
    if (milliseconds <= 0) return 0;
    portkit::DeadlineAfter(milliseconds);
    return portkit::RunIdleHook(port);
}

}  // extern "C"
