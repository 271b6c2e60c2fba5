// portkit_hayes_sim: a simulated Hayes modem on a fresh pty pair, for shell
// tests of the command-line tool. Prints the slave's path and a newline,
// then serves the modem on the master until SIGTERM or SIGINT, or until its
// standard input reaches end of file. When the host closes the line the
// modem hangs up, as real modems do when DTR drops.
//
//   portkit_hayes_sim [--dial-delay MS] [--result NUMBER=TEXT]... [--ring-on-start N]
//
// TEXT is CONNECT, "NO CARRIER", BUSY, "NO DIALTONE" or NONE (no answer at
// all); other numbers connect, with "CONNECT 9600". --ring-on-start sends N
// rings a second apart once the host has first sent something.
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <exception>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "support/hayes_modem.h"

namespace {

using portkit::test::HayesModem;
using Clock = std::chrono::steady_clock;

volatile sig_atomic_t stop_requested = 0;
void RequestStop(int) { stop_requested = 1; }

struct SimOptions {
    int dial_delay_ms = 300;
    std::vector<std::pair<std::string, HayesModem::DialOutcome>> results;
    int rings_on_start = 0;
};

bool ParseCount(const char *text, int *value) {
    const char *end = text + std::strlen(text);
    const auto [stop, error] = std::from_chars(text, end, *value);
    return error == std::errc() && stop == end && *end == '\0' && *value >= 0 && stop != text;
}

// An empty problem is a request for help.
int Usage(const char *problem) {
    if (*problem != '\0') std::fprintf(stderr, "portkit_hayes_sim: %s\n", problem);
    std::fprintf(*problem != '\0' ? stderr : stdout,
                 "usage: portkit_hayes_sim [--dial-delay MS] [--result NUMBER=TEXT]... [--ring-on-start N]\n"
                 "TEXT: CONNECT, \"NO CARRIER\", BUSY, \"NO DIALTONE\" or NONE\n");
    return *problem != '\0' ? 2 : 0;
}

// Argument errors give their message, --help an empty one; null when all is well.
const char *ParseArguments(int argc, char **argv, SimOptions *options) {
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (option == "--help") return "";
        if (i + 1 >= argc) return "every option takes a value";
        const char *value = argv[++i];
        if (option == "--dial-delay") {
            if (!ParseCount(value, &options->dial_delay_ms)) return "--dial-delay takes milliseconds";
        } else if (option == "--ring-on-start") {
            if (!ParseCount(value, &options->rings_on_start)) return "--ring-on-start takes a count";
        } else if (option == "--result") {
            const std::string text = value;
            const std::size_t equals = text.find('=');
            HayesModem::DialOutcome outcome{};
            if (equals == std::string::npos || equals == 0 ||
                !portkit::test::ParseDialOutcome(text.substr(equals + 1), &outcome)) {
                return "--result takes NUMBER=TEXT";
            }
            options->results.emplace_back(text.substr(0, equals), outcome);
        } else {
            return "unknown option";
        }
    }
    return nullptr;
}

// False once standard input has reached end of file (or failed).
bool InputStillOpen(int wait_ms) {
    pollfd fd{STDIN_FILENO, POLLIN, 0};
    if (poll(&fd, 1, wait_ms) <= 0) return true;
    char discard[256];
    const ssize_t n = read(STDIN_FILENO, discard, sizeof discard);
    return n > 0 || (n < 0 && (errno == EINTR || errno == EAGAIN));
}

// A pty pair whose slave we do not keep open, so that the master sees the
// host close the line.
struct Pty {
    Pty() {
        int slave = -1;
        char name[128] = {};
        if (openpty(&master, &slave, name, nullptr, nullptr) != 0) throw std::runtime_error("openpty failed");
        termios tio{};
        tcgetattr(slave, &tio);
        cfmakeraw(&tio);
        tcsetattr(slave, TCSANOW, &tio);
        close(slave);
        slave_path = name;
    }
    ~Pty() { close(master); }
    Pty(const Pty &) = delete;
    Pty &operator=(const Pty &) = delete;

    int master = -1;
    std::string slave_path;
};

int Serve(const SimOptions &options) {
    const Pty pty;
    portkit::test::HayesOptions engine;
    engine.dial_delay = std::chrono::milliseconds(options.dial_delay_ms);
    engine.connect_text = "CONNECT 9600";
    HayesModem modem(pty.master, engine);
    for (const auto &[number, outcome] : options.results) modem.SetDialOutcome(number, outcome);

    std::printf("%s\n", pty.slave_path.c_str());
    std::fflush(stdout);

    int rings_left = options.rings_on_start;
    Clock::time_point next_ring{};
    bool heard = false;
    while (!stop_requested && InputStillOpen(50)) {
        if (rings_left == 0) continue;
        if (!heard && !modem.Transcript().empty()) {
            heard = true;
            next_ring = Clock::now() + std::chrono::milliseconds(500);  // after the reply to what it sent
        }
        if (heard && Clock::now() >= next_ring) {
            modem.Ring();
            --rings_left;
            next_ring += std::chrono::seconds(1);
        }
    }
    return 0;
}

}  // namespace

int main(int argc, char **argv) {
    SimOptions options;
    if (const char *problem = ParseArguments(argc, argv, &options)) return Usage(problem);

    struct sigaction action {};
    action.sa_handler = RequestStop;
    sigemptyset(&action.sa_mask);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
    try {
        return Serve(options);
    } catch (const std::exception &error) {
        std::fprintf(stderr, "portkit_hayes_sim: %s\n", error.what());
        return 1;
    }
}
