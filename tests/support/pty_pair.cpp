#include "support/pty_pair.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <stdexcept>

namespace portkit::test {

PtyPair::PtyPair() {
    char name[128] = {};
    if (openpty(&master_, &slave_, name, nullptr, nullptr) != 0) throw std::runtime_error("openpty failed");
    slave_path_ = name;
    termios tio{};
    tcgetattr(master_, &tio);
    cfmakeraw(&tio);
    tcsetattr(master_, TCSANOW, &tio);
    fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
}

PtyPair::~PtyPair() {
    close(master_);
    close(slave_);
}

void PtyPair::MapToPort(int port_number) const {
    setenv(("PORTKIT_COM" + std::to_string(port_number + 1)).c_str(), slave_path_.c_str(), 1);
}

std::string PtyPair::ReadMaster(std::size_t count, int timeout_ms) const { return ReadFor(master_, count, timeout_ms); }

void PtyPair::WriteMaster(const std::string &bytes) const { WriteAll(master_, bytes); }

std::string ReadFor(int fd, std::size_t count, int timeout_ms) {
    std::string got;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    while (got.size() < count && std::chrono::steady_clock::now() < deadline) {
        pollfd wait{fd, POLLIN, 0};
        poll(&wait, 1, 10);
        char chunk[4096];
        const ssize_t n = read(fd, chunk, std::min(sizeof chunk, count - got.size()));
        if (n > 0) got.append(chunk, static_cast<std::size_t>(n));
    }
    return got;
}

void WriteAll(int fd, const std::string &bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n > 0)
            done += static_cast<std::size_t>(n);
        else {
            pollfd wait{fd, POLLOUT, 0};
            poll(&wait, 1, 10);
        }
    }
}

}  // namespace portkit::test
