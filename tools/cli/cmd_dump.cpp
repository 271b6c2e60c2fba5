// portkit dump: open a port and print its status dump.
#include <cstdio>

#include "tools/cli/commands.h"
#include "tools/cli/line_settings_text.h"
#include "tools/cli/options.h"
#include "tools/cli/port_option.h"

namespace portkit::tool {

int RunDump(Arguments arguments) {
    auto options = Options::Parse("dump", arguments, kLineOptions, {});
    if (!options) return kExitUsage;
    if (options->positional().size() == 1 && !TakeDeviceWord(*options)) return kExitUsage;
    if (!options->positional().empty()) {
        std::fprintf(stderr, "portkit dump: unexpected argument '%s'\n", options->positional().front().c_str());
        return kExitUsage;
    }
    if (!LineOptionsUsable("dump", *options)) return kExitUsage;
    PortStructure *port = OpenPortOption("dump", *options);
    if (port == nullptr) return kExitFailure;
    const int result = PWDumpPortStatus(port, [](const char *line) { std::printf("%s\n", line); });
    if (result >= 0) PrintSystemLineSettings(stdout, options->Get("port"));
    PWPortClose(port);
    return result < 0 ? kExitFailure : kExitOk;
}

}  // namespace portkit::tool
