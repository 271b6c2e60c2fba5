// TCP sockets on POSIX.
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <memory>

#include "platform/net_socket.h"
#include "port/port_internal.h"

namespace portkit::platform {
namespace {

// A server gone without a word (unplugged, powered off) is given up after
// about five seconds of silence and three unanswered probes a second apart,
// or when written bytes stay unacknowledged as long.
constexpr int kKeepIdleSeconds = 5;
constexpr int kKeepIntervalSeconds = 1;
constexpr int kKeepCount = 3;
constexpr unsigned kUnacknowledgedMs = 8000;

void SetOption(int fd, int level, int name, int value) { setsockopt(fd, level, name, &value, sizeof value); }

void Tune(int fd) {
    SetOption(fd, IPPROTO_TCP, TCP_NODELAY, 1);
    SetOption(fd, SOL_SOCKET, SO_KEEPALIVE, 1);
#if defined(TCP_KEEPIDLE)
    SetOption(fd, IPPROTO_TCP, TCP_KEEPIDLE, kKeepIdleSeconds);
    SetOption(fd, IPPROTO_TCP, TCP_KEEPINTVL, kKeepIntervalSeconds);
    SetOption(fd, IPPROTO_TCP, TCP_KEEPCNT, kKeepCount);
#endif
#if defined(TCP_USER_TIMEOUT)
    SetOption(fd, IPPROTO_TCP, TCP_USER_TIMEOUT, static_cast<int>(kUnacknowledgedMs));
#endif
}

// One address: the connect started, then looked at between idle turns.
// 0, or the system's code.
int ConnectOne(PortStructure *port, const addrinfo &address, std::int32_t deadline, int *fd_out) {
    const int fd = socket(address.ai_family, address.ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK, address.ai_protocol);
    if (fd < 0) return errno;
    if (connect(fd, address.ai_addr, address.ai_addrlen) != 0 && errno != EINPROGRESS) {
        const int error = errno;
        close(fd);
        return error;
    }
    for (;;) {
        pollfd watch{fd, POLLOUT, 0};
        if (poll(&watch, 1, 0) > 0) break;
        if (DeadlineReached(deadline) || RunIdleHook(port) < 0) {
            close(fd);
            return ETIMEDOUT;
        }
    }
    int error = 0;
    socklen_t length = sizeof error;
    if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0) error = errno;
    if (error != 0) {
        close(fd);
        return error;
    }
    Tune(fd);
    *fd_out = fd;
    return 0;
}

}  // namespace

NetSocket ConnectTcp(PortStructure *port, const std::string &host, const std::string &service, int timeout_ms,
                     int *system_error) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo *found = nullptr;
    if (const int failure = getaddrinfo(host.c_str(), service.c_str(), &hints, &found); failure != 0) {
        *system_error = failure == EAI_SYSTEM ? errno : EHOSTUNREACH;
        return kNoSocket;
    }
    std::unique_ptr<addrinfo, decltype(&freeaddrinfo)> addresses(found, freeaddrinfo);
    const std::int32_t deadline = DeadlineAfter(timeout_ms);
    *system_error = EHOSTUNREACH;
    for (const addrinfo *address = found; address != nullptr; address = address->ai_next) {
        int fd = -1;
        *system_error = ConnectOne(port, *address, deadline, &fd);
        if (*system_error == 0) return fd;
        if (*system_error == ETIMEDOUT) break;
    }
    return kNoSocket;
}

NetTransfer SendSome(NetSocket socket, const void *bytes, std::size_t count) {
    NetTransfer result;
    const ssize_t sent = send(static_cast<int>(socket), bytes, count, MSG_NOSIGNAL);
    if (sent >= 0) {
        result.bytes = static_cast<std::size_t>(sent);
    } else if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
        result.closed = true;
        result.system_error = errno;
    }
    return result;
}

NetTransfer ReceiveSome(NetSocket socket, void *bytes, std::size_t count) {
    NetTransfer result;
    const ssize_t got = recv(static_cast<int>(socket), bytes, count, 0);
    if (got > 0) {
        result.bytes = static_cast<std::size_t>(got);
#if defined(TCP_QUICKACK)
        // A server that writes a packet in pieces holds back the last piece
        // (Nagle) until the first is acknowledged, and a delayed
        // acknowledgement would make every stop-and-wait packet of a
        // protocol wait 40 ms for it. The kernel leaves quick mode on its
        // own, so it is asked for again after every read.
        SetOption(static_cast<int>(socket), IPPROTO_TCP, TCP_QUICKACK, 1);
#endif
    } else if (got == 0) {
        result.closed = true;
    } else if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
        result.closed = true;
        result.system_error = errno;
    }
    return result;
}

void CloseSocket(NetSocket socket) {
    if (socket != kNoSocket) close(static_cast<int>(socket));
}

}  // namespace portkit::platform
