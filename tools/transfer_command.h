// What the send and receive commands share: the protocol option, the
// protocol's flags, and running a transfer with progress and a result.
#ifndef PORTKIT_TOOLS_TRANSFER_COMMAND_H
#define PORTKIT_TOOLS_TRANSFER_COMMAND_H

#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "options.h"
#include "protocols.h"

namespace portkit::tool {

// The line options, --protocol and `more`.
std::set<std::string> TransferValuedOptions(std::initializer_list<std::string> more = {});
inline const std::set<std::string> kTransferFlags = {"verbose", "keep-paths"};

// The protocol --protocol names; null, with the reason on stderr, when it is
// missing or unknown.
const Protocol *ProtocolOption(const std::string &command, const Options &options);

// The option codes the command's flags ask of the protocol; nothing, with the
// reason on stderr, when the protocol does not take one of them.
std::optional<std::vector<int>> ProtocolFlags(const std::string &command, const Protocol &protocol,
                                              const Options &options);

using Transfer = std::function<int(TransferHooks hooks)>;

// Runs `transfer` with progress (and with --verbose the engine's messages) on
// stderr and Ctrl-C as a clean abort, closes the port, and gives the exit
// code: failures are reported as "portkit COMMAND: <message> (<code>)".
int RunTransfer(const std::string &command, PortStructure *port, const Options &options, const Transfer &transfer);

}  // namespace portkit::tool

#endif
