// portkit receive: receive files over a port with one of the transfer protocols.
#include <cstdio>

#include "tools/cli/commands.h"
#include "tools/transfer/received_file_choice.h"
#include "tools/transfer/stdio_line.h"
#include "tools/transfer/transfer_command.h"

namespace portkit::tool {
namespace {

// XMODEM is told where to store; YMODEM and ZMODEM take the names from the sender.
bool FileArgumentsFit(const Protocol &protocol, const std::vector<std::string> &files) {
    const int name_length = static_cast<int>(protocol.name.size());
    if (protocol.ReceiveNeedsName() && files.size() != 1) {
        std::fprintf(stderr, "portkit receive: %.*s needs the one FILE to store the data in\n", name_length,
                     protocol.name.data());
        return false;
    }
    if (!protocol.ReceiveNeedsName() && !files.empty()) {
        std::fprintf(stderr,
                     "portkit receive: %.*s takes the file names from the sender; give no FILE (--dir says where)\n",
                     name_length, protocol.name.data());
        return false;
    }
    return true;
}

}  // namespace

int RunReceive(Arguments arguments) {
    const auto options = Options::Parse("receive", arguments, TransferValuedOptions({"dir"}), TransferFlags());
    if (!options) return kExitUsage;
    const Protocol *protocol = ProtocolOption("receive", *options);
    if (protocol == nullptr || !TransferLineUsable("receive", *options)) return kExitUsage;
    const std::vector<std::string> &files = options->positional();
    if (!FileArgumentsFit(*protocol, files)) return kExitUsage;
    auto flags = ProtocolFlags(Direction::kReceive, *protocol, *options);
    const auto choice = ExistingChoiceOption("receive", *options);
    if (!flags || !choice) return kExitUsage;
    const std::vector<int> protection = ReceiveCodes(*protocol, *options, *choice);
    flags->insert(flags->end(), protection.begin(), protection.end());
    // What is wrong on this side is found before anyone waits for the line.
    const std::string directory = options->Get("dir", ".");
    if (const std::string problem = ReceiveDirectoryProblem(directory); !problem.empty()) {
        std::fprintf(stderr, "portkit receive: cannot receive into %s: %s\n", directory.c_str(), problem.c_str());
        return kExitFailure;
    }
    if (!files.empty()) {
        const std::string target = options->Has("dir") ? directory + "/" + files.front() : files.front();
        if (const std::string problem = NamedFileProblem(target, *choice); !problem.empty()) {
            std::fprintf(stderr, "portkit receive: %s\n", problem.c_str());
            return kExitFailure;
        }
    }
    PortStructure *port = OpenTransferLine("receive", *options);
    if (port == nullptr) return kExitFailure;
    // Only now: a relative --port path names a device as seen from where the user is.
    if (options->Has("dir")) {
        if (const std::string problem = EnterReceiveDirectory(options->Get("dir")); !problem.empty()) {
            PWPortClose(port);
            RestoreStdio();  // before the message, which may go to that terminal
            std::fprintf(stderr, "portkit receive: cannot receive into %s: %s\n", options->Get("dir").c_str(),
                         problem.c_str());
            return kExitFailure;
        }
    }
    const std::string file_name = files.empty() ? std::string() : files.front();
    if (ShowsNews(*options)) std::fprintf(stderr, "portkit receive: waiting for the sender (Ctrl-C to stop)\n");
    return RunTransfer("receive", port, *options, [&](TransferHooks hooks) {
        return ReceiveFiles(*protocol, port, file_name, hooks, *flags, AsciiFlags(*options));
    });
}

}  // namespace portkit::tool
