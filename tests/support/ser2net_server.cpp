#include "support/ser2net_server.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <stdexcept>
#include <thread>
#include <vector>

#include "support/loopback_tcp.h"
#include "support/pty_pair.h"

namespace portkit::test {
namespace {

constexpr const char *kProgram = "/usr/sbin/ser2net";
constexpr int kStartMs = 5000;
// A port picked free may be taken by another test's server before ours
// binds it; then ours is given fresh ports.
constexpr int kStartAttempts = 3;

bool Reaped(pid_t pid) {
    int status = 0;
    return waitpid(pid, &status, WNOHANG) == pid;
}

}  // namespace

Ser2netServer::Ser2netServer(const Ser2netOptions &options)
    : options_(options), line_(options.noise_one_in, options.noise_seed) {
    if (access(kProgram, X_OK) != 0) throw std::runtime_error(std::string(kProgram) + " is not installed");
    line_fd_ = open(line_.far_path().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (line_fd_ < 0) throw std::runtime_error("cannot open " + line_.far_path());
    for (int attempt = 0; attempt < kStartAttempts; ++attempt) {
        rfc2217_port_ = FreeLoopbackPort();
        do tcp_port_ = FreeLoopbackPort();
        while (tcp_port_ == rfc2217_port_);
        WriteConfiguration();
        if (Start()) return;
        Kill();
    }
    close(line_fd_);
    throw std::runtime_error("ser2net did not come up: " + Log());
}

Ser2netServer::~Ser2netServer() {
    Kill();
    close(line_fd_);
}

std::string Ser2netServer::rfc2217_url() const { return "rfc2217://127.0.0.1:" + std::to_string(rfc2217_port_); }
std::string Ser2netServer::tcp_url() const { return "tcp://127.0.0.1:" + std::to_string(tcp_port_); }

unsigned Ser2netServer::DeviceSpeed() const {
    const int fd = open(device_path().c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    const unsigned speed = fd >= 0 ? KernelSpeed(fd) : 0;
    if (fd >= 0) close(fd);
    return speed;
}

std::string Ser2netServer::ReadLine(std::size_t count, int timeout_ms) const {
    return ReadFor(line_fd_, count, timeout_ms);
}

void Ser2netServer::WriteLine(const std::string &bytes) const { WriteAll(line_fd_, bytes); }

void Ser2netServer::Stop() { End(SIGTERM, 2000); }
void Ser2netServer::Kill() { End(SIGKILL, 0); }

void Ser2netServer::Restart() {
    Kill();
    if (!Start()) {
        Kill();
        throw std::runtime_error("ser2net did not come back on its ports: " + Log());
    }
}

std::string Ser2netServer::Log() const { return ReadFile(directory_ / "ser2net.log"); }

void Ser2netServer::WriteConfiguration() const {
    // Binary data at full speed: no banner, no wait for more bytes before
    // sending (chardelay), no modem control (a pty has none), and a new
    // client displaces a forgotten one.
    const std::string connector =
        "serialdev," + device_path() + "," + std::to_string(options_.speed) + options_.framing + ",local,nobreak";
    const std::string options =
        "  options:\n"
        "    kickolduser: true\n"
        "    chardelay: false\n"
        "    mdns: false\n";
    std::ofstream file(directory_ / "ser2net.yaml", std::ios::trunc);
    file << "connection: &rfc2217\n"
         << "  accepter: telnet(rfc2217),tcp,127.0.0.1," << rfc2217_port_ << "\n"
         << "  connector: " << connector << "\n"
         << options << "connection: &raw\n"
         << "  accepter: tcp,127.0.0.1," << tcp_port_ << "\n"
         << "  connector: " << connector << "\n"
         << options;
}

bool Ser2netServer::Start() {
    // In the foreground (-d: and its messages on standard output), without
    // UUCP lock files (-u: they would be shared with other tests' lines);
    // with no -p and no -P there is no control port and no pid file.
    const std::string configuration = directory_ / "ser2net.yaml";
    const char *argv[] = {kProgram, "-d", "-u", "-c", configuration.c_str(), nullptr};
    const int log = open((directory_ / "ser2net.log").c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    const int null_input = open("/dev/null", O_RDONLY | O_CLOEXEC);
    const pid_t test_process = getpid();
    pid_ = fork();
    if (pid_ == 0) {
        // Only async-signal-safe calls between fork and exec: the test
        // process has threads. A test killed at its time-out takes its
        // server with it, rather than leave it holding the ports.
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != test_process) _exit(127);
        setsid();
        dup2(null_input, 0);
        dup2(log, 1);
        dup2(log, 2);
        close_range(3, ~0u, 0);
        execv(kProgram, const_cast<char *const *>(argv));
        _exit(127);
    }
    close(log);
    close(null_input);
    if (pid_ < 0) return false;
    return WaitUntilListening(kStartMs);
}

bool Ser2netServer::WaitUntilListening(int timeout_ms) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    while (std::chrono::steady_clock::now() < deadline) {
        if (Reaped(pid_)) {
            pid_ = -1;
            return false;
        }
        if (ListensOnLoopback(pid_, rfc2217_port_) && ListensOnLoopback(pid_, tcp_port_)) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

void Ser2netServer::End(int signal_number, int grace_ms) {
    if (pid_ <= 0) return;
    kill(pid_, signal_number);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(grace_ms);
    while (!Reaped(pid_)) {
        if (std::chrono::steady_clock::now() >= deadline) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    pid_ = -1;
}

}  // namespace portkit::test
