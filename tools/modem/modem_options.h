// Options of the commands that talk to a modem: the line and the time-outs.
#ifndef PORTKIT_TOOLS_MODEM_MODEM_OPTIONS_H
#define PORTKIT_TOOLS_MODEM_MODEM_OPTIONS_H

#include <initializer_list>
#include <optional>
#include <set>
#include <string>

#include "tools/cli/options.h"
#include "tools/modem/modem_dialogue.h"

namespace portkit::tool {

// The line options and `more`.
std::set<std::string> ModemValuedOptions(std::initializer_list<std::string> more);

// --timeout and --dial-timeout in milliseconds, the defaults where not
// given; nothing, with the reason on stderr, when one is not a sensible number.
std::optional<ModemTimeouts> ModemTimeoutOptions(const std::string &command, const Options &options);

}  // namespace portkit::tool

#endif
