#include "term_options.h"

#include "port_option.h"

namespace portkit::tool {

std::optional<TermSettings> TermSettingsFrom(const Options &options) {
    if (!LineNumbersUsable(options)) return std::nullopt;
    const std::string flow = options.Get("flow", "none");
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

}  // namespace portkit::tool
