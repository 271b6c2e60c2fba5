#include "support/loopback_listener.h"

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "support/loopback_tcp.h"

namespace portkit::test {

LoopbackListener::LoopbackListener() {
    unsigned bound = 0;
    listening_ = ListenOnLoopback(0, &bound);
    port_ = static_cast<int>(bound);
}

LoopbackListener::~LoopbackListener() {
    if (peer_ >= 0) close(peer_);
    if (listening_ >= 0) close(listening_);
}

std::string LoopbackListener::Url(const char *scheme) const {
    return std::string(scheme) + "://127.0.0.1:" + std::to_string(port_);
}

bool LoopbackListener::Accept() {
    pollfd watch{listening_, POLLIN, 0};
    if (poll(&watch, 1, 2000) <= 0) return false;
    peer_ = accept(listening_, nullptr, nullptr);
    return peer_ >= 0;
}

bool LoopbackListener::Send(const std::string &bytes) { return SendAllBytes(peer_, bytes); }

std::string LoopbackListener::Receive(std::size_t count) {
    std::string got;
    char buffer[65536];
    while (got.size() < count) {
        pollfd watch{peer_, POLLIN, 0};
        if (poll(&watch, 1, 200) <= 0) break;
        const ssize_t n = recv(peer_, buffer, sizeof buffer, 0);
        if (n <= 0) break;
        got.append(buffer, static_cast<std::size_t>(n));
    }
    return got;
}

void LoopbackListener::Close() {
    if (peer_ >= 0) close(peer_);
    peer_ = -1;
}

void LoopbackListener::Reset() {
    linger abrupt{1, 0};
    setsockopt(peer_, SOL_SOCKET, SO_LINGER, &abrupt, sizeof abrupt);
    Close();
}

void LoopbackListener::StopListening() {
    close(listening_);
    listening_ = -1;
}

}  // namespace portkit::test
