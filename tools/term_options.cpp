#include "term_options.h"

#include <cstdio>

namespace portkit::tool {
namespace {

bool FlowKnown(const std::string &flow) { return flow == "none" || flow == "rtscts" || flow == "xonxoff"; }

std::string FlowText(const std::string &flow) {
    if (flow == "rtscts") return "RTS/CTS flow control";
    if (flow == "xonxoff") return "XON/XOFF flow control";
    return "no flow control";
}

}  // namespace

std::optional<TermSettings> TermSettingsFrom(const std::string &command, const Options &options) {
    const std::string flow = options.Get("flow", "none");
    if (!FlowKnown(flow)) {
        std::fprintf(stderr, "portkit %s: --flow is one of none, rtscts, xonxoff\n", command.c_str());
        return std::nullopt;
    }
    TermSettings settings;
    settings.device = options.Get("port");
    settings.line_text = options.Get("baud", "115200") + " " + options.Get("data", "8") + options.Get("parity", "N") +
                         options.Get("stop", "1") + ", " + FlowText(flow);
    settings.ansi = options.Has("ansi");
    settings.echo = options.Has("echo");
    settings.autozmodem = !options.Has("no-autozmodem");
    settings.reconnect = options.Has("reconnect");
    settings.log_path = options.Get("log");
    return settings;
}

bool ApplyFlowOption(const std::string &command, PortStructure *port, const Options &options) {
    const std::string flow = options.Get("flow", "none");
    const int rtscts = PWUseRtsCts(port, flow == "rtscts" ? 1 : 0);
    const int xonxoff = PWUseXonXoff(port, flow == "xonxoff" ? 1 : 0);
    const int failure = rtscts < 0 ? rtscts : xonxoff;
    if (failure < 0) {
        std::fprintf(stderr, "portkit %s: cannot set %s on %s: %s (%d)\n", command.c_str(), FlowText(flow).c_str(),
                     options.Get("port").c_str(), CommErrorName(failure), failure);
        return false;
    }
    return true;
}

}  // namespace portkit::tool
