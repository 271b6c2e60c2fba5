#include <fcntl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>

#include "tools/cli/port_option.h"
#include "tools/cli/termios_rates.h"
#include "tools/transfer/stdio_line.h"

namespace portkit::tool {
namespace {

// What OpenStdioLine changed; read by the signal handler, so plain data.
struct SavedStdio {
    volatile std::sig_atomic_t taken = 0;
    bool terminal = false;
    termios settings{};
    int flags[2] = {0, 0};  // the port sets O_NONBLOCK on what the shell shares with us
};
SavedStdio saved;

constexpr int kFatalSignals[] = {SIGHUP, SIGINT, SIGQUIT, SIGTERM};

// Only async-signal-safe calls: this runs in the signal handler too.
void PutBack() {
    if (saved.taken == 0) return;
    saved.taken = 0;
    if (saved.terminal) tcsetattr(STDIN_FILENO, TCSANOW, &saved.settings);
    fcntl(STDIN_FILENO, F_SETFL, saved.flags[0]);
    fcntl(STDOUT_FILENO, F_SETFL, saved.flags[1]);
}

void PutBackAndDie(int signal_number) {
    PutBack();
    // Blocked until this handler returns, then the default action ends us.
    std::signal(signal_number, SIG_DFL);
    std::raise(signal_number);
}

void CatchFatalSignals() {
    // A reader that goes away makes our writes fail with EPIPE, which the
    // port reports as a line that has gone; the transfer then ends cleanly.
    std::signal(SIGPIPE, SIG_IGN);
    for (int signal_number : kFatalSignals) {
        struct sigaction action {};
        sigaction(signal_number, nullptr, &action);
        if (action.sa_handler == SIG_IGN) continue;  // nohup or a background job: keep it so
        action.sa_handler = PutBackAndDie;
        sigemptyset(&action.sa_mask);
        action.sa_flags = 0;
        sigaction(signal_number, &action, nullptr);
    }
}

// Takes the descriptors over; the terminal's speed, or the default.
long TakeOver() {
    saved.flags[0] = fcntl(STDIN_FILENO, F_GETFL);
    saved.flags[1] = fcntl(STDOUT_FILENO, F_GETFL);
    saved.terminal = tcgetattr(STDIN_FILENO, &saved.settings) == 0;
    saved.taken = 1;
    CatchFatalSignals();
    std::atexit(RestoreStdio);
    if (!saved.terminal) return kDefaultBaud;
    // Raw at once, so nothing the other end sends first is echoed or eaten.
    termios raw = saved.settings;
    cfmakeraw(&raw);
    tcsetattr(STDIN_FILENO, TCSANOW, &raw);
    const long rate = RateOfSpeed(cfgetospeed(&saved.settings));
    return rate > 0 ? rate : kDefaultBaud;
}

bool SameFile(int a, int b) {
    struct stat first {};
    struct stat second {};
    if (fstat(a, &first) != 0 || fstat(b, &second) != 0) return false;
    if (S_ISCHR(first.st_mode) && S_ISCHR(second.st_mode)) return first.st_rdev == second.st_rdev;
    return first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

}  // namespace

bool StdioLineAvailable(const std::string &) { return true; }

PortStructure *OpenStdioLine(const std::string &command, const Options &options) {
    const long terminal_rate = TakeOver();
    PortStructure *port = OpenLine(command, "fd:0,1", options, terminal_rate);
    if (port == nullptr) RestoreStdio();
    return port;
}

void RestoreStdio() { PutBack(); }

bool StderrSharesStdio() { return SameFile(STDERR_FILENO, STDIN_FILENO) || SameFile(STDERR_FILENO, STDOUT_FILENO); }

}  // namespace portkit::tool
