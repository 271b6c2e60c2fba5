// TCP connections for ports behind a serial server: the sockets of the
// system (POSIX or Winsock) behind one small set of calls. Every socket is
// non-blocking once connected; nothing here waits except the connect.
#ifndef PORTKIT_PLATFORM_NET_SOCKET_H
#define PORTKIT_PLATFORM_NET_SOCKET_H

#include <cstddef>
#include <cstdint>
#include <string>

struct PortStructure;

namespace portkit::platform {

using NetSocket = std::intptr_t;
constexpr NetSocket kNoSocket = -1;

// Connects to `host` (a name, an IPv4 or IPv6 address) at `service`, trying
// each address the name has until `timeout_ms` has passed, with the idle
// hook of `port` run between looks (its negative answer gives up). On
// success the socket is non-blocking, sends small writes at once and has
// keepalive on, so that a server that vanishes is noticed in seconds. On
// failure kNoSocket, with the system's code in *system_error.
NetSocket ConnectTcp(PortStructure *port, const std::string &host, const std::string &service, int timeout_ms,
                     int *system_error);

// What a send or receive came to.
struct NetTransfer {
    std::size_t bytes = 0;  // moved
    bool closed = false;    // the far end closed, reset or timed out
    int system_error = 0;   // when closed by a failure
};
NetTransfer SendSome(NetSocket socket, const void *bytes, std::size_t count);
NetTransfer ReceiveSome(NetSocket socket, void *bytes, std::size_t count);
void CloseSocket(NetSocket socket);

// The idle wait on a network port: `prepare` runs first (it moves held
// output on) and says what the port waits for; the wait then blocks on the
// socket for that, along with the added event sources.
enum NetWaitFor : int { kWaitForNothing = 0, kWaitForInput = 1, kWaitForOutput = 2 };
using NetWaitPrepare = int (*)(PortStructure *port);
void AttachSocketWait(PortStructure *port, NetSocket socket, NetWaitPrepare prepare);
// DetachPortWait ends it, as for a device.
#if defined(_WIN32)
void DetachSocketWait(PortStructure *port);
void PrepareSocketWait(PortStructure *port);
#endif

}  // namespace portkit::platform

#endif
