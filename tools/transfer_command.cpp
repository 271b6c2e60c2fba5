#include "transfer_command.h"

#include <cstdio>

#include "commands.h"
#include "port_option.h"
#include "progress.h"
#include "terminal.h"
#include "transfer_abort.h"

namespace portkit::tool {

std::set<std::string> TransferValuedOptions(std::initializer_list<std::string> more) {
    std::set<std::string> valued = kLineOptions;
    valued.insert("protocol");
    valued.insert(more.begin(), more.end());
    return valued;
}

const Protocol *ProtocolOption(const std::string &command, const Options &options) {
    if (!options.Has("protocol")) {
        std::fprintf(stderr, "portkit %s: --protocol is required: one of %s\n", command.c_str(),
                     ProtocolNames().c_str());
        return nullptr;
    }
    const std::string name = options.Get("protocol");
    const Protocol *protocol = FindProtocol(name);
    if (protocol == nullptr) {
        std::fprintf(stderr, "portkit %s: unknown protocol '%s': one of %s\n", command.c_str(), name.c_str(),
                     ProtocolNames().c_str());
    }
    return protocol;
}

std::optional<std::vector<int>> ProtocolFlags(const std::string &command, const Protocol &protocol,
                                              const Options &options) {
    std::vector<int> codes;
    if (options.Has("keep-paths")) {
        if (!protocol.TakesKeepPaths()) {
            std::fprintf(stderr, "portkit %s: --keep-paths needs a protocol that sends file names, not %.*s\n",
                         command.c_str(), static_cast<int>(protocol.name.size()), protocol.name.data());
            return std::nullopt;
        }
        codes.push_back(PORTKIT_XFER_KEEP_PATHS);
    }
    return codes;
}

int RunTransfer(const std::string &command, PortStructure *port, const Options &options, const Transfer &transfer) {
    AbortTransfersOnInterrupt();
    TransferProgress progress(stderr, StderrIsTerminal(), StderrColumns());
    TransferHooks hooks;
    hooks.status = TransferProgress::StatusHook;
    if (options.Has("verbose")) hooks.message = TransferProgress::MessageHook;
    const int result = transfer(hooks);
    progress.Finish(result);
    PWPortClose(port);
    if (result < 0) {
        std::fprintf(stderr, "portkit %s: %s (%d)\n", command.c_str(), CommErrorName(result), result);
        return kExitFailure;
    }
    return kExitOk;
}

}  // namespace portkit::tool
