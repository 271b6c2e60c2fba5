// Kermit of a 2 MB random file: ours against C-Kermit, each pairing timed
// against kermit->kermit in the same run. C-Kermit will not take the master
// side of a pty as its line, so every pairing runs over two ptys that socat
// joins. Both sides use 94-byte packets, window 1, no streaming and the
// one-byte checksum, which are our engine's only settings.
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "portkit/portkit.h"
#include "transfer_bench.h"

namespace {

namespace fs = std::filesystem;
constexpr std::size_t kFileSize = 2u << 20;
constexpr int kRounds = 3;
// C-Kermit takes these from an initialisation file only; on its command line
// (-C) they are overridden by the action.
constexpr char kSettingsFile[] =
    "set streaming off\nset window 1\nset block-check 1\n"
    "set receive packet-length 94\nset send packet-length 94\n";

pid_t Spawn(const std::string &command, const fs::path &directory) {
    const pid_t pid = fork();
    if (pid == 0) {
        if (chdir(directory.c_str()) != 0) _exit(126);
        execl("/bin/sh", "sh", "-c", ("exec " + command + " >/dev/null 2>&1").c_str(), static_cast<char *>(nullptr));
        _exit(127);
    }
    return pid;
}

bool WaitFor(pid_t pid) {
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Two ptys joined by socat, at `root`/a and `root`/b.
struct Line {
    fs::path a, b;
    pid_t relay;
    explicit Line(const fs::path &root) : a(root / "a"), b(root / "b") {
        fs::remove(a);
        fs::remove(b);
        relay = Spawn("socat pty,raw,echo=0,link=" + a.string() + " pty,raw,echo=0,link=" + b.string(), root);
        for (int i = 0; i < 200 && !(fs::exists(a) && fs::exists(b)); ++i) usleep(10000);
    }
    ~Line() {
        kill(relay, SIGTERM);
        waitpid(relay, nullptr, 0);
    }
};

PortStructure *OpenPath(int port_number, const fs::path &path) {
    setenv(("PORTKIT_COM" + std::to_string(port_number + 1)).c_str(), path.c_str(), 1);
    return PortOpenMSWin32(port_number, 115200, 'N', 8, 1);
}

int Send(PortStructure *port, const char *file) { return KermitSendWithOptions(port, file, nullptr, nullptr, 0); }
int Receive(PortStructure *port) { return KermitReceiveWithOptions(port, nullptr, nullptr, 0); }

struct Bench : portkit::bench::BenchDirectories {
    std::string settings;  // C-Kermit's options
    Bench() : BenchDirectories(kFileSize) {
        std::ofstream(root / "settings.ksc") << kSettingsFile;
        settings = "-y " + (root / "settings.ksc").string() + " -q -b 115200 -i -P";
    }
    // Seconds for one run with our receiving directory current; -1 when the
    // file did not arrive intact.
    double Time(const std::function<bool(const Line &)> &run) {
        fs::remove(target);
        Line line(root);
        const fs::path previous = fs::current_path();
        fs::current_path(root / "recv");
        const double start = portkit::bench::Now();
        const bool ok = run(line);
        const double elapsed = portkit::bench::Now() - start;
        fs::current_path(previous);
        return ok && TargetIntact() ? elapsed : -1;
    }
    double Best(const std::function<bool(const Line &)> &run) {
        double best = -1;
        for (int round = 0; round < kRounds; ++round) {
            const double t = Time(run);
            if (t > 0 && (best < 0 || t < best)) best = t;
        }
        return best;
    }
};

}  // namespace

int main() {
    Bench bench;
    const auto peer_to_peer = [&](const Line &line) {
        const pid_t receiver = Spawn("kermit -l " + line.b.string() + " " + bench.settings + " -r", bench.root / "recv");
        const pid_t sender = Spawn("kermit -l " + line.a.string() + " " + bench.settings + " -s random.bin", bench.root / "send");
        return WaitFor(sender) & WaitFor(receiver);
    };
    const auto ours_to_peer = [&](const Line &line) {
        const pid_t receiver = Spawn("kermit -l " + line.b.string() + " " + bench.settings + " -r", bench.root / "recv");
        PortStructure *port = OpenPath(70, line.a);
        const int sent = Send(port, bench.source.c_str());
        const bool ok = WaitFor(receiver) && sent == 1;
        PWPortClose(port);
        return ok;
    };
    const auto peer_to_ours = [&](const Line &line) {
        PortStructure *port = OpenPath(70, line.b);
        const pid_t sender = Spawn("kermit -l " + line.a.string() + " " + bench.settings + " -s random.bin", bench.root / "send");
        const int received = Receive(port);
        const bool ok = WaitFor(sender) && received == 1;
        PWPortClose(port);
        return ok;
    };
    const auto ours_to_ours = [&](const Line &line) {
        PortStructure *sender_port = OpenPath(70, line.a);
        PortStructure *receiver_port = OpenPath(71, line.b);
        int sent = 0;
        std::thread sender([&] { sent = Send(sender_port, bench.source.c_str()); });
        const int received = Receive(receiver_port);
        sender.join();
        PWPortClose(sender_port);
        PWPortClose(receiver_port);
        return sent == 1 && received == 1;
    };
    const double baseline = bench.Best(peer_to_peer);
    if (baseline < 0) {
        std::printf("kermit 2 MB   kermit->kermit FAILED\n");
        return 1;
    }
    const double kb = kFileSize / 1024.0;
    std::printf("kermit 2 MB   %-16s %6.2f s  %8.1f KB/s\n", "kermit->kermit", baseline, kb / baseline);
    const std::pair<const char *, std::function<bool(const Line &)>> runs[] = {
        {"ours->kermit", ours_to_peer}, {"kermit->ours", peer_to_ours}, {"ours->ours", ours_to_ours}};
    int failures = 0;
    for (const auto &[name, run] : runs) {
        const double t = bench.Best(run);
        if (t < 0) {
            std::printf("kermit 2 MB   %-16s FAILED\n", name);
            ++failures;
            continue;
        }
        std::printf("kermit 2 MB   %-16s %6.2f s  %8.1f KB/s  ratio %.2fx  goal >= 1.0x  %s\n", name, t, kb / t,
                    baseline / t, baseline / t >= 1.0 ? "met" : "NOT MET");
    }
    return failures == 0 ? 0 : 1;
}
