#include "tools/cli/port_option.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>

#include "portkit/serial.h"
#include "tools/cli/baud_rates.h"
#include "tools/cli/device_lock.h"
#include "tools/cli/port_device.h"
#include "tools/cli/port_failure.h"

namespace portkit::tool {
namespace {

bool AllDigits(const std::string &text) {
    if (text.empty()) return false;
    for (char c : text) {
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    }
    return true;
}

bool FlowKnown(const std::string &flow) { return flow == "none" || flow == "rtscts" || flow == "xonxoff"; }

// Nothing when --flow is not given: "none" would also drop RTS, which the
// port raised on opening.
bool ApplyFlowOption(const std::string &command, const std::string &device, PortStructure *port,
                     const Options &options) {
    if (!options.Has("flow")) return true;
    const std::string flow = options.Get("flow");
    const int rtscts = PWUseRtsCts(port, flow == "rtscts" ? 1 : 0);
    const int xonxoff = PWUseXonXoff(port, flow == "xonxoff" ? 1 : 0);
    const int failure = rtscts < 0 ? rtscts : xonxoff;
    if (failure < 0) {
        std::fprintf(stderr, "portkit %s: cannot set %s on %s: %s (%d)\n", command.c_str(), FlowText(flow).c_str(),
                     device.c_str(), CommErrorName(failure), failure);
        return false;
    }
    return true;
}

}  // namespace

int PortNumberFor(const std::string &port) {
    if (AllDigits(port)) return std::atoi(port.c_str());
    // COM5 and \\.\COM5 are port 4 on every platform.
    std::string upper;
    for (char c : port) upper.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(c))));
    const std::size_t com = upper.rfind("COM");
    if (com != std::string::npos && (com == 0 || upper.compare(0, 4, "\\\\.\\") == 0) &&
        AllDigits(upper.substr(com + 3))) {
        const int number = std::atoi(upper.c_str() + com + 3);
        return number >= 1 ? number - 1 : -1;
    }
    return -1;
}

bool NamesServerPort(const std::string &port) {
    std::string lower;
    for (char c : port.substr(0, 10)) lower.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
    return lower.starts_with("rfc2217://") || lower.starts_with("tcp://");
}

PortStructure *OpenDeviceNamed(const std::string &device, long baud, char parity, int data, int stop) {
    if (AllDigits(device)) return PortOpenMSWin32(std::atoi(device.c_str()), baud, parity, data, stop);
    return PortOpenMSWin32ByName(device.c_str(), baud, parity, data, stop);
}

bool LineNumbersUsable(const Options &options) {
    for (const char *name : {"baud", "data", "stop"}) {
        if (!options.GetNumber(name, 0)) return false;
    }
    if (*options.GetNumber("baud", kDefaultBaud) <= 0) {
        std::fprintf(stderr, "portkit %s: --baud wants a positive number of bits per second\n",
                     options.command().c_str());
        return false;
    }
    if (!FlowKnown(options.Get("flow", "none"))) {
        std::fprintf(stderr, "portkit %s: --flow is one of none, rtscts, xonxoff\n", options.command().c_str());
        return false;
    }
    return true;
}

bool LineOptionsUsable(const std::string &command, const Options &options) {
    if (!options.Has("port")) {
        std::fprintf(stderr, "portkit %s: --port is required (a number, or a device such as /dev/ttyUSB0)\n",
                     command.c_str());
        return false;
    }
    return LineNumbersUsable(options);
}

PortStructure *OpenLine(const std::string &command, const std::string &device, const Options &options,
                        long default_baud) {
    if (!LineNumbersUsable(options)) return nullptr;
    const auto baud = options.GetNumber("baud", default_baud);
    const auto data = options.GetNumber("data", 8);
    const auto stop = options.GetNumber("stop", 1);
    const std::string parity = options.Get("parity", "N");
    if (!baud || !data || !stop) return nullptr;
    if (device.empty()) {
        std::fprintf(stderr, "portkit %s: --port names no device\n", command.c_str());
        return nullptr;
    }
    if (parity.size() != 1) {
        std::fprintf(stderr, "portkit %s: --parity is one of N, O, E, M, S\n", command.c_str());
        return nullptr;
    }
    // Locked before opening: opening a line in use would already disturb it.
    if (!LockDevice(command, device, options.Has("verbose"))) return nullptr;
    PortStructure *port = OpenDeviceNamed(device, *baud, parity[0], static_cast<int>(*data), static_cast<int>(*stop));
    const std::string shown = DevicePathFor(device);
    const int status = PWGetPortStatus(port);
    if (status == PORTKIT_ILLEGAL_BAUD_RATE) {
        ReportRefusedBaud(command, shown, *baud);
    } else if (status < 0) {
        std::fprintf(stderr, "portkit %s: cannot open %s: %s (%s, %d)\n", command.c_str(), shown.c_str(),
                     PortFailureReason(port, shown).c_str(), CommErrorName(status), status);
    } else if (ApplyFlowOption(command, shown, port, options)) {
        ReleaseLockOnClose(port, device);
        return port;
    }
    PWPortClose(port);
    ReleaseDeviceLock(device);
    return nullptr;
}

std::string FlowText(const std::string &flow) {
    if (flow == "rtscts") return "RTS/CTS flow control";
    if (flow == "xonxoff") return "XON/XOFF flow control";
    return "no flow control";
}

bool TakeDeviceWord(Options &options) {
    if (options.positional().empty()) return true;
    const std::string word = options.TakeFirstPositional();
    if (options.Has("port") && options.Get("port") != word) {
        std::fprintf(stderr, "portkit %s: the device is given twice, as %s and as --port %s\n",
                     options.command().c_str(), word.c_str(), options.Get("port").c_str());
        return false;
    }
    options.Set("port", word);
    return true;
}

PortStructure *OpenPortOption(const std::string &command, const Options &options) {
    if (!LineOptionsUsable(command, options)) return nullptr;
    return OpenLine(command, options.Get("port"), options, kDefaultBaud);
}

}  // namespace portkit::tool
