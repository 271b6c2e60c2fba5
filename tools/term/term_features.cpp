#include "tools/term/term_features.h"

#include <cctype>
#include <cstdio>

#include "tools/cli/port_option.h"
#include "tools/term/byte_maps.h"

namespace portkit::tool {
namespace {

constexpr long kMaxDelayMs = 60000;

std::optional<unsigned> MapsOption(const Options &options, const std::string &name) {
    std::string unknown;
    const auto maps = ParseByteMaps(options.Get(name), &unknown);
    if (!maps) {
        std::fprintf(stderr, "portkit %s: --%s: unknown map '%s' (known: %s)\n", options.command().c_str(),
                     name.c_str(), unknown.c_str(), ByteMapNames());
    }
    return maps;
}

std::optional<int> DelayOption(const Options &options, const std::string &name) {
    const auto value = options.GetNumber(name, 0);
    if (!value) return std::nullopt;
    if (*value < 0 || *value > kMaxDelayMs) {
        std::fprintf(stderr, "portkit %s: --%s is from 0 to %ld milliseconds\n", options.command().c_str(),
                     name.c_str(), kMaxDelayMs);
        return std::nullopt;
    }
    return static_cast<int>(*value);
}

// A letter is that letter with Ctrl, as picocom's -e: "a" is Ctrl-A.
std::optional<unsigned char> CommandKeyOption(const Options &options) {
    if (!options.Has("escape")) return kDefaultCommandKey;
    const std::string value = options.Get("escape");
    if (value.size() == 1 && std::isalpha(static_cast<unsigned char>(value[0]))) {
        return static_cast<unsigned char>(std::toupper(static_cast<unsigned char>(value[0])) - '@');
    }
    std::fprintf(stderr, "portkit %s: --escape takes a letter (a for Ctrl-A), not '%s'\n", options.command().c_str(),
                 value.c_str());
    return std::nullopt;
}

}  // namespace

std::optional<TermFeatures> TermFeaturesFrom(const Options &options, bool emulator) {
    TermFeatures features;
    const auto imap = MapsOption(options, "imap"), omap = MapsOption(options, "omap");
    const auto output_delay = DelayOption(options, "output-delay"), line_delay = DelayOption(options, "line-delay");
    const auto key = CommandKeyOption(options);
    if (!imap || !omap || !output_delay || !line_delay || !key) return std::nullopt;
    if (emulator) {
        // The emulator has a new-line mode of its own for devices that end
        // lines with LF alone; the other maps would rewrite its sequences.
        if (*imap != 0 && *imap != kMapLfCrLf) {
            std::fprintf(stderr, "portkit %s: with --ansi or --window, --imap takes only lfcrlf\n",
                         options.command().c_str());
            return std::nullopt;
        }
        for (const char *name : {"omap", "hex", "timestamps", "output-delay", "line-delay"}) {
            if (!options.Has(name)) continue;
            std::fprintf(stderr, "portkit %s: --%s works in pass-through mode, not with --ansi or --window\n",
                         options.command().c_str(), name);
            return std::nullopt;
        }
    }
    features.imap = *imap;
    features.omap = *omap;
    features.hex = options.Has("hex");
    features.timestamps = options.Has("timestamps");
    features.command_key = *key;
    features.output_delay_ms = *output_delay;
    features.line_delay_ms = *line_delay;
    features.log_append = options.Has("log-append");
    return features;
}

LineChoice LineChoiceFrom(const Options &options) {
    LineChoice line;
    line.baud = options.GetNumber("baud", kDefaultBaud).value_or(kDefaultBaud);
    const std::string parity = options.Get("parity", "N");
    line.parity = static_cast<char>(std::toupper(static_cast<unsigned char>(parity.empty() ? 'N' : parity[0])));
    line.data = static_cast<int>(options.GetNumber("data", 8).value_or(8));
    line.stop = static_cast<int>(options.GetNumber("stop", 1).value_or(1));
    line.flow = options.Get("flow", "none");
    return line;
}

std::string LineChoice::Text() const {
    return std::to_string(baud) + " " + std::to_string(data) + parity + std::to_string(stop) + ", " + FlowText(flow);
}

std::string CommandKeyName(unsigned char key) {
    if (key < 0x20) return std::string("Ctrl-") + static_cast<char>(key + '@');
    return std::string(1, static_cast<char>(key));
}

}  // namespace portkit::tool
