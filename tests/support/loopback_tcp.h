// TCP sockets on 127.0.0.1 for the network ports' tests: free ports, a
// client's connection, and bounded sends and receives on it.
#ifndef PORTKIT_TESTS_SUPPORT_LOOPBACK_TCP_H
#define PORTKIT_TESTS_SUPPORT_LOOPBACK_TCP_H

#include <sys/types.h>

#include <cstddef>
#include <string>

namespace portkit::test {

// A port no socket on 127.0.0.1 holds at the moment of asking (the kernel's
// choice for port 0). Another process may take it before it is used, so
// whoever binds it later must check that the listener is theirs.
unsigned FreeLoopbackPort();

// A listening socket on 127.0.0.1:`port` (0: any free port), its port in
// `*bound`; -1 on failure.
int ListenOnLoopback(unsigned port, unsigned *bound);

// A blocking connection to 127.0.0.1:`port`, -1 when refused or not made
// within `timeout_ms`.
int ConnectToLoopback(unsigned port, int timeout_ms = 2000);

// Whether a socket listens on 127.0.0.1:`port` and belongs to process `pid`,
// read from /proc without connecting: a connection would wake the server.
bool ListensOnLoopback(pid_t pid, unsigned port);

// Sends all of `bytes`; false when the peer stops taking them for
// `timeout_ms` or the connection fails.
bool SendAllBytes(int fd, const std::string &bytes, int timeout_ms = 2000);

// Receives until `count` bytes came, the peer closed, or `timeout_ms` passed.
std::string ReceiveBytes(int fd, std::size_t count, int timeout_ms = 2000);

// What ended a read: bytes, the peer's orderly close, a reset, or nothing yet.
enum class ReadEnd { kBytes, kClosed, kReset, kTimedOut };
// Waits up to `timeout_ms` for the next read's outcome, appending any bytes
// to `*got`.
ReadEnd ReadOnce(int fd, std::string *got, int timeout_ms);

}  // namespace portkit::test

#endif
