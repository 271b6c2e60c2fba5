// The options of the terminal, shared by `portkit term` and `portkit dial --term`.
#ifndef PORTKIT_TOOLS_TERM_OPTIONS_H
#define PORTKIT_TOOLS_TERM_OPTIONS_H

#include <optional>
#include <set>
#include <string>

#include "options.h"
#include "term_session.h"

namespace portkit::tool {

inline const std::set<std::string> kTermValuedOptions = {"flow", "log"};
inline const std::set<std::string> kTermFlags = {"ansi", "echo", "no-autozmodem", "reconnect"};

// The settings the options ask for; nothing, with the reason on stderr,
// when --flow names no known kind.
std::optional<TermSettings> TermSettingsFrom(const std::string &command, const Options &options);

// Sets the flow control --flow asks for on an open port; false, with the
// reason on stderr, when the port refuses it.
bool ApplyFlowOption(const std::string &command, PortStructure *port, const Options &options);

}  // namespace portkit::tool

#endif
