// portkit_bplus_host: a CompuServe B+ host for shell tests of the tool and for
// the demo. On a fresh pty pair it prints the slave's path and a newline,
// waits for the terminal to open the slave, then runs one transfer; with
// --stdio it talks on standard input and output instead.
//
//   portkit_bplus_host (--download FILE | --upload NAME --save PATH) [options]
//
// Exit status: 0 when the transfer went as the host expects (or the host fell
// silent as asked), 1 when it did not, 2 for bad arguments.
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <thread>

#include "sim/bplus_host.h"

namespace {

using portkit::sim::BPlusHost;
using portkit::sim::BPlusHostRecord;
using portkit::sim::BPlusScenario;

struct HostOptions {
    BPlusScenario scenario;
    std::string download_path;
    std::string save_path;
    bool stdio = false;
    bool verbose = false;
    int start_delay_ms = 300;
    int peer_wait_ms = 60000;
    int silent_hold_ms = 60000;
};

const char kUsage[] =
    "usage: portkit_bplus_host (--download FILE | --upload NAME --save PATH) [options]\n"
    "  --name NAME          file name in the T packet (downloads: FILE's by default)\n"
    "  --check N            check method the host asks for: 0 checksum, 1 CRC-16, 2 CCITT, 3 CRC-32\n"
    "  --block-units N      block size in 128-byte units (1-8)\n"
    "  --send-ahead N       host packets sent before their ACKs (1-5)\n"
    "  --quote HEX          also ask for character HEX to be quoted (repeatable)\n"
    "  --params-length N    send only the first N bytes of the + packet\n"
    "  --resume             offer to resume a download; --refuse-resume answers the offer with Tf\n"
    "  --text               T packet kind A instead of B\n"
    "  --no-enq             start with the + packet, without the ENQ greeting\n"
    "  --nak N              NAK the terminal's Nth packet once\n"
    "  --duplicate N        send the Nth data packet twice\n"
    "  --corrupt N          send the Nth data packet first with a bad check\n"
    "  --enq-after N        send ENQ after the Nth data packet\n"
    "  --silent-after N     answer nothing after N data packets\n"
    "  --fail-after N       send a failure packet (F, N) after N data packets\n"
    "  --info TEXT          send a TI packet with TEXT before the data\n"
    "  --timeout MS         longest silence of the terminal (default 10000)\n"
    "  --start-delay MS     pause once the terminal opened the pty (default 300)\n"
    "  --stdio              use standard input and output, not a pty\n"
    "  --verbose            print the host's log on standard error\n";

int Usage(const char *problem) {
    if (*problem != '\0') std::fprintf(stderr, "portkit_bplus_host: %s\n", problem);
    std::fputs(kUsage, *problem != '\0' ? stderr : stdout);
    return *problem != '\0' ? 2 : 0;
}

bool ParseNumber(const char *text, int *value, int base = 10) {
    const char *end = text + std::strlen(text);
    const auto [stop, error] = std::from_chars(text, end, *value, base);
    return error == std::errc() && stop == end && stop != text && *value >= 0;
}

// Options with a numeric value, by name.
int *NumericOption(const std::string &name, HostOptions *options) {
    BPlusScenario &s = options->scenario;
    if (name == "--check") return &s.parameters.check_method;
    if (name == "--block-units") return &s.parameters.block_units;
    if (name == "--send-ahead") return &s.send_ahead;
    if (name == "--params-length") return &s.parameters_length;
    if (name == "--nak") return &s.nak_terminal_packet;
    if (name == "--duplicate") return &s.duplicate_data_packet;
    if (name == "--corrupt") return &s.corrupt_data_packet;
    if (name == "--enq-after") return &s.enq_after_data_packet;
    if (name == "--silent-after") return &s.silent_after_data_packets;
    if (name == "--fail-after") return &s.fail_after_data_packets;
    if (name == "--timeout") return &s.reply_timeout_ms;
    if (name == "--start-delay") return &options->start_delay_ms;
    return nullptr;
}

bool ReadWholeFile(const std::string &path, std::string *data) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return false;
    data->assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    return true;
}

// Argument errors give their message, --help an empty one; null when all is well.
const char *ParseArguments(int argc, char **argv, HostOptions *options) {
    BPlusScenario &s = options->scenario;
    bool named = false;
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (option == "--help") return "";
        if (option == "--stdio")
            options->stdio = true;
        else if (option == "--verbose")
            options->verbose = true;
        else if (option == "--no-enq")
            s.greet_with_enq = false;
        else if (option == "--text")
            s.binary = false;
        else if (option == "--resume")
            s.parameters.download_resume = 1;
        else if (option == "--refuse-resume")
            s.refuse_resume = true;
        else {
            if (i + 1 >= argc) return "option without its value";
            const char *value = argv[++i];
            if (int *number = NumericOption(option, options)) {
                if (!ParseNumber(value, number)) return "a numeric option has a bad value";
            } else if (option == "--download") {
                s.direction = BPlusScenario::Direction::kDownload;
                options->download_path = value;
            } else if (option == "--upload") {
                s.direction = BPlusScenario::Direction::kUpload;
                s.file_name = value;
                named = true;
            } else if (option == "--info") {
                s.file_info = value;
            } else if (option == "--save") {
                options->save_path = value;
            } else if (option == "--name") {
                s.file_name = value;
                named = true;
            } else if (option == "--quote") {
                int c = 0;
                if (!ParseNumber(value, &c, 16) || c > 0xFF) return "--quote takes a character in hex";
                s.parameters.quote.Mark(static_cast<unsigned char>(c));
            } else {
                return "unknown option";
            }
        }
    }
    if (s.parameters.check_method > 3) return "--check takes 0 to 3";
    if (s.parameters.block_units < 1 || s.parameters.block_units > 8) return "--block-units takes 1 to 8";
    if (s.direction == BPlusScenario::Direction::kDownload) {
        if (options->download_path.empty()) return "--download FILE or --upload NAME is needed";
        if (!ReadWholeFile(options->download_path, &s.download_data)) return "cannot read the file to download";
        if (!named) {
            const std::size_t slash = options->download_path.find_last_of('/');
            s.file_name = options->download_path.substr(slash == std::string::npos ? 0 : slash + 1);
        }
    } else if (options->save_path.empty()) {
        return "--upload needs --save PATH";
    }
    return nullptr;
}

// The slave is closed here, so the master reports a hang-up until the
// terminal opens it: that is the moment to start.
bool WaitForPeer(int master, int wait_ms) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(wait_ms);
    while (std::chrono::steady_clock::now() < deadline) {
        pollfd fd{master, 0, 0};
        poll(&fd, 1, 0);
        if ((fd.revents & POLLHUP) == 0) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

// Closing the master at once could hang the line up before the terminal has
// read the last acknowledgement; what it still sends is of no interest.
void LingerUntilPeerCloses(int master, int wait_ms) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(wait_ms);
    while (std::chrono::steady_clock::now() < deadline) {
        pollfd fd{master, POLLIN, 0};
        if (poll(&fd, 1, 20) <= 0) continue;
        char discard[256];
        if ((fd.revents & POLLHUP) != 0 || read(master, discard, sizeof discard) <= 0) return;
    }
}

BPlusHostRecord RunOnPty(const HostOptions &options) {
    int master = -1;
    int slave = -1;
    char name[128] = {};
    if (openpty(&master, &slave, name, nullptr, nullptr) != 0) {
        BPlusHostRecord failed;
        failed.outcome = BPlusHostRecord::Outcome::kLineClosed;
        failed.log = "openpty failed\n";
        return failed;
    }
    termios tio{};
    tcgetattr(slave, &tio);
    cfmakeraw(&tio);
    tcsetattr(slave, TCSANOW, &tio);
    close(slave);
    std::printf("%s\n", name);
    std::fflush(stdout);

    BPlusHostRecord record;
    if (!WaitForPeer(master, options.peer_wait_ms)) {
        record.outcome = BPlusHostRecord::Outcome::kLineClosed;
        record.log = "nobody opened the pty\n";
    } else {
        std::this_thread::sleep_for(std::chrono::milliseconds(options.start_delay_ms));
        BPlusHost host(master, master, options.scenario);
        host.set_silent_hold_ms(options.silent_hold_ms);
        record = host.Run();
        LingerUntilPeerCloses(master, 2000);
    }
    close(master);
    return record;
}

}  // namespace

int main(int argc, char **argv) {
    HostOptions options;
    if (const char *problem = ParseArguments(argc, argv, &options)) return Usage(problem);
    signal(SIGPIPE, SIG_IGN);

    BPlusHostRecord record;
    if (options.stdio) {
        BPlusHost host(STDIN_FILENO, STDOUT_FILENO, options.scenario);
        host.set_silent_hold_ms(options.silent_hold_ms);
        record = host.Run();
    } else {
        record = RunOnPty(options);
    }

    const bool as_expected = record.Completed() || record.outcome == BPlusHostRecord::Outcome::kWentSilent ||
                             record.outcome == BPlusHostRecord::Outcome::kFailedAsAsked;
    if (record.Completed() && options.scenario.direction == BPlusScenario::Direction::kUpload) {
        std::ofstream saved(options.save_path, std::ios::binary | std::ios::trunc);
        saved.write(record.uploaded.data(), static_cast<std::streamsize>(record.uploaded.size()));
        if (!saved) {
            std::fprintf(stderr, "portkit_bplus_host: cannot write %s\n", options.save_path.c_str());
            return 1;
        }
    }
    if (options.verbose || !as_expected) std::fputs(record.Describe().c_str(), stderr);
    return as_expected ? 0 : 1;
}
