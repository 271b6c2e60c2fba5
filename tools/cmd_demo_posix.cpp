// portkit demo: every protocol moves sample files from a child process to
// this one over a pseudo-terminal, and what arrives is checked byte for byte.
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
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "commands.h"
#include "demo_files.h"
#include "human_units.h"
#include "port_option.h"
#include "portkit/serial.h"
#include "protocols.h"
#include "transfer_abort.h"

namespace portkit::tool {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// The engines refuse empty files, so the smallest sample is one byte.
const std::vector<std::size_t> kSampleSizes = {1, 1000, 100000, 500000};
// Only a hung session comes near this.
constexpr auto kSessionLimit = std::chrono::seconds(180);
// How long the sender may take to finish once the receiver is through.
constexpr int kSenderGraceMs = 15000;

struct Session {
    int sent = PORTKIT_GENERAL_ERROR;      // the send entry point's result
    int received = PORTKIT_GENERAL_ERROR;  // the receive entry point's result
    double seconds = 0;
};

struct Outcome {
    int files = 0;
    std::int64_t bytes = 0;
    double seconds = 0;
    std::string problem;  // empty when every file arrived intact
};

// The child's part: open the pty's slave by its path, as a program opens a
// serial device, send, and report the result through the pipe.
[[noreturn]] void RunSender(const Protocol &protocol, const std::string &slave_path, int inherited_slave,
                            const fs::path &directory, const std::string &file_names, int report_fd) {
    int result = PORTKIT_GENERAL_ERROR;
    if (chdir(directory.c_str()) == 0) {
        PortStructure *port = PortOpenMSWin32(PortNumberFor(slave_path), 115200, 'N', 8, 1);
        // Held until now so the line never lost its last slave (a pty hangs up then).
        close(inherited_slave);
        result = PWGetPortStatus(port);
        if (result >= 0) result = SendFiles(protocol, port, file_names, {}, {});
        PWPortClose(port);
    }
    if (write(report_fd, &result, sizeof result) != static_cast<ssize_t>(sizeof result)) _exit(1);
    // _exit: the parent's stdio buffers and exit handlers are not the child's to run.
    _exit(0);
}

int WaitForSender(pid_t child, int report_fd) {
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

Session RunSession(const Protocol &protocol, const fs::path &send_directory, const std::string &file_names,
                   const fs::path &receive_directory, const std::string &receive_name) {
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
        RunSender(protocol, slave_path, slave, send_directory, file_names, report[1]);
    }
    close(slave);
    close(report[1]);
    if (child > 0) {
        PortStructure *port = PortOpenMSWin32(PortNumberFor("fd:" + std::to_string(master)), 115200, 'N', 8, 1);
        session.received = PWGetPortStatus(port);
        if (session.received >= 0) {
            session.received = chdir(receive_directory.c_str()) == 0
                                   ? ReceiveFiles(protocol, port, receive_name, {}, {})
                                   : PORTKIT_XFER_OPEN_FAILED;
        }
        // Closing our end before the sender has its last acknowledgement
        // would hang the line up under it.
        session.sent = WaitForSender(child, report[0]);
        session.seconds = std::chrono::duration<double>(Clock::now() - started).count();
        PWPortClose(port);
    }
    close(master);
    close(report[0]);
    AbortTransfersAfter(std::chrono::milliseconds(0));
    return session;
}

std::string Failure(const char *side, int code) {
    return std::string(side) + ": " + CommErrorName(code) + " (" + std::to_string(code) + ")";
}

// What is wrong with a session's result and files; "" when nothing.
std::string Check(const Protocol &protocol, const Session &session, const std::vector<SampleFile> &files,
                  const fs::path &sent_from, const fs::path &received_in) {
    if (session.sent < 0) return Failure("send", session.sent);
    if (session.received < 0) return Failure("receive", session.received);
    const int count = static_cast<int>(files.size());
    if (session.sent != count || session.received != count) {
        return "sent " + std::to_string(session.sent) + " and received " + std::to_string(session.received) +
               " of " + std::to_string(count) + " files";
    }
    for (const SampleFile &file : files) {
        const std::string problem = CompareReceived(sent_from / file.name, received_in / file.name, !protocol.batch);
        if (!problem.empty()) return problem;
    }
    return "";
}

// A batch protocol takes every sample in one session; the others one each.
Outcome RunProtocol(const Protocol &protocol, const fs::path &root, const fs::path &samples_directory,
                    const std::vector<SampleFile> &samples) {
    Outcome outcome;
    const fs::path received_in = root / ("received-" + std::string(protocol.name));
    std::error_code error;
    fs::create_directories(received_in, error);
    std::vector<std::vector<SampleFile>> sessions;
    if (protocol.batch) {
        sessions.push_back(samples);
    } else {
        for (const SampleFile &sample : samples) sessions.push_back({sample});
    }
    for (const std::vector<SampleFile> &files : sessions) {
        std::string file_names;
        for (const SampleFile &file : files) file_names += (file_names.empty() ? "" : " ") + file.name;
        const std::string receive_name = protocol.ReceiveNeedsName() ? files.front().name : "";
        const Session session = RunSession(protocol, samples_directory, file_names, received_in, receive_name);
        outcome.seconds += session.seconds;
        outcome.problem = Check(protocol, session, files, samples_directory, received_in);
        if (!outcome.problem.empty()) break;
        for (const SampleFile &file : files) {
            ++outcome.files;
            outcome.bytes += static_cast<std::int64_t>(file.size);
        }
    }
    return outcome;
}

std::optional<fs::path> MakeTemporaryDirectory() {
    std::error_code error;
    std::string pattern = (fs::temp_directory_path(error) / "portkit-demo-XXXXXX").string();
    if (error || mkdtemp(pattern.data()) == nullptr) return std::nullopt;
    return fs::path(pattern);
}

}  // namespace

int RunDemo(Arguments arguments) {
    if (!arguments.empty()) {
        std::fprintf(stderr, "portkit demo: takes no arguments\n");
        return kExitUsage;
    }
    const auto root = MakeTemporaryDirectory();
    std::error_code error;
    const fs::path samples_directory = root ? *root / "samples" : fs::path();
    if (!root || !fs::create_directory(samples_directory, error)) {
        std::fprintf(stderr, "portkit demo: cannot make a temporary directory\n");
        return kExitFailure;
    }
    const auto samples = WriteSampleFiles(samples_directory, kSampleSizes);
    if (!samples) {
        std::fprintf(stderr, "portkit demo: cannot write the sample files in %s\n", samples_directory.c_str());
        return kExitFailure;
    }
    const fs::path start_directory = fs::current_path(error);
    std::printf("Each protocol moves %zu files of random bytes (%s to %s) from a child process to this one\n"
                "over a pseudo-terminal; every file that arrives is compared with the one sent.\n\n",
                samples->size(), FormatBytes(static_cast<std::int64_t>(kSampleSizes.front())).c_str(),
                FormatBytes(static_cast<std::int64_t>(kSampleSizes.back())).c_str());
    std::printf("%-16s %5s %10s %9s %12s  %s\n", "protocol", "files", "bytes", "time", "rate", "result");
    int failed = 0;
    for (const Protocol &protocol : Protocols()) {
        // The name first, so a slow protocol shows which one is running.
        std::printf("%-16.*s ", static_cast<int>(protocol.name.size()), protocol.name.data());
        std::fflush(stdout);
        const Outcome outcome = RunProtocol(protocol, *root, samples_directory, *samples);
        if (!outcome.problem.empty()) ++failed;
        const std::string result = outcome.problem.empty() ? "ok" : "FAILED: " + outcome.problem;
        std::printf("%5d %10s %9s %12s  %s\n", outcome.files, FormatBytes(outcome.bytes).c_str(),
                    FormatDuration(outcome.seconds).c_str(),
                    FormatRate(static_cast<double>(outcome.bytes) / outcome.seconds).c_str(), result.c_str());
        std::fflush(stdout);
    }
    fs::current_path(start_directory, error);
    if (failed == 0) {
        fs::remove_all(*root, error);
        std::printf("\nEvery protocol delivered every file intact.\n");
        return kExitOk;
    }
    std::printf("\n%d protocol(s) failed; the files are kept in %s\n", failed, root->c_str());
    return kExitFailure;
}

}  // namespace portkit::tool
