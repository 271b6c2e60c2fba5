// YMODEM of a 2 MB random file over a pty pair: ours against lrzsz's sb and
// rb, each timed against sb→rb measured in the same run.
#include <fcntl.h>
#include <pty.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "portkit/portkit.h"

namespace {

namespace fs = std::filesystem;
constexpr std::size_t kFileSize = 2u << 20;
constexpr int kRounds = 2;

double Now() { return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count(); }

struct Pty {
    int master = -1;
    int slave = -1;
    Pty() {
        openpty(&master, &slave, nullptr, nullptr, nullptr);
        for (int fd : {master, slave}) {
            termios tio{};
            tcgetattr(fd, &tio);
            cfmakeraw(&tio);
            tcsetattr(fd, TCSANOW, &tio);
        }
    }
    ~Pty() {
        close(master);
        close(slave);
    }
};

// Runs `command` in `directory` with `fd` as its standard input and output.
pid_t Spawn(const std::string &command, int fd, const fs::path &directory) {
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(fd, 0);
        dup2(fd, 1);
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, 2);
        for (int other = 3; other < 256; ++other) close(other);
        if (chdir(directory.c_str()) != 0) _exit(126);
        execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char *>(nullptr));
        _exit(127);
    }
    return pid;
}

bool WaitFor(pid_t pid) {
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

PortStructure *OpenFd(int port_number, int fd) {
    setenv(("PORTKIT_COM" + std::to_string(port_number + 1)).c_str(), ("fd:" + std::to_string(fd)).c_str(), 1);
    return PortOpenMSWin32(port_number, 115200, 'N', 8, 1);
}

bool SameFile(const fs::path &a, const fs::path &b) {
    std::ifstream fa(a, std::ios::binary), fb(b, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(fa), {}) == std::string(std::istreambuf_iterator<char>(fb), {});
}

struct Setup {
    fs::path root;
    fs::path source;
    fs::path target;
    Setup() {
        char pattern[] = "/tmp/portkit-bench-XXXXXX";
        root = mkdtemp(pattern);
        fs::create_directory(root / "send");
        fs::create_directory(root / "recv");
        source = root / "send" / "random.bin";
        target = root / "recv" / "random.bin";
        std::mt19937 generator(7);
        std::string data(kFileSize, '\0');
        for (char &c : data) c = static_cast<char>(generator());
        std::ofstream(source, std::ios::binary).write(data.data(), static_cast<std::streamsize>(data.size()));
    }
    ~Setup() { fs::remove_all(root); }
    void Clear() { fs::remove(target); }
};

double PeerToPeer(Setup &setup) {
    setup.Clear();
    Pty pty;
    const double start = Now();
    const pid_t receiver = Spawn("exec rb -q -y", pty.master, setup.root / "recv");
    const pid_t sender = Spawn("exec sb -q random.bin", pty.slave, setup.root / "send");
    const bool ok = WaitFor(sender) & WaitFor(receiver);
    const double elapsed = Now() - start;
    return ok && SameFile(setup.source, setup.target) ? elapsed : -1;
}

double OursToRb(Setup &setup) {
    setup.Clear();
    Pty pty;
    PortStructure *port = OpenFd(60, pty.master);
    const double start = Now();
    const pid_t receiver = Spawn("exec rb -q -y", pty.slave, setup.root / "recv");
    const int sent = YmodemSendWithOptions(port, setup.source.c_str(), nullptr, nullptr, 0);
    const bool ok = WaitFor(receiver) && sent == 1;
    const double elapsed = Now() - start;
    PWPortClose(port);
    return ok && SameFile(setup.source, setup.target) ? elapsed : -1;
}

double SbToOurs(Setup &setup) {
    setup.Clear();
    Pty pty;
    PortStructure *port = OpenFd(60, pty.master);
    const fs::path previous = fs::current_path();
    fs::current_path(setup.root / "recv");
    const double start = Now();
    const pid_t sender = Spawn("exec sb -q random.bin", pty.slave, setup.root / "send");
    const int received = YmodemReceiveWithOptions(port, nullptr, nullptr, 0);
    const bool ok = WaitFor(sender) && received == 1;
    const double elapsed = Now() - start;
    fs::current_path(previous);
    PWPortClose(port);
    return ok && SameFile(setup.source, setup.target) ? elapsed : -1;
}

double OursToOurs(Setup &setup) {
    setup.Clear();
    Pty pty;
    PortStructure *sender_port = OpenFd(60, pty.slave);
    PortStructure *receiver_port = OpenFd(61, pty.master);
    const fs::path previous = fs::current_path();
    fs::current_path(setup.root / "recv");
    const double start = Now();
    int sent = 0;
    std::thread sender([&] { sent = YmodemSendWithOptions(sender_port, setup.source.c_str(), nullptr, nullptr, 0); });
    const int received = YmodemReceiveWithOptions(receiver_port, nullptr, nullptr, 0);
    sender.join();
    const double elapsed = Now() - start;
    fs::current_path(previous);
    PWPortClose(sender_port);
    PWPortClose(receiver_port);
    return sent == 1 && received == 1 && SameFile(setup.source, setup.target) ? elapsed : -1;
}

template <typename Run>
double Best(Run run, Setup &setup) {
    double best = -1;
    for (int round = 0; round < kRounds; ++round) {
        const double t = run(setup);
        if (t > 0 && (best < 0 || t < best)) best = t;
    }
    return best;
}

}  // namespace

int main() {
    Setup setup;
    const double baseline = Best(PeerToPeer, setup);
    std::printf("ymodem 2 MB   sb->rb       %6.2f s  %7.1f KB/s\n", baseline, kFileSize / 1024.0 / baseline);
    const std::pair<const char *, double (*)(Setup &)> runs[] = {
        {"ours->rb", OursToRb}, {"sb->ours", SbToOurs}, {"ours->ours", OursToOurs}};
    for (const auto &[name, run] : runs) {
        const double t = Best(run, setup);
        if (t < 0) {
            std::printf("ymodem 2 MB   %-12s FAILED\n", name);
            continue;
        }
        std::printf("ymodem 2 MB   %-12s %6.2f s  %7.1f KB/s  ratio %.2fx  goal >= 1.0x  %s\n", name, t,
                    kFileSize / 1024.0 / t, baseline / t, baseline / t >= 1.0 ? "met" : "NOT MET");
    }
    return 0;
}
