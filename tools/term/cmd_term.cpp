// portkit term: an interactive terminal on a port.
#include <chrono>
#include <cstdio>

#include "tools/cli/commands.h"
#include "tools/cli/port_device.h"
#include "tools/cli/port_option.h"
#include "tools/cli/terminal.h"
#include "tools/term/device_wait.h"
#include "tools/term/term_options.h"
#include "tools/term/term_profile.h"

namespace portkit::tool {
namespace {

const std::set<std::string> kDeviceFlags = {"no-reconnect", "list-profiles"};

using Clock = std::chrono::steady_clock;
constexpr auto kRetryOpenAfter = std::chrono::seconds(3);

// The word after the options: a device, or a profile's name whose options
// fill in what the command line leaves out.
bool TakeDeviceOrProfile(Options &options) {
    if (options.positional().size() > 1) {
        std::fprintf(stderr, "portkit term: unexpected argument '%s'\n", options.positional()[1].c_str());
        return false;
    }
    if (options.positional().empty() || NamesDevice(options.positional().front())) return TakeDeviceWord(options);
    const std::string profile = options.TakeFirstPositional();
    return ApplyProfile(options, profile, DefaultProfileFile());
}

// The port, waited for when it is not there yet and the user can stop the
// wait; null when it did not open or the user quit (with the exit status).
PortStructure *OpenOrWait(const Options &options, const TermSettings &settings, const Reopen &reopen, int *exit_code) {
    *exit_code = kExitFailure;
    const std::string port = options.Get("port");
    if (!settings.reconnect || DevicePresent(port) || !StdinIsTerminal()) return OpenPortOption("term", options);
    std::fprintf(stderr, "portkit term: waiting for %s to appear (Ctrl-C or %s q to quit)\n", settings.device.c_str(),
                 CommandKeyName(settings.features.command_key).c_str());
    PortStructure *opened = nullptr;
    const DeviceWaitEnd end = WaitForDevice(reopen, settings.features.command_key, &opened);
    if (end != DeviceWaitEnd::kOpened) *exit_code = end == DeviceWaitEnd::kQuit ? kExitOk : kExitInterrupted;
    return opened;
}

}  // namespace

int RunTerm(Arguments arguments) {
    std::set<std::string> valued = kLineOptions;
    valued.insert(kTermValuedOptions.begin(), kTermValuedOptions.end());
    std::set<std::string> flags = kTermFlags;
    flags.insert(kDeviceFlags.begin(), kDeviceFlags.end());
    auto options = Options::Parse("term", arguments, valued, flags);
    if (!options) return kExitUsage;
    if (options->Has("list-profiles")) return ListProfiles(DefaultProfileFile());
    if (!TakeDeviceOrProfile(*options)) return kExitUsage;
    if (options->Has("reconnect") && options->Has("no-reconnect")) {
        std::fprintf(stderr, "portkit term: --reconnect and --no-reconnect are alternatives; give one\n");
        return kExitUsage;
    }
    auto settings = TermSettingsFrom(*options);
    if (!settings || !LineOptionsUsable("term", *options)) return kExitUsage;
    settings->reconnect = !options->Has("no-reconnect");
    const Options &given = *options;
    const Reopen reopen = [&given, failed = Clock::time_point()]() mutable -> PortStructure * {
        // A device that is not there is not tried, so waiting for an
        // unplugged adapter prints nothing until it returns; one there that
        // will not open (in use) is tried again only now and then.
        if (!DevicePresent(given.Get("port")) || Clock::now() - failed < kRetryOpenAfter) return nullptr;
        PortStructure *port = OpenPortOption("term", given);
        if (port == nullptr) failed = Clock::now();
        return port;
    };
    int exit_code = kExitFailure;
    PortStructure *port = OpenOrWait(given, *settings, reopen, &exit_code);
    if (port == nullptr) return exit_code;
    return RunTerminalSession(port, *settings, reopen);
}

}  // namespace portkit::tool
