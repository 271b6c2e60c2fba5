// portkit dial: dial a number from the dialing directory by name, add
// entries to the directory, or list it.
#include <algorithm>
#include <cstdio>

#include "portkit/modem.h"
#include "tools/cli/commands.h"
#include "tools/cli/interrupt.h"
#include "tools/cli/port_option.h"
#include "tools/modem/dial_directory.h"
#include "tools/modem/modem_abort.h"
#include "tools/modem/modem_dialogue.h"
#include "tools/modem/modem_options.h"
#include "tools/term/term_options.h"

namespace portkit::tool {
namespace {

bool Usage(const char *message) {
    std::fprintf(stderr, "portkit dial: %s\n", message);
    return false;
}

// The directory file --directory names, or the default one; nothing, with
// the reason on stderr, when there is no usable one.
std::optional<std::filesystem::path> DirectoryOption(const Options &options) {
    const std::filesystem::path file =
        options.Has("directory") ? std::filesystem::path(options.Get("directory")) : DefaultDialDirectory();
    if (file.empty()) {
        Usage("no home directory to keep the dialing directory in: give --directory FILE");
        return std::nullopt;
    }
    if (const auto problem = DirectoryFileProblem(file)) {
        Usage(problem->c_str());
        return std::nullopt;
    }
    return file;
}

// --add and --list work on the file alone; dialing wants a port.
bool ModeUsable(const Options &options) {
    const std::size_t words = options.positional().size();
    const bool port_options = options.Has("port") || options.Has("baud") || options.Has("parity") ||
                              options.Has("data") || options.Has("stop") || options.Has("flow") ||
                              options.Has("dial-timeout");
    if (options.Has("add") && options.Has("list")) return Usage("--add and --list are alternatives; give one");
    if (options.Has("add") || options.Has("list")) {
        if (port_options) return Usage("--add and --list use no port or --dial-timeout");
        if (options.Has("add") && words != 2) return Usage("--add wants NAME NUMBER");
        if (options.Has("list") && words != 0) return Usage("--list takes no NAME");
        return true;
    }
    if (words != 1) return Usage("give the NAME to dial (or --add NAME NUMBER, or --list)");
    return LineOptionsUsable("dial", options);
}

int Add(DialDirectory &directory, const std::string &name, const std::string &number) {
    if (const auto problem = EntryProblem(name, number)) {
        Usage(problem->c_str());
        return kExitUsage;
    }
    if (number.size() > PORTKIT_MAX_DIAL_NUMBER) {
        std::fprintf(stderr, "portkit dial: a NUMBER has at most %d characters\n", PORTKIT_MAX_DIAL_NUMBER);
        return kExitUsage;
    }
    if (!directory.Add(name, number)) {
        std::fprintf(stderr, "portkit dial: %s\n", directory.error().c_str());
        return kExitFailure;
    }
    return kExitOk;
}

int List(DialDirectory &directory) {
    const auto entries = directory.Entries();
    if (!entries) {
        std::fprintf(stderr, "portkit dial: %s\n", directory.error().c_str());
        return kExitFailure;
    }
    std::size_t width = 0;
    for (const DialEntry &entry : *entries) width = std::max(width, entry.name.size());
    for (const DialEntry &entry : *entries) {
        std::printf("%-*s  %s\n", static_cast<int>(width), entry.name.c_str(), entry.number.c_str());
    }
    return kExitOk;
}

int Dial(DialDirectory &directory, const std::string &name, const Options &options, ModemTimeouts timeouts) {
    const auto number = directory.Find(name);
    if (!number) {
        std::fprintf(stderr, "portkit dial: %s\n", directory.error().c_str());
        return kExitFailure;
    }
    if (number->empty()) {
        std::fprintf(stderr, "portkit dial: '%s' has no number in %s\n", name.c_str(),
                     directory.file().string().c_str());
        return kExitFailure;
    }
    const auto term = TermSettingsFrom(options);
    if (!term) return kExitUsage;
    PortStructure *port = OpenPortOption("dial", options);
    if (port == nullptr) return kExitFailure;
    AbortModemWaitsOnInterrupt();
    std::printf("dialing %s: %s\n", name.c_str(), number->c_str());
    std::fflush(stdout);
    ModemDialogue dialogue("dial", port, timeouts);
    const bool connected = dialogue.Dial(*number);
    if (connected && options.Has("term")) {
        // The call stays up in the terminal; when it ends, so does the line.
        return RunTerminalSession(port, *term, [] { return static_cast<PortStructure *>(nullptr); });
    }
    PWPortClose(port);
    if (connected) return kExitOk;
    return Interrupted() ? kExitInterrupted : kExitFailure;
}

}  // namespace

int RunDial(Arguments arguments) {
    auto options =
        Options::Parse("dial", arguments, ModemValuedOptions({"directory", "dial-timeout", "log", "charset"}),
                       {"add", "list", "term", "ansi", "echo", "no-autozmodem", "bplus"});
    if (!options) return kExitUsage;
    // portkit dial DEVICE NAME: the device as a word, before the name.
    const bool dialing = !options->Has("add") && !options->Has("list");
    if (dialing && options->positional().size() == 2 && !TakeDeviceWord(*options)) return kExitUsage;
    const auto timeouts = ModemTimeoutOptions("dial", *options);
    if (!timeouts || !ModeUsable(*options)) return kExitUsage;
    const auto file = DirectoryOption(*options);
    if (!file) return kExitUsage;
    DialDirectory directory(*file);
    const std::vector<std::string> &words = options->positional();
    if (options->Has("add")) return Add(directory, words[0], words[1]);
    if (options->Has("list")) return List(directory);
    return Dial(directory, words[0], *options, *timeouts);
}

}  // namespace portkit::tool
