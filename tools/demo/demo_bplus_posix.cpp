#include "tools/demo/demo_bplus_posix.h"

#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <iterator>
#include <system_error>

#include "portkit/serial.h"
#include "sim/bplus_host.h"
#include "tools/bplus/bplus_host_start.h"
#include "tools/cli/port_option.h"

namespace portkit::tool {
namespace {

namespace fs = std::filesystem;
using sim::BPlusHost;
using sim::BPlusScenario;

constexpr int kHostStartWaitMs = 10000;
constexpr int kCrc32 = 3;

std::string ReadWhole(const fs::path &path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Our side, as `portkit bplus` runs it, in `directory`.
int RunTerminalSide(const std::string &device, const fs::path &directory) {
    std::error_code error;
    const fs::path before = fs::current_path(error);
    fs::current_path(directory, error);
    if (error) return PORTKIT_XFER_OPEN_FAILED;
    PortStructure *port = OpenDeviceNamed(device, 115200, 'N', 8, 1);
    int result = PWGetPortStatus(port);
    if (result >= 0) {
        result = WaitForBPlusStart(
            port, kHostStartWaitMs, [] { return false; }, nullptr);
        if (result == 0) result = PORTKIT_XFER_PACKET_TIMEOUT;
        if (result > 0) result = RunBPlusTransfer(port, BPlusChoices{kCrc32, false}, TransferHooks{});
    }
    PWPortClose(port);
    fs::current_path(before, error);
    return result;
}

}  // namespace

BPlusDemoResult RunBPlusDemo(bool download, const fs::path &sample, const fs::path &received_in) {
    BPlusDemoResult outcome;
    int master = -1;
    int slave = -1;
    char device[128] = {};
    if (openpty(&master, &slave, device, nullptr, nullptr) != 0) {
        outcome.problem = "no pseudo-terminal";
        return outcome;
    }
    termios raw{};
    tcgetattr(slave, &raw);
    cfmakeraw(&raw);
    tcsetattr(slave, TCSANOW, &raw);

    BPlusScenario scenario;
    scenario.direction = download ? BPlusScenario::Direction::kDownload : BPlusScenario::Direction::kUpload;
    scenario.file_name = sample.filename().string();
    scenario.parameters.check_method = kCrc32;
    const std::string data = ReadWhole(sample);
    if (download) scenario.download_data = data;

    const auto started = std::chrono::steady_clock::now();
    BPlusHost host(master, master, scenario);
    host.Start();
    const int result = RunTerminalSide(device, download ? received_in : sample.parent_path());
    close(slave);
    const sim::BPlusHostRecord record = host.Finish();
    close(master);
    outcome.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();

    if (result < 0) {
        outcome.problem = std::string("terminal: ") + CommErrorName(result) + " (" + std::to_string(result) + ")";
    } else if (!record.Completed()) {
        outcome.problem = "the host saw a bad transfer";
    } else if ((download ? ReadWhole(received_in / scenario.file_name) : record.uploaded) != data) {
        outcome.problem = "the file differs";
    }
    return outcome;
}

}  // namespace portkit::tool
