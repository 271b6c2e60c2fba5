#include "platform/posix/console/console_terminal_guard.h"

#include <poll.h>
#include <pthread.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>

#include "platform/posix/console/console_vt_codes.h"

namespace portkit::posix {

namespace {

// Plain data only: the signal handlers read it.
struct GuardedTerminal {
    volatile sig_atomic_t in_use;
    int fd;
    bool has_settings;  // original holds what the terminal had
    bool has_applied;   // applied holds what the layer last set
    bool drawn_on;      // gets the restore sequence
    termios original;
    termios applied;
};

constexpr int kMaxTerminals = 8;
GuardedTerminal g_terminals[kMaxTerminals];

volatile sig_atomic_t g_resize_requested = 0;
volatile sig_atomic_t g_repaint_requested = 0;

struct ChainedSignal {
    int number;
    struct sigaction previous;
};

ChainedSignal g_signals[] = {{SIGINT, {}}, {SIGTERM, {}}, {SIGHUP, {}}, {SIGTSTP, {}}, {SIGCONT, {}}, {SIGWINCH, {}}};
bool g_handlers_installed = false;

// Keeps the handlers out while the table changes.
class SignalBlock {
public:
    SignalBlock() {
        sigset_t blocked;
        sigemptyset(&blocked);
        for (const ChainedSignal &chained : g_signals) sigaddset(&blocked, chained.number);
        pthread_sigmask(SIG_BLOCK, &blocked, &saved_);
    }
    ~SignalBlock() { pthread_sigmask(SIG_SETMASK, &saved_, nullptr); }
    SignalBlock(const SignalBlock &) = delete;
    SignalBlock &operator=(const SignalBlock &) = delete;

private:
    sigset_t saved_;
};

constexpr int kRestoreWaitMs = 100;

// Only into a terminal that takes output: exiting must not hang on one
// nobody reads (a pty whose master is idle). A terminal that polls writable
// has room for far more than the sequence.
void WriteRestoreSequence(int fd) {
    const char *next = kRestoreSequence;
    std::size_t left = sizeof kRestoreSequence - 1;
    while (left > 0) {
        pollfd writable{fd, POLLOUT, 0};
        if (poll(&writable, 1, kRestoreWaitMs) != 1 || (writable.revents & POLLOUT) == 0) return;
        const ssize_t n = write(fd, next, left);
        if (n > 0) {
            next += n;
            left -= static_cast<std::size_t>(n);
        } else if (n < 0 && errno != EINTR) {
            return;  // gone, or full: nothing to wait for here
        }
    }
}

void Restore(const GuardedTerminal &terminal) {
    if (terminal.has_settings) tcsetattr(terminal.fd, TCSANOW, &terminal.original);
    if (terminal.drawn_on) WriteRestoreSequence(terminal.fd);
}

void RestoreTerminals() {
    for (const GuardedTerminal &terminal : g_terminals) {
        if (terminal.in_use != 0) Restore(terminal);
    }
}

void ApplyAgain() {
    for (const GuardedTerminal &terminal : g_terminals) {
        if (terminal.in_use != 0 && terminal.has_applied) tcsetattr(terminal.fd, TCSANOW, &terminal.applied);
    }
    g_repaint_requested = 1;
}

const struct sigaction &PreviousAction(int number) {
    for (const ChainedSignal &chained : g_signals) {
        if (chained.number == number) return chained.previous;
    }
    return g_signals[0].previous;  // not reached: only these signals come here
}

bool IsApplicationHandler(const struct sigaction &action) {
    if ((action.sa_flags & SA_SIGINFO) != 0) return action.sa_sigaction != nullptr;
    return action.sa_handler != SIG_DFL && action.sa_handler != SIG_IGN;
}

bool IsIgnored(const struct sigaction &action) {
    return (action.sa_flags & SA_SIGINFO) == 0 && action.sa_handler == SIG_IGN;
}

void OnSignal(int number, siginfo_t *info, void *context);

void InstallHandler(int number) {
    const struct sigaction &previous = PreviousAction(number);
    struct sigaction action {};
    action.sa_sigaction = OnSignal;
    // Over an application's handler, its choices about interrupted calls
    // and blocked signals stay as they were.
    const bool chained = IsApplicationHandler(previous);
    action.sa_flags = SA_SIGINFO | (chained ? (previous.sa_flags & SA_RESTART) : SA_RESTART);
    if (chained)
        action.sa_mask = previous.sa_mask;
    else
        sigemptyset(&action.sa_mask);
    sigaction(number, &action, nullptr);
}

// Lets the signal do what it does by default (end or stop the process).
void TakeDefaultAction(int number) {
    struct sigaction fallback {};
    fallback.sa_handler = SIG_DFL;
    sigemptyset(&fallback.sa_mask);
    sigaction(number, &fallback, nullptr);
    sigset_t unblocked;
    sigemptyset(&unblocked);
    sigaddset(&unblocked, number);
    pthread_sigmask(SIG_UNBLOCK, &unblocked, nullptr);
    raise(number);
}

void OnSignal(int number, siginfo_t *info, void *context) {
    const int saved_errno = errno;
    const struct sigaction &previous = PreviousAction(number);
    const bool chained = IsApplicationHandler(previous);
    switch (number) {
        case SIGWINCH:
            g_resize_requested = 1;
            break;
        case SIGCONT:
            ApplyAgain();
            break;
        case SIGTSTP:
            if (chained) break;
            RestoreTerminals();
            TakeDefaultAction(SIGTSTP);  // stopped here until SIGCONT
            InstallHandler(SIGTSTP);
            ApplyAgain();  // also when the stop did not happen (an orphaned process group)
            break;
        default:  // SIGINT, SIGTERM, SIGHUP
            if (chained) break;
            RestoreTerminals();
            TakeDefaultAction(number);
            break;
    }
    if (chained) {
        if ((previous.sa_flags & SA_SIGINFO) != 0)
            previous.sa_sigaction(number, info, context);
        else
            previous.sa_handler(number);
    }
    errno = saved_errno;
}

void InstallHandlers() {
    if (g_handlers_installed) return;
    g_handlers_installed = true;
    for (ChainedSignal &chained : g_signals) {
        sigaction(chained.number, nullptr, &chained.previous);
        // An ignored interrupt, hangup or stop stays ignored (nohup, a
        // background job); resizes and continuing still matter.
        const bool keeps_going = chained.number == SIGWINCH || chained.number == SIGCONT;
        if (IsIgnored(chained.previous) && !keeps_going) continue;
        InstallHandler(chained.number);
    }
    std::atexit(RestoreTerminals);
}

GuardedTerminal *Find(int fd) {
    for (GuardedTerminal &terminal : g_terminals) {
        if (terminal.in_use != 0 && terminal.fd == fd) return &terminal;
    }
    return nullptr;
}

GuardedTerminal *FindOrAdd(int fd) {
    if (GuardedTerminal *found = Find(fd)) return found;
    InstallHandlers();
    for (GuardedTerminal &terminal : g_terminals) {
        if (terminal.in_use != 0) continue;
        SignalBlock block;
        terminal.fd = fd;
        terminal.has_settings = terminal.has_applied = terminal.drawn_on = false;
        terminal.in_use = 1;
        return &terminal;
    }
    return nullptr;
}

}  // namespace

bool OriginalTerminalSettings(int fd, termios *original) {
    termios current{};
    if (tcgetattr(fd, &current) != 0) return false;
    GuardedTerminal *terminal = FindOrAdd(fd);
    if (terminal == nullptr) return false;
    if (!terminal->has_settings) {
        SignalBlock block;
        terminal->original = current;
        terminal->has_settings = true;
    }
    *original = terminal->original;
    return true;
}

bool ApplyTerminalSettings(int fd, const termios &settings) {
    GuardedTerminal *terminal = Find(fd);
    if (terminal == nullptr || !terminal->has_settings) return false;
    {
        SignalBlock block;
        terminal->applied = settings;
        terminal->has_applied = true;
    }
    return tcsetattr(fd, TCSANOW, &settings) == 0;
}

void GuardTerminalOutput(int fd) {
    if (GuardedTerminal *terminal = FindOrAdd(fd)) terminal->drawn_on = true;
}

void ReleaseTerminal(int fd) {
    GuardedTerminal *terminal = Find(fd);
    if (terminal == nullptr) return;
    SignalBlock block;
    Restore(*terminal);
    terminal->in_use = 0;
}

bool TakeResizeRequest() {
    if (g_resize_requested == 0) return false;
    g_resize_requested = 0;
    return true;
}

bool TakeRepaintRequest() {
    if (g_repaint_requested == 0) return false;
    g_repaint_requested = 0;
    return true;
}

}  // namespace portkit::posix
