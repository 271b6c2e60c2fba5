// portkit term: an interactive terminal on a port.
#include <sys/stat.h>

#include <cstdio>

#include "tools/cli/commands.h"
#include "tools/cli/port_option.h"
#include "tools/term/term_options.h"

namespace portkit::tool {
namespace {

// A device path that is not there yet is not tried, so waiting for an
// unplugged adapter prints nothing until it returns.
bool DeviceMayBeBack(const std::string &device) {
    struct stat status {};
    return PortNumberFor(device) >= 0 || stat(device.c_str(), &status) == 0;
}

}  // namespace

int RunTerm(Arguments arguments) {
    std::set<std::string> valued = kLineOptions;
    valued.insert(kTermValuedOptions.begin(), kTermValuedOptions.end());
    const auto options = Options::Parse("term", arguments, valued, kTermFlags);
    if (!options) return kExitUsage;
    if (!options->positional().empty()) {
        std::fprintf(stderr, "portkit term: unexpected argument '%s'\n", options->positional().front().c_str());
        return kExitUsage;
    }
    const auto settings = TermSettingsFrom(*options);
    if (!settings || !LineOptionsUsable("term", *options)) return kExitUsage;
    PortStructure *port = OpenPortOption("term", *options);
    if (port == nullptr) return kExitFailure;
    const Options &given = *options;
    return RunTerminalSession(port, *settings, [&given]() -> PortStructure * {
        if (!DeviceMayBeBack(given.Get("port"))) return nullptr;
        return OpenPortOption("term", given);
    });
}

}  // namespace portkit::tool
