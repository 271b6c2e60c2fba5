#include "support/peer_process.h"

#include <fcntl.h>
#include <pty.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <thread>

#include "portkit/serial.h"

namespace portkit::test {

PeerProcess::PeerProcess(const std::vector<std::string> &argv, const std::string &directory) : directory_(directory) {
    int slave = -1;
    if (openpty(&master_, &slave, nullptr, nullptr, nullptr) != 0) throw std::runtime_error("openpty");
    termios tio{};
    tcgetattr(slave, &tio);
    cfmakeraw(&tio);
    tcsetattr(slave, TCSANOW, &tio);
    pid_ = fork();
    if (pid_ < 0) throw std::runtime_error("fork");
    if (pid_ == 0) {
        setsid();
        dup2(slave, 0);
        dup2(slave, 1);
        const int log = open((directory + "/peer.log").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (log >= 0) dup2(log, 2);
        for (int fd = 3; fd < 256; ++fd) close(fd);
        if (chdir(directory.c_str()) != 0) _exit(126);
        std::vector<char *> args;
        for (const std::string &arg : argv) args.push_back(const_cast<char *>(arg.c_str()));
        args.push_back(nullptr);
        execvp(args[0], args.data());
        _exit(127);
    }
    close(slave);
}

PeerProcess::~PeerProcess() {
    if (pid_ > 0) Wait(1);
    close(master_);
}

PortStructure *PeerProcess::OpenPort(int port_number) const {
    setenv(("PORTKIT_COM" + std::to_string(port_number + 1)).c_str(), ("fd:" + std::to_string(master_)).c_str(), 1);
    return PortOpenMSWin32(port_number, 115200, 'N', 8, 1);
}

int PeerProcess::Wait(int timeout_ms) {
    if (pid_ <= 0) return -1;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    int status = 0;
    for (;;) {
        if (waitpid(pid_, &status, WNOHANG) == pid_) break;
        if (std::chrono::steady_clock::now() >= deadline) {
            kill(pid_, SIGKILL);
            waitpid(pid_, &status, 0);
            pid_ = -1;
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string PeerProcess::Log() const { return ReadFile(directory_ + "/peer.log"); }

long ModificationTime(const std::string &path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 ? static_cast<long>(info.st_mtime) : -1;
}

void SetModificationTime(const std::string &path, long seconds) {
    timespec times[2] = {{seconds, 0}, {seconds, 0}};
    utimensat(AT_FDCWD, path.c_str(), times, 0);
}

std::string CarriedModeOf(const std::string &path, unsigned permissions) {
    chmod(path.c_str(), permissions);
    char text[16];
    std::snprintf(text, sizeof text, "%o", static_cast<unsigned>(S_IFREG | permissions));
    return text;
}

}  // namespace portkit::test
