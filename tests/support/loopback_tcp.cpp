#include "support/loopback_tcp.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace portkit::test {
namespace {

sockaddr_in LoopbackAddress(unsigned port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

int MillisecondsLeft(std::chrono::steady_clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

// The inode of the socket listening on 127.0.0.1:`port`, or an empty string.
std::string ListenerInode(unsigned port) {
    std::ifstream table("/proc/net/tcp");
    char wanted[32];
    std::snprintf(wanted, sizeof wanted, "0100007F:%04X", port);
    std::string line;
    std::getline(table, line);  // the heading
    while (std::getline(table, line)) {
        std::istringstream fields(line);
        std::string slot, local, remote, state, queues, timer, retransmits, uid, timeout, inode;
        fields >> slot >> local >> remote >> state >> queues >> timer >> retransmits >> uid >> timeout >> inode;
        if (local == wanted && state == "0A") return inode;
    }
    return {};
}

}  // namespace

unsigned FreeLoopbackPort() {
    unsigned port = 0;
    const int fd = ListenOnLoopback(0, &port);
    if (fd >= 0) close(fd);
    return port;
}

int ListenOnLoopback(unsigned port, unsigned *bound) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    const int on = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in address = LoopbackAddress(port);
    socklen_t length = sizeof address;
    if (bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0 || listen(fd, 8) != 0 ||
        getsockname(fd, reinterpret_cast<sockaddr *>(&address), &length) != 0) {
        close(fd);
        return -1;
    }
    *bound = ntohs(address.sin_port);
    return fd;
}

int ConnectToLoopback(unsigned port, int timeout_ms) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) return -1;
    const sockaddr_in address = LoopbackAddress(port);
    if (connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) != 0) {
        pollfd wait{fd, POLLOUT, 0};
        int error = errno;
        if (error == EINPROGRESS && poll(&wait, 1, timeout_ms) == 1) {
            socklen_t length = sizeof error;
            getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length);
        }
        if (error != 0) {
            close(fd);
            return -1;
        }
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

bool ListensOnLoopback(pid_t pid, unsigned port) {
    const std::string inode = ListenerInode(port);
    if (inode.empty()) return false;
    const std::string target = "socket:[" + inode + "]";
    std::error_code error;
    for (const auto &entry : std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/fd", error)) {
        if (std::filesystem::read_symlink(entry.path(), error) == target) return true;
    }
    return false;
}

bool SendAllBytes(int fd, const std::string &bytes, int timeout_ms) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    std::size_t done = 0;
    while (done < bytes.size()) {
        pollfd wait{fd, POLLOUT, 0};
        if (poll(&wait, 1, MillisecondsLeft(deadline)) != 1) return false;
        const ssize_t n = send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0)
            done += static_cast<std::size_t>(n);
        else if (n < 0 && errno != EAGAIN && errno != EINTR)
            return false;
    }
    return true;
}

ReadEnd ReadOnce(int fd, std::string *got, int timeout_ms) {
    pollfd wait{fd, POLLIN, 0};
    if (poll(&wait, 1, timeout_ms) != 1) return ReadEnd::kTimedOut;
    char chunk[65536];
    const ssize_t n = recv(fd, chunk, sizeof chunk, MSG_DONTWAIT);
    if (n > 0) {
        got->append(chunk, static_cast<std::size_t>(n));
        return ReadEnd::kBytes;
    }
    if (n == 0) return ReadEnd::kClosed;
    return errno == ECONNRESET ? ReadEnd::kReset : (errno == EAGAIN ? ReadEnd::kTimedOut : ReadEnd::kClosed);
}

std::string ReceiveBytes(int fd, std::size_t count, int timeout_ms) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    std::string got;
    while (got.size() < count) {
        const int left = MillisecondsLeft(deadline);
        if (left == 0 || ReadOnce(fd, &got, left) != ReadEnd::kBytes) break;
    }
    return got;
}

}  // namespace portkit::test
