#include "pty_link.h"

#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <stdexcept>

namespace portkit::bench {

PtyLink::PtyLink() {
    char name[128] = {};
    if (openpty(&master_, &slave_, name, nullptr, nullptr) != 0) throw std::runtime_error("openpty");
    slave_path_ = name;
    for (int fd : {master_, slave_}) {
        termios tio{};
        tcgetattr(fd, &tio);
        cfmakeraw(&tio);
        tcsetattr(fd, TCSANOW, &tio);
    }
}

PtyLink::~PtyLink() {
    close(master_);
    close(slave_);
}

void PtyLink::OpenPorts(int first, PortStructure **slave_port, PortStructure **master_port) const {
    setenv(("PORTKIT_COM" + std::to_string(first + 1)).c_str(), slave_path_.c_str(), 1);
    setenv(("PORTKIT_COM" + std::to_string(first + 2)).c_str(), ("fd:" + std::to_string(master_)).c_str(), 1);
    *slave_port = PortOpenMSWin32(first, 115200, 'N', 8, 1);
    *master_port = PortOpenMSWin32(first + 1, 115200, 'N', 8, 1);
    if (PWGetPortStatus(*slave_port) < 0 || PWGetPortStatus(*master_port) < 0) throw std::runtime_error("open");
}

double Seconds() { return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count(); }

}  // namespace portkit::bench
