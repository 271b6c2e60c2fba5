// portkit bplus: the terminal side of one CompuServe B+ transfer the host starts.
#include <cstdio>
#include <optional>
#include <string>

#include "tools/bplus/bplus_host_start.h"
#include "tools/bplus/upload_consent.h"
#include "tools/cli/commands.h"
#include "tools/cli/interrupt.h"
#include "tools/cli/port_option.h"
#include "tools/cli/terminal.h"
#include "tools/transfer/received_file_choice.h"
#include "tools/transfer/transfer_command.h"

namespace portkit::tool {
namespace {

constexpr long kDefaultWaitSeconds = 60;

// The host chooses the file of an upload: it goes only when the user says so.
bool UserAllowsUpload(const std::string &name) {
    if (!StdinIsTerminal()) {
        std::fprintf(stderr,
                     "portkit bplus: the host asks for %s; not sent: no terminal to ask (--allow-upload sends it)\n",
                     name.c_str());
        return false;
    }
    const bool yes = AskOnTerminal("portkit bplus: the host asks for " + name + "; send it? (y/N) ");
    if (!yes) std::fprintf(stderr, "portkit bplus: %s not sent\n", name.c_str());
    return yes;
}

}  // namespace

int RunBPlus(Arguments arguments) {
    std::set<std::string> valued = kLineOptions;
    valued.insert({"dir", "check", "wait"});
    auto options = Options::Parse("bplus", arguments, valued,
                                  {"resume", "verbose", "quiet", "overwrite", "rename", "allow-upload"});
    if (!options) return kExitUsage;
    if (options->positional().size() == 1 && !TakeDeviceWord(*options)) return kExitUsage;
    const auto existing = ExistingChoiceOption("bplus", *options);
    if (!existing) return kExitUsage;
    if (!options->positional().empty()) {
        std::fprintf(stderr, "portkit bplus: unexpected argument '%s'\n", options->positional().front().c_str());
        return kExitUsage;
    }
    const auto check = options->GetNumber("check", 1);
    const auto wait = options->GetNumber("wait", kDefaultWaitSeconds);
    if (!check || !wait) return kExitUsage;
    if (*check < 0 || *check > 3) {
        std::fprintf(stderr, "portkit bplus: --check is 0 (checksum), 1 (CRC-16), 2 (CCITT CRC) or 3 (CRC-32)\n");
        return kExitUsage;
    }
    if (!LineOptionsUsable("bplus", *options)) return kExitUsage;
    PortStructure *port = OpenPortOption("bplus", *options);
    if (port == nullptr) return kExitFailure;
    if (options->Has("dir")) {
        if (const std::string problem = EnterReceiveDirectory(options->Get("dir")); !problem.empty()) {
            PWPortClose(port);
            std::fprintf(stderr, "portkit bplus: cannot use %s: %s\n", options->Get("dir").c_str(), problem.c_str());
            return kExitFailure;
        }
    }
    const BPlusChoices choices{static_cast<int>(*check), options->Has("resume"), ExistingFilesValue(*existing)};
    if (!options->Has("quiet")) {
        std::fprintf(stderr, "portkit bplus: waiting for the host to start a transfer (Ctrl-C to stop)\n");
    }
    const int wait_ms = static_cast<int>(*wait * 1000);
    const bool allow_upload = options->Has("allow-upload");
    return RunTransfer("bplus", port, *options, [&](TransferHooks hooks) -> int {
        std::optional<UploadConsent> consent;
        if (!allow_upload) consent.emplace(UserAllowsUpload);
        const int started = WaitForBPlusStart(
            port, wait_ms, [] { return Interrupted(); }, nullptr);
        if (started == 0) return PORTKIT_XFER_PACKET_TIMEOUT;  // the host started nothing
        return started < 0 ? started : RunBPlusTransfer(port, choices, hooks);
    });
}

}  // namespace portkit::tool
