#include "tools/transfer/transfer_command.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "tools/cli/commands.h"
#include "tools/cli/interrupt.h"
#include "tools/cli/port_option.h"
#include "tools/cli/terminal.h"
#include "tools/transfer/progress.h"
#include "tools/transfer/stdio_line.h"
#include "tools/transfer/transfer_abort.h"
#include "tools/transfer/wait_stop.h"

namespace portkit::tool {

std::set<std::string> TransferValuedOptions(std::initializer_list<std::string> more) {
    std::set<std::string> valued = kLineOptions;
    valued.insert("protocol");
    valued.merge(ProtocolValueNames());
    valued.insert(more.begin(), more.end());
    return valued;
}

std::set<std::string> TransferFlags() {
    std::set<std::string> flags = ProtocolFlagNames();
    flags.insert({"verbose", "quiet", "stdio", "overwrite", "rename"});
    return flags;
}

const Protocol *ProtocolOption(const std::string &command, const Options &options) {
    const std::string name = options.Get("protocol", std::string(kDefaultProtocol));
    const Protocol *protocol = FindProtocol(name);
    if (protocol == nullptr) {
        std::fprintf(stderr, "portkit %s: unknown protocol '%s': one of %s\n", command.c_str(), name.c_str(),
                     ProtocolNames().c_str());
    }
    return protocol;
}

bool TransferLineUsable(const std::string &command, const Options &options) {
    if (!options.Has("stdio")) return LineOptionsUsable(command, options);
    if (options.Has("port")) {
        std::fprintf(stderr, "portkit %s: --stdio and --port are alternatives; give one\n", command.c_str());
        return false;
    }
    return StdioLineAvailable(command) && LineNumbersUsable(options);
}

PortStructure *OpenTransferLine(const std::string &command, const Options &options) {
    return options.Has("stdio") ? OpenStdioLine(command, options) : OpenPortOption(command, options);
}

std::string EnterReceiveDirectory(const std::string &directory) {
    std::error_code error;
    std::filesystem::create_directories(directory, error);
    if (!error) std::filesystem::current_path(directory, error);
    return error ? error.message() : "";
}

bool ShowsNews(const Options &options) {
    return !options.Has("quiet") && (!options.Has("stdio") || !StderrSharesStdio());
}

int RunTransfer(const std::string &command, PortStructure *port, const Options &options, const Transfer &transfer) {
    AbortTransfersOnInterrupt();
    TransferProgress progress(stderr, StderrIsTerminal(), StderrColumns());
    TransferHooks hooks;
    if (!options.Has("stdio") || !StderrSharesStdio()) {
        // Quiet still hears the messages, for the reason of a failure.
        hooks.message = TransferProgress::MessageHook;
        progress.ShowAllMessages(options.Has("verbose") && !options.Has("quiet"));
        progress.ShowNews(!options.Has("quiet"));
        if (!options.Has("quiet")) hooks.status = TransferProgress::StatusHook;
    }
    int result;
    {
        // Ctrl-C ends the wait it comes in, not only the next abort check.
        const WaitStop stop_on_interrupt(Interrupted);
        result = transfer(hooks);
    }
    progress.Finish(result);
    PWPortClose(port);
    RestoreStdio();
    if (result < 0) {
        if (!progress.WriteFailure().empty()) {
            std::fprintf(stderr, "portkit %s: cannot write %s\n", command.c_str(), progress.WriteFailure().c_str());
        }
        std::fprintf(stderr, "portkit %s: %s (%d)\n", command.c_str(), CommErrorName(result), result);
        return Interrupted() ? kExitInterrupted : kExitFailure;
    }
    if (const int mismatches = progress.LengthMismatches(); mismatches > 0) {
        std::fprintf(stderr, "portkit %s: %d file%s did not arrive at the length the sender announced\n",
                     command.c_str(), mismatches, mismatches == 1 ? "" : "s");
        return kExitFailure;
    }
    return kExitOk;
}

}  // namespace portkit::tool
