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
#include <vector>

#include "tools/cli/device_lock.h"
#include "tools/cli/lock_file.h"
#include "tools/cli/port_device.h"

namespace portkit::tool {
namespace {

// A device has a lock file under its own name, and one under the name of
// the link in /dev it was opened by (/dev/serial/by-id/..., a udev rule's
// name), which is where minicom and picocom look when given that link.
// Links elsewhere (socat's, in any directory) have no name of the system's
// to lock: two of them called "a" are different lines.
constexpr std::size_t kMaxLockNames = 2;

// Plain data: the signal handlers read it.
struct HeldLock {
    bool used = false;
    volatile std::sig_atomic_t file_made = 0;  // the lock files are ours and still there
    char paths[kMaxLockNames][PATH_MAX] = {};
    std::size_t path_count = 0;
    char port_name[PATH_MAX] = {};  // as --port gave it: the device may be gone by the close
    PortStructure *port = nullptr;
    int (*close)(PortStructure *port) = nullptr;
};
HeldLock held[4];

constexpr int kRemovingSignals[] = {SIGHUP, SIGINT, SIGTERM};
struct sigaction previous_actions[std::size(kRemovingSignals)];

// Only async-signal-safe calls.
void RemoveLockFiles(HeldLock &lock) {
    if (lock.file_made != 0) {
        for (std::size_t i = 0; i < lock.path_count; ++i) unlink(lock.paths[i]);
    }
    lock.file_made = 0;
}

// The ports stay open (the library closes them at exit), their lock files go.
void RemoveHeldLocks() {
    for (HeldLock &lock : held) {
        if (lock.used) RemoveLockFiles(lock);
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

// The lock files for the device: its own name's, then the name's it was
// given by if that is a link in /dev of another name. None for what takes no lock:
// a file, a descriptor, the simulated cable, a device that is not there.
std::vector<std::string> LockPathsFor(const std::string &port_name) {
    const std::string given = DevicePathFor(port_name);
    char device[PATH_MAX];
    struct stat status {};
    if (realpath(given.c_str(), device) == nullptr || stat(device, &status) != 0 || !S_ISCHR(status.st_mode)) {
        return {};
    }
    const std::string directory = LockDirectory() + "/";
    std::vector<std::string> paths = {directory + LockFileName(device)};
    if (given.starts_with("/dev/") && LockFileName(given) != LockFileName(device)) {
        paths.push_back(directory + LockFileName(given));
    }
    return paths;
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

bool Remember(const std::vector<std::string> &paths, const std::string &port_name) {
    for (HeldLock &lock : held) {
        if (lock.used || port_name.size() >= sizeof lock.port_name) continue;
        lock = HeldLock{};
        for (const std::string &path : paths) {
            if (path.size() >= sizeof lock.paths[0] || lock.path_count == kMaxLockNames) return false;
            std::memcpy(lock.paths[lock.path_count++], path.c_str(), path.size() + 1);
        }
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
    RemoveLockFiles(lock);
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

namespace {

enum class Taken { kTaken, kNone, kInUse };

// One lock file: made, or none to be made here, or a live program's.
Taken TakeLockFile(const std::string &command, const std::string &port_name, const std::string &path, bool verbose) {
    // A stale lock is removed and made again; twice covers a race with
    // another program doing the same.
    for (int attempt = 0; attempt < 3; ++attempt) {
        const Made made = MakeLockFile(path);
        if (made == Made::kMade) return Taken::kTaken;
        if (made == Made::kCannot) {
            if (verbose) {
                std::fprintf(stderr, "portkit %s: no lock file %s: %s\n", command.c_str(), path.c_str(),
                             std::strerror(errno));
            }
            return Taken::kNone;
        }
        if (const long owner = LiveOwner(path); owner != 0) {
            std::fprintf(stderr, "portkit %s: %s is in use by %s (pid %ld)\n", command.c_str(),
                         DevicePathFor(port_name).c_str(), ProgramName(owner).c_str(), owner);
            return Taken::kInUse;
        }
        unlink(path.c_str());
    }
    return Taken::kNone;  // another program keeps making it and going: not ours to fight over
}

}  // namespace

bool LockDevice(const std::string &command, const std::string &port_name, bool verbose) {
    if (Find(port_name) != nullptr) return true;
    std::vector<std::string> made;
    for (const std::string &path : LockPathsFor(port_name)) {
        const Taken taken = TakeLockFile(command, port_name, path, verbose);
        if (taken == Taken::kInUse) {
            for (const std::string &ours : made) unlink(ours.c_str());
            return false;
        }
        if (taken == Taken::kTaken) made.push_back(path);
    }
    if (!made.empty() && !Remember(made, port_name)) {
        for (const std::string &ours : made) unlink(ours.c_str());
    }
    return true;
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
