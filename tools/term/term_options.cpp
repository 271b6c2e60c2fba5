#include "tools/term/term_options.h"

#include <cstdio>

#include "tools/cli/port_device.h"
#include "tools/cli/port_option.h"

namespace portkit::tool {

namespace {

constexpr long kMaxGridSide = 255;  // a byte of the window's style

// The window's rows or columns; nothing, with the reason, when out of range.
std::optional<int> GridSide(const Options &options, const std::string &name, long fallback) {
    const std::optional<long> value = options.GetNumber(name, fallback);
    if (!value) return std::nullopt;
    if (*value < 1 || *value > kMaxGridSide) {
        std::fprintf(stderr, "portkit %s: --%s is from 1 to %ld\n", options.command().c_str(), name.c_str(),
                     kMaxGridSide);
        return std::nullopt;
    }
    return static_cast<int>(*value);
}

}  // namespace

std::optional<TermSettings> TermSettingsFrom(const Options &options) {
    if (!LineNumbersUsable(options)) return std::nullopt;
    const bool window = options.Has("window");
    if (!window && (options.Has("rows") || options.Has("cols"))) {
        std::fprintf(stderr, "portkit %s: --rows and --cols go with --window\n", options.command().c_str());
        return std::nullopt;
    }
    const std::optional<int> rows = GridSide(options, "rows", 25), cols = GridSide(options, "cols", 80);
    if (!rows || !cols) return std::nullopt;
    const std::string charset = options.Get("charset", "cp437");
    if ((charset != "cp437" && charset != "utf8") || (options.Has("charset") && !window && !options.Has("ansi"))) {
        std::fprintf(stderr, "portkit %s: --charset is utf8 or cp437, with --ansi or --window\n",
                     options.command().c_str());
        return std::nullopt;
    }
    const std::string flow = options.Get("flow", "none");
    TermSettings settings;
    settings.device = DevicePathFor(options.Get("port"));
    settings.line_text = options.Get("baud", "115200") + " " + options.Get("data", "8") + options.Get("parity", "N") +
                         options.Get("stop", "1") + ", " + FlowText(flow);
    settings.ansi = options.Has("ansi");
    settings.window = window;
    settings.rows = *rows;
    settings.cols = *cols;
    settings.utf8 = charset == "utf8";
    settings.echo = options.Has("echo");
    settings.autozmodem = !options.Has("no-autozmodem");
    settings.bplus = options.Has("bplus");
    settings.reconnect = options.Has("reconnect");
    settings.log_path = options.Get("log");
    settings.line = LineChoiceFrom(options);
    const auto features = TermFeaturesFrom(options, settings.ansi || settings.window);
    if (!features) return std::nullopt;
    settings.features = *features;
    return settings;
}

}  // namespace portkit::tool
