#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>
#if defined(__linux__)
#include <pty.h>
#else
#include <util.h>
#endif

#include <chrono>
#include <cstdio>
#include <thread>

#include "portkit/serial.h"
#include "tools/cli/port_option.h"
#include "tools/demo/demo_sessions.h"
#include "tools/transfer/transfer_abort.h"

namespace portkit::tool {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// Only a hung session comes near this.
constexpr auto kSessionLimit = std::chrono::seconds(180);
// How long the sender may take to finish once the receiver is through.
constexpr int kSenderGraceMs = 15000;

std::string JoinNames(const std::vector<std::string> &files, const std::string &prefix) {
    std::string text;
    for (const std::string &file : files) text += (text.empty() ? "" : " ") + prefix + file;
    return text;
}

PortStructure *OpenDemoPort(const std::string &device) { return OpenDeviceNamed(device, 115200, 'N', 8, 1); }

double SecondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

// The child's part: open the pty's slave by its path, send, and report the
// result through the pipe.
[[noreturn]] void RunChildSender(const SessionPlan &plan, const std::string &slave_path, int inherited_slave,
                                 int report_fd) {
    int result = PORTKIT_GENERAL_ERROR;
    if (chdir(plan.send_directory.c_str()) == 0) {
        PortStructure *port = OpenDemoPort(slave_path);
        // Held until now so the line never lost its last slave (a pty hangs up then).
        close(inherited_slave);
        result = PWGetPortStatus(port);
        if (result >= 0) result = SendFiles(*plan.protocol, port, JoinNames(plan.files, ""), {}, plan.send_options);
        PWPortClose(port);
    }
    if (write(report_fd, &result, sizeof result) != static_cast<ssize_t>(sizeof result)) _exit(1);
    // _exit: the parent's stdio buffers and exit handlers are not the child's to run.
    _exit(0);
}

int WaitForChildSender(pid_t child, int report_fd) {
    int result = PORTKIT_TIME_OUT;
    pollfd report{report_fd, POLLIN, 0};
    if (poll(&report, 1, kSenderGraceMs) == 1) {
        if (read(report_fd, &result, sizeof result) != static_cast<ssize_t>(sizeof result)) {
            result = PORTKIT_GENERAL_ERROR;  // it died without a word
        }
    } else {
        kill(child, SIGKILL);
    }
    waitpid(child, nullptr, 0);
    return result;
}

// Received files land in the current directory.
bool EnterReceiveDirectory(const SessionPlan &plan) { return chdir(plan.receive_directory.c_str()) == 0; }

int Receive(const SessionPlan &plan, PortStructure *port) {
    const int status = PWGetPortStatus(port);
    if (status < 0) return status;
    return ReceiveFiles(*plan.protocol, port, plan.receive_name, {}, {});
}

}  // namespace

Session RunOverPty(const SessionPlan &plan) {
    Session session;
    termios raw{};
    cfmakeraw(&raw);  // no echo even before either end has set the line up
    int master = -1;
    int slave = -1;
    char slave_path[256] = {};
    int report[2] = {-1, -1};
    if (openpty(&master, &slave, slave_path, &raw, nullptr) != 0) return session;
    if (pipe(report) != 0) {
        close(master);
        close(slave);
        return session;
    }
    AbortTransfersAfter(kSessionLimit);  // before the fork, so both ends give up in time
    std::fflush(nullptr);
    const Clock::time_point started = Clock::now();
    const pid_t child = fork();
    if (child == 0) {
        close(master);
        close(report[0]);
        RunChildSender(plan, slave_path, slave, report[1]);
    }
    close(slave);
    close(report[1]);
    if (child > 0) {
        PortStructure *port = OpenDemoPort("fd:" + std::to_string(master));
        session.received = EnterReceiveDirectory(plan) ? Receive(plan, port) : PORTKIT_XFER_OPEN_FAILED;
        // Closing our end before the sender has its last acknowledgement
        // would hang the line up under it.
        session.sent = WaitForChildSender(child, report[0]);
        session.seconds = SecondsSince(started);
        PWPortClose(port);
    }
    close(master);
    close(report[0]);
    AbortTransfersAfter(std::chrono::milliseconds(0));
    return session;
}

Session RunOverSimulatedCable(const SessionPlan &plan) {
    static int cables = 0;
    const std::string cable = "sim:portkit-demo-" + std::to_string(++cables);
    Session session;
    if (!EnterReceiveDirectory(plan)) return session;
    // Opened here, one after the other: the device name goes through the environment.
    PortStructure *sending_port = OpenDemoPort(cable + ":a");
    PortStructure *receiving_port = OpenDemoPort(cable + ":b");
    // Both ends share this process's directory, the receiver's; the samples
    // are found from there.
    const std::string file_names =
        JoinNames(plan.files, fs::relative(plan.send_directory, plan.receive_directory).string() + "/");
    AbortTransfersAfter(kSessionLimit);
    const Clock::time_point started = Clock::now();
    std::thread sender([&] {
        session.sent = PWGetPortStatus(sending_port);
        if (session.sent >= 0)
            session.sent = SendFiles(*plan.protocol, sending_port, file_names, {}, plan.send_options);
    });
    session.received = Receive(plan, receiving_port);
    AbortTransfersAfter(std::chrono::milliseconds(kSenderGraceMs));
    sender.join();
    session.seconds = SecondsSince(started);
    AbortTransfersAfter(std::chrono::milliseconds(0));
    PWPortClose(receiving_port);
    PWPortClose(sending_port);
    return session;
}

Session RunAsciiOverSimulatedCable(const fs::path &text, const fs::path &received) {
    // The receiver's normal end is this much silence after the last line.
    constexpr int kQuietMs = 500;
    const std::string cable = "sim:portkit-demo-ascii";
    Session session;
    PortStructure *sending_port = OpenDemoPort(cable + ":a");
    PortStructure *receiving_port = OpenDemoPort(cable + ":b");
    AbortTransfersAfter(kSessionLimit);
    const Clock::time_point started = Clock::now();
    std::thread sender([&] {
        session.sent = PWGetPortStatus(sending_port);
        if (session.sent >= 0) {
            session.sent = AsciiSendWithOptions(sending_port, text.c_str(), nullptr, nullptr, nullptr, 0, 0, 0);
        }
    });
    session.received = PWGetPortStatus(receiving_port);
    if (session.received >= 0) {
        session.received = AsciiReceiveWithOptions(receiving_port, received.c_str(), nullptr, nullptr, nullptr, 0,
                                                   PORTKIT_XFER_ASCII_TIMEOUT, kQuietMs, 0);
    }
    // Silence is how an ASCII receive ends.
    if (session.received == PORTKIT_XFER_CHAR_TIMEOUT) session.received = 1;
    sender.join();
    session.seconds = SecondsSince(started) - kQuietMs / 1000.0;
    AbortTransfersAfter(std::chrono::milliseconds(0));
    PWPortClose(receiving_port);
    PWPortClose(sending_port);
    return session;
}

}  // namespace portkit::tool
