// What the send and receive commands share: the protocol option, the line
// (--port or --stdio), and running a transfer with progress and a result.
#ifndef PORTKIT_TOOLS_TRANSFER_TRANSFER_COMMAND_H
#define PORTKIT_TOOLS_TRANSFER_TRANSFER_COMMAND_H

#include <functional>
#include <set>
#include <string>

#include "tools/cli/options.h"
#include "tools/cli/protocol_flags.h"
#include "tools/cli/protocols.h"

namespace portkit::tool {

// The line options, --protocol, the valued protocol flags and `more`.
std::set<std::string> TransferValuedOptions(std::initializer_list<std::string> more = {});
// --verbose, --quiet, --stdio and the protocol flags.
std::set<std::string> TransferFlags();

// The protocol --protocol names, zmodem when it names none; null, with the
// reason on stderr, when the name is unknown.
const Protocol *ProtocolOption(const std::string &command, const Options &options);

// False, with the reason on stderr, when the line options are unusable:
// --port missing without --stdio, both given, or a number that is not one.
bool TransferLineUsable(const std::string &command, const Options &options);
// Opens --port, or standard input and output with --stdio; null, with the
// reason on stderr, on failure.
PortStructure *OpenTransferLine(const std::string &command, const Options &options);

// Why DIR cannot be received into (created if missing), or "" once it is
// the current directory.
std::string EnterReceiveDirectory(const std::string &directory);

// Whether news (progress, "waiting for the sender") goes to stderr: not
// with --quiet, nor when stderr is the --stdio line itself.
bool ShowsNews(const Options &options);

using Transfer = std::function<int(TransferHooks hooks)>;

// Runs `transfer` with progress (and with --verbose the engine's messages) on
// stderr and Ctrl-C as a clean abort, closes the port, puts standard input
// and output back after --stdio, and gives the exit code: failures are
// reported as "portkit COMMAND: <message> (<code>)", and one Ctrl-C ended
// gives kExitInterrupted. With --quiet, or with --stdio when stderr is the
// line itself, nothing is shown while the transfer runs.
int RunTransfer(const std::string &command, PortStructure *port, const Options &options, const Transfer &transfer);

}  // namespace portkit::tool

#endif
