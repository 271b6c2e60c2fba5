// portkit send: send files over a port with one of the transfer protocols.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "tools/cli/commands.h"
#include "tools/transfer/file_list_text.h"
#include "tools/transfer/transfer_command.h"

namespace portkit::tool {
namespace {

// The library's file list skips what it cannot find; saying so here beats
// a bare "No files were sent" after the other end has been woken.
bool AllSendable(const std::vector<std::string> &files, bool directories_too) {
    for (const std::string &file : files) {
        std::error_code error;
        if (std::filesystem::is_regular_file(file, error)) {
            // Found now, not after a receiver has been waiting for it.
            if (std::FILE *readable = std::fopen(file.c_str(), "rb")) {
                std::fclose(readable);
                continue;
            }
            std::fprintf(stderr, "portkit send: cannot open %s: %s\n", file.c_str(), std::strerror(errno));
            return false;
        }
        if (directories_too && std::filesystem::is_directory(file, error)) continue;
        std::fprintf(stderr, "portkit send: %s: %s\n", file.c_str(),
                     !std::filesystem::exists(file, error) ? "no such file"
                     : directories_too                     ? "neither a regular file nor a directory"
                                                           : "not a regular file");
        return false;
    }
    return true;
}

}  // namespace

int RunSend(Arguments arguments) {
    const auto options = Options::Parse("send", arguments, TransferValuedOptions(), TransferFlags());
    if (!options) return kExitUsage;
    const Protocol *protocol = ProtocolOption("send", *options);
    if (protocol == nullptr || !TransferLineUsable("send", *options)) return kExitUsage;
    const std::vector<std::string> &files = options->positional();
    if (files.empty()) {
        std::fprintf(stderr, "portkit send: name the FILE to send\n");
        return kExitUsage;
    }
    if (!protocol->Batch() && files.size() > 1) {
        std::fprintf(stderr, "portkit send: %.*s sends one file per session; give one FILE\n",
                     static_cast<int>(protocol->name.size()), protocol->name.data());
        return kExitUsage;
    }
    const auto flags = ProtocolFlags(Direction::kSend, *protocol, *options);
    if (!flags) return kExitUsage;
    for (const char *receiving : {"overwrite", "rename"}) {
        if (options->Has(receiving)) {
            std::fprintf(stderr, "portkit send: --%s is for receiving only\n", receiving);
            return kExitUsage;
        }
    }
    const bool descend = options->Has("descend");
    if (!AllSendable(files, descend)) return kExitFailure;
    const auto names = FileListText("send", files, descend);
    if (!names) return kExitUsage;
    PortStructure *port = OpenTransferLine("send", *options);
    if (port == nullptr) return kExitFailure;
    return RunTransfer("send", port, *options, [&](TransferHooks hooks) {
        return SendFiles(*protocol, port, *names, hooks, *flags, AsciiFlags(*options));
    });
}

}  // namespace portkit::tool
