// The send and receive flags that become option codes of the transfer entry
// points, and which protocols and which command take each one.
#ifndef PORTKIT_TOOLS_CLI_PROTOCOL_FLAGS_H
#define PORTKIT_TOOLS_CLI_PROTOCOL_FLAGS_H

#include <optional>
#include <set>
#include <string>
#include <vector>

#include "tools/cli/options.h"
#include "tools/cli/protocols.h"

namespace portkit::tool {

enum class Direction { kSend, kReceive };

// Every protocol flag of both commands, for Options::Parse: whether the
// command and the protocol take one is judged afterwards, so that the
// message can say why not.
std::set<std::string> ProtocolFlagNames();
// The flags that carry a number (--window 8192).
std::set<std::string> ProtocolValueNames();

// The option list the flags ask of the protocol, each valued code followed by
// its number. Nothing, with the reason on stderr, when the command or the
// protocol does not take one of them, two file-management choices are
// given, or a number is not a positive one.
std::optional<std::vector<int>> ProtocolFlags(Direction direction, const Protocol &protocol, const Options &options);

// The ASCII values of the flags, once ProtocolFlags has accepted them.
AsciiSettings AsciiFlags(const Options &options);

}  // namespace portkit::tool

#endif
