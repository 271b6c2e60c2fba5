// TCP sockets through Winsock.
#include <winsock2.h>
#include <ws2tcpip.h>
#include <mstcpip.h>

#include <memory>
#include <vector>

#include "platform/net_socket.h"
#include "port/port_internal.h"

namespace portkit::platform {
namespace {

constexpr ULONG kKeepIdleMs = 5000;
constexpr ULONG kKeepIntervalMs = 1000;

bool WinsockStarted() {
    static const bool started = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    return started;
}

void Tune(SOCKET s) {
    BOOL on = TRUE;
    setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char *>(&on), sizeof on);
    tcp_keepalive keepalive{1, kKeepIdleMs, kKeepIntervalMs};
    DWORD returned = 0;
    WSAIoctl(s, SIO_KEEPALIVE_VALS, &keepalive, sizeof keepalive, nullptr, 0, &returned, nullptr, nullptr);
}

int ConnectOne(PortStructure *port, const addrinfo &address, std::int32_t deadline, SOCKET *out) {
    SOCKET s = socket(address.ai_family, address.ai_socktype, address.ai_protocol);
    if (s == INVALID_SOCKET) return WSAGetLastError();
    u_long non_blocking = 1;
    ioctlsocket(s, FIONBIO, &non_blocking);
    if (connect(s, address.ai_addr, static_cast<int>(address.ai_addrlen)) != 0 && WSAGetLastError() != WSAEWOULDBLOCK) {
        const int error = WSAGetLastError();
        closesocket(s);
        return error;
    }
    for (;;) {
        fd_set writable, failed;
        FD_ZERO(&writable);
        FD_ZERO(&failed);
        FD_SET(s, &writable);
        FD_SET(s, &failed);
        timeval none{0, 0};
        if (select(0, nullptr, &writable, &failed, &none) > 0) {
            if (FD_ISSET(s, &failed)) {
                int error = 0;
                int length = sizeof error;
                getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char *>(&error), &length);
                closesocket(s);
                return error != 0 ? error : WSAECONNREFUSED;
            }
            break;
        }
        if (DeadlineReached(deadline) || RunIdleHook(port) < 0) {
            closesocket(s);
            return WSAETIMEDOUT;
        }
    }
    Tune(s);
    *out = s;
    return 0;
}

bool WouldBlock() {
    const int error = WSAGetLastError();
    return error == WSAEWOULDBLOCK || error == WSAEINTR;
}

struct SocketWait {
    PortStructure *port;
    NetWaitPrepare prepare;
};

std::vector<SocketWait> &SocketWaits() {
    static auto *waits = new std::vector<SocketWait>;
    return *waits;
}

}  // namespace

NetSocket ConnectTcp(PortStructure *port, const std::string &host, const std::string &service, int timeout_ms,
                     int *system_error) {
    if (!WinsockStarted()) {
        *system_error = WSASYSNOTREADY;
        return kNoSocket;
    }
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    addrinfo *found = nullptr;
    if (getaddrinfo(host.c_str(), service.c_str(), &hints, &found) != 0) {
        *system_error = WSAGetLastError();
        return kNoSocket;
    }
    std::unique_ptr<addrinfo, decltype(&freeaddrinfo)> addresses(found, freeaddrinfo);
    const std::int32_t deadline = DeadlineAfter(timeout_ms);
    *system_error = WSAEHOSTUNREACH;
    for (const addrinfo *address = found; address != nullptr; address = address->ai_next) {
        SOCKET s = INVALID_SOCKET;
        *system_error = ConnectOne(port, *address, deadline, &s);
        if (*system_error == 0) return static_cast<NetSocket>(s);
        if (*system_error == WSAETIMEDOUT) break;
    }
    return kNoSocket;
}

NetTransfer SendSome(NetSocket socket, const void *bytes, std::size_t count) {
    NetTransfer result;
    const int chunk = count > 0x40000000 ? 0x40000000 : static_cast<int>(count);
    const int sent = send(static_cast<SOCKET>(socket), static_cast<const char *>(bytes), chunk, 0);
    if (sent >= 0) {
        result.bytes = static_cast<std::size_t>(sent);
    } else if (!WouldBlock()) {
        result.closed = true;
        result.system_error = WSAGetLastError();
    }
    return result;
}

NetTransfer ReceiveSome(NetSocket socket, void *bytes, std::size_t count) {
    NetTransfer result;
    const int chunk = count > 0x40000000 ? 0x40000000 : static_cast<int>(count);
    const int got = recv(static_cast<SOCKET>(socket), static_cast<char *>(bytes), chunk, 0);
    if (got > 0) {
        result.bytes = static_cast<std::size_t>(got);
    } else if (got == 0) {
        result.closed = true;
    } else if (!WouldBlock()) {
        result.closed = true;
        result.system_error = WSAGetLastError();
    }
    return result;
}

void CloseSocket(NetSocket socket) {
    if (socket != kNoSocket) closesocket(static_cast<SOCKET>(socket));
}

// Waits on Windows pump messages rather than block: the port's turn only
// moves its held output on.
void AttachSocketWait(PortStructure *port, NetSocket, NetWaitPrepare prepare) {
    DetachSocketWait(port);
    SocketWaits().push_back({port, prepare});
}

void DetachSocketWait(PortStructure *port) {
    std::erase_if(SocketWaits(), [port](const SocketWait &wait) { return wait.port == port; });
}

void PrepareSocketWait(PortStructure *port) {
    for (const SocketWait &wait : SocketWaits()) {
        if (wait.port == port) wait.prepare(port);
    }
}

}  // namespace portkit::platform
