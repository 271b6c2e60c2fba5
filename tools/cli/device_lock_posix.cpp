#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>

#include "tools/cli/device_lock.h"
#include "tools/cli/lock_file.h"
#include "tools/cli/port_device.h"

namespace portkit::tool {
namespace {

// Plain data: the signal handlers read it.
struct HeldLock {
    bool used = false;
    volatile std::sig_atomic_t file_made = 0;  // the lock file is ours and still there
    char path[PATH_MAX] = {};
    char port_name[PATH_MAX] = {};  // as --port gave it: the device may be gone by the close
    PortStructure *port = nullptr;
    int (*close)(PortStructure *port) = nullptr;
};
HeldLock held[4];

constexpr int kRemovingSignals[] = {SIGHUP, SIGINT, SIGTERM};
struct sigaction previous_actions[std::size(kRemovingSignals)];

// The ports stay open (the library closes them at exit), their lock files go.
void RemoveHeldLocks() {
    for (HeldLock &lock : held) {
        if (lock.used && lock.file_made != 0) unlink(lock.path);
        lock.file_made = 0;
    }
}

// Passes the signal to a handler of the form it was installed with.
void CallHandler(const struct sigaction &action, int signal_number) {
    if ((action.sa_flags & SA_SIGINFO) == 0) {
        action.sa_handler(signal_number);
        return;
    }
    siginfo_t info{};
    info.si_signo = signal_number;
    action.sa_sigaction(signal_number, &info, nullptr);
}

// The user's terminal as it was when the first lock was taken. A console
// drawn on since may have set a handler over ours that leaves the ending,
// and so putting the terminal back, to the handler beneath it: to us.
struct UserTerminal {
    bool saved = false;
    termios settings{};
    bool shows_output = false;
};
UserTerminal user_terminal;

// Only async-signal-safe calls.
void PutUserTerminalBack() {
    static constexpr char kPlainOutput[] = "\x1b[0m\x1b[?7h\x1b[?25h";  // plain colours, line wrap, cursor
    if (!user_terminal.saved) return;
    tcsetattr(STDIN_FILENO, TCSANOW, &user_terminal.settings);
    if (user_terminal.shows_output) {
        const ssize_t written = write(STDOUT_FILENO, kPlainOutput, sizeof kPlainOutput - 1);
        static_cast<void>(written);  // nothing more to do about a screen that is gone
    }
}

// A signal that ends the program takes the locks with it; one a handler
// before ours only notes (Ctrl-C in a transfer) leaves them for the close.
void RemoveAndPassOn(int signal_number) {
    for (std::size_t i = 0; i < std::size(kRemovingSignals); ++i) {
        if (kRemovingSignals[i] != signal_number) continue;
        const struct sigaction &previous = previous_actions[i];
        if ((previous.sa_flags & SA_SIGINFO) != 0 || previous.sa_handler != SIG_DFL) {
            if ((previous.sa_flags & SA_SIGINFO) != 0 || previous.sa_handler != SIG_IGN) {
                CallHandler(previous, signal_number);
            }
            return;
        }
        RemoveHeldLocks();
        PutUserTerminalBack();
        sigaction(signal_number, &previous, nullptr);
        std::raise(signal_number);  // delivered once this handler returns
    }
}

void RemoveOnExitAndSignals() {
    static bool installed = false;
    if (installed) return;
    installed = true;
    std::atexit(RemoveHeldLocks);
    user_terminal.saved = isatty(STDIN_FILENO) == 1 && tcgetattr(STDIN_FILENO, &user_terminal.settings) == 0;
    user_terminal.shows_output = isatty(STDOUT_FILENO) == 1;
    for (std::size_t i = 0; i < std::size(kRemovingSignals); ++i) {
        sigaction(kRemovingSignals[i], nullptr, &previous_actions[i]);
        if (previous_actions[i].sa_handler == SIG_IGN) continue;  // nohup: stays ignored
        struct sigaction action {};
        action.sa_handler = RemoveAndPassOn;
        sigemptyset(&action.sa_mask);
        sigaction(kRemovingSignals[i], &action, nullptr);
    }
}

std::string LockDirectory() {
    if (const char *chosen = std::getenv("PORTKIT_LOCK_DIR"); chosen != nullptr && *chosen != '\0') return chosen;
    struct stat status {};
    return stat("/run/lock", &status) == 0 && S_ISDIR(status.st_mode) ? "/run/lock" : "/var/lock";
}

// The lock file for the device, or "" for what takes none: a file, a
// descriptor, the simulated cable, a device that is not there.
std::string LockPathFor(const std::string &port_name) {
    char device[PATH_MAX];
    struct stat status {};
    if (realpath(DevicePathFor(port_name).c_str(), device) == nullptr || stat(device, &status) != 0 ||
        !S_ISCHR(status.st_mode)) {
        return "";
    }
    return LockDirectory() + "/" + LockFileName(device);
}

std::string ProgramName(long pid) {
    std::ifstream comm("/proc/" + std::to_string(pid) + "/comm");
    std::string name;
    if (!std::getline(comm, name) || name.empty()) return "another program";
    return name;
}

HeldLock *Find(const std::string &port_name) {
    for (HeldLock &lock : held) {
        if (lock.used && port_name == lock.port_name) return &lock;
    }
    return nullptr;
}

bool Remember(const std::string &path, const std::string &port_name) {
    for (HeldLock &lock : held) {
        if (lock.used || path.size() >= sizeof lock.path || port_name.size() >= sizeof lock.port_name) continue;
        lock = HeldLock{};
        std::memcpy(lock.path, path.c_str(), path.size() + 1);
        std::memcpy(lock.port_name, port_name.c_str(), port_name.size() + 1);
        lock.used = true;
        lock.file_made = 1;
        RemoveOnExitAndSignals();
        return true;
    }
    return false;
}

enum class Made { kMade, kExists, kCannot };

Made MakeLockFile(const std::string &path) {
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
    if (fd < 0) return errno == EEXIST ? Made::kExists : Made::kCannot;
    const std::string text = LockFileText(getpid());
    const bool written = write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    if (close(fd) != 0 || !written) {
        unlink(path.c_str());
        return Made::kCannot;
    }
    return Made::kMade;
}

// The live program other than us that the lock file names, or 0.
long LiveOwner(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto pid = LockFileOwner(text);
    if (!pid || *pid == getpid()) return 0;
    return kill(static_cast<pid_t>(*pid), 0) == 0 || errno == EPERM ? *pid : 0;
}

void Forget(HeldLock &lock) {
    if (lock.file_made != 0) unlink(lock.path);
    lock.file_made = 0;
    lock.used = false;
}

int ClosePortAndLock(PortStructure *port) {
    for (HeldLock &lock : held) {
        if (!lock.used || lock.port != port) continue;
        const int result = lock.close(port);
        Forget(lock);
        return result;
    }
    return 0;  // not reached: the slot is ours only while a lock is held
}

}  // namespace

bool LockDevice(const std::string &command, const std::string &port_name, bool verbose) {
    const std::string path = LockPathFor(port_name);
    if (path.empty() || Find(port_name) != nullptr) return true;
    // A stale lock is removed and made again; twice covers a race with
    // another program doing the same.
    for (int attempt = 0; attempt < 3; ++attempt) {
        const Made made = MakeLockFile(path);
        if (made == Made::kMade) {
            if (!Remember(path, port_name)) unlink(path.c_str());
            return true;
        }
        if (made == Made::kCannot) {
            if (verbose) {
                std::fprintf(stderr, "portkit %s: no lock file %s: %s\n", command.c_str(), path.c_str(),
                             std::strerror(errno));
            }
            return true;
        }
        if (const long owner = LiveOwner(path); owner != 0) {
            std::fprintf(stderr, "portkit %s: %s is in use by %s (pid %ld)\n", command.c_str(),
                         DevicePathFor(port_name).c_str(), ProgramName(owner).c_str(), owner);
            return false;
        }
        unlink(path.c_str());
    }
    return true;  // another program keeps making it and going: not ours to fight over
}

void ReleaseLockOnClose(PortStructure *port, const std::string &port_name) {
    HeldLock *lock = Find(port_name);
    if (lock == nullptr || port == nullptr) return;
    lock->port = port;
    lock->close = port->functions.PortClose;
    port->functions.PortClose = ClosePortAndLock;
}

void ReleaseDeviceLock(const std::string &port_name) {
    if (HeldLock *lock = Find(port_name)) Forget(*lock);
}

}  // namespace portkit::tool
