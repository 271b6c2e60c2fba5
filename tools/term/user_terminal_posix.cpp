#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <iterator>

#include "portkit/event_source.h"
#include "tools/term/user_terminal.h"

namespace portkit::tool {
namespace {

// Read by the signal handlers, so plain data.
struct SavedTerminal {
    volatile std::sig_atomic_t raw = 0;  // our settings are in force now
    bool saved = false;
    termios settings{};
    int input_flags = 0;
};
SavedTerminal terminal;
bool keyboard_closed = false;

constexpr int kFatalSignals[] = {SIGHUP, SIGINT, SIGQUIT, SIGTERM};
// What each had before ours: a handler there tidies up (the port's lock
// file) before the signal ends the program.
struct sigaction previous_actions[std::size(kFatalSignals)];

// Only async-signal-safe calls: the handlers run this too.
void PutBack() {
    if (terminal.raw == 0) return;
    terminal.raw = 0;
    tcsetattr(STDIN_FILENO, TCSAFLUSH, &terminal.settings);
    fcntl(STDIN_FILENO, F_SETFL, terminal.input_flags);
}

void MakeRaw() {
    termios raw = terminal.settings;
    cfmakeraw(&raw);
    raw.c_cc[VMIN] = 1;
    raw.c_cc[VTIME] = 0;
    tcsetattr(STDIN_FILENO, TCSANOW, &raw);
    fcntl(STDIN_FILENO, F_SETFL, terminal.input_flags | O_NONBLOCK);
    terminal.raw = 1;
}

void PutBackAndDie(int signal_number) {
    PutBack();
    for (std::size_t i = 0; i < std::size(kFatalSignals); ++i) {
        const struct sigaction &previous = previous_actions[i];
        if (kFatalSignals[i] != signal_number) continue;
        if ((previous.sa_flags & SA_SIGINFO) != 0) {
            siginfo_t info{};
            info.si_signo = signal_number;
            previous.sa_sigaction(signal_number, &info, nullptr);
        } else if (previous.sa_handler != SIG_DFL && previous.sa_handler != SIG_IGN) {
            previous.sa_handler(signal_number);
        }
    }
    std::signal(signal_number, SIG_DFL);
    std::raise(signal_number);  // blocked until the handler returns, then fatal
}

// Stopped from outside (kill -TSTP): the shell gets its terminal back as it was.
void PutBackAndStop(int) {
    const int was_raw = terminal.raw;
    PutBack();
    std::signal(SIGTSTP, SIG_DFL);
    // The signal is blocked while its handler runs: let it through, so the
    // stop happens here and we carry on below once continued.
    sigset_t stop;
    sigemptyset(&stop);
    sigaddset(&stop, SIGTSTP);
    sigprocmask(SIG_UNBLOCK, &stop, nullptr);
    std::raise(SIGTSTP);
    // Continued: handler back in place, raw again if we were.
    std::signal(SIGTSTP, PutBackAndStop);
    if (was_raw != 0) MakeRaw();
}

void CatchSignals() {
    for (std::size_t i = 0; i < std::size(kFatalSignals); ++i) {
        const int signal_number = kFatalSignals[i];
        sigaction(signal_number, nullptr, &previous_actions[i]);
        if (previous_actions[i].sa_handler == SIG_IGN) continue;  // nohup or a background job: keep it so
        struct sigaction action {};
        action.sa_handler = PutBackAndDie;
        sigemptyset(&action.sa_mask);
        action.sa_flags = 0;
        sigaction(signal_number, &action, nullptr);
    }
    std::signal(SIGTSTP, PutBackAndStop);
}

}  // namespace

bool EnterRawTerminal() {
    if (!terminal.saved) {
        if (tcgetattr(STDIN_FILENO, &terminal.settings) != 0) return false;
        terminal.input_flags = fcntl(STDIN_FILENO, F_GETFL);
        terminal.saved = true;
        CatchSignals();
        std::atexit(LeaveRawTerminal);
    }
    MakeRaw();
    return true;
}

void LeaveRawTerminal() { PutBack(); }

void PauseRawTerminal() { PutBack(); }

void ResumeRawTerminal() {
    if (terminal.saved) MakeRaw();
}

void SuspendTerminal() { std::raise(SIGTSTP); }

std::size_t ReadKeyBytes(char *buffer, std::size_t size) {
    const ssize_t got = read(STDIN_FILENO, buffer, size);
    if (got == 0) keyboard_closed = true;
    if (got < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) keyboard_closed = true;
    return got > 0 ? static_cast<std::size_t>(got) : 0;
}

bool WaitForKey(int milliseconds) {
    pollfd watch{STDIN_FILENO, POLLIN, 0};
    return poll(&watch, 1, milliseconds) > 0;
}

void WaitForKeyOrPort(PortStructure *port, int milliseconds) {
    // The keyboard joins the port's own wait only for this wait: a key left
    // unread would otherwise keep every other wait of the library awake.
    AddPortEventSource(STDIN_FILENO, [](void *) { return -1; }, nullptr, -1);
    WaitForPortEvent(port, milliseconds);
    RemovePortEventSource(STDIN_FILENO);
}

void WriteScreen(std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t done = write(STDOUT_FILENO, bytes.data(), bytes.size());
        if (done > 0) {
            bytes.remove_prefix(static_cast<std::size_t>(done));
        } else if (done < 0 && (errno == EAGAIN || errno == EINTR)) {
            pollfd watch{STDOUT_FILENO, POLLOUT, 0};
            poll(&watch, 1, 100);
        } else {
            return;  // the screen is gone; nothing more to show
        }
    }
}

bool KeyboardClosed() { return keyboard_closed; }

}  // namespace portkit::tool
