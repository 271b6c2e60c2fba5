// portkit send: send files over a port with one of the transfer protocols.
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "commands.h"
#include "file_list_text.h"
#include "port_option.h"
#include "transfer_command.h"

namespace portkit::tool {
namespace {

// The library's file list skips what it cannot find; saying so here beats
// a bare "No files were sent" after the other end has been woken.
bool AllRegularFiles(const std::vector<std::string> &files) {
    for (const std::string &file : files) {
        std::error_code error;
        if (!std::filesystem::is_regular_file(file, error)) {
            std::fprintf(stderr, "portkit send: %s: %s\n", file.c_str(),
                         std::filesystem::exists(file, error) ? "not a regular file" : "no such file");
            return false;
        }
    }
    return true;
}

}  // namespace

int RunSend(Arguments arguments) {
    const auto options = Options::Parse("send", arguments, TransferValuedOptions(), kTransferFlags);
    if (!options) return kExitUsage;
    const Protocol *protocol = ProtocolOption("send", *options);
    if (protocol == nullptr || !LineOptionsUsable("send", *options)) return kExitUsage;
    const std::vector<std::string> &files = options->positional();
    if (files.empty()) {
        std::fprintf(stderr, "portkit send: name the FILE to send\n");
        return kExitUsage;
    }
    if (!protocol->batch && files.size() > 1) {
        std::fprintf(stderr, "portkit send: %.*s sends one file per session; give one FILE\n",
                     static_cast<int>(protocol->name.size()), protocol->name.data());
        return kExitUsage;
    }
    const auto flags = ProtocolFlags("send", *protocol, *options);
    if (!flags) return kExitUsage;
    if (!AllRegularFiles(files)) return kExitFailure;
    const auto names = FileListText("send", files);
    if (!names) return kExitUsage;
    PortStructure *port = OpenPortOption("send", *options);
    if (port == nullptr) return kExitFailure;
    return RunTransfer("send", port, *options, [&](TransferHooks hooks) {
        return SendFiles(*protocol, port, *names, hooks, *flags);
    });
}

}  // namespace portkit::tool
