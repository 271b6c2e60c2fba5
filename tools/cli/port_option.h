// Opening the port a --port option names, with the line settings options.
#ifndef PORTKIT_TOOLS_CLI_PORT_OPTION_H
#define PORTKIT_TOOLS_CLI_PORT_OPTION_H

#include <string>

#include "portkit/port.h"
#include "tools/cli/options.h"

namespace portkit::tool {

// The options every command that opens a port takes.
inline const std::set<std::string> kLineOptions = {"port", "baud", "parity", "data", "stop", "flow"};

// The line speed when --baud is not given.
constexpr long kDefaultBaud = 115200;

// False, with the reason on stderr, when --baud, --data or --stop is not a
// number, --baud not a positive one, or --flow names no known kind: mistakes
// in the command line itself.
bool LineNumbersUsable(const Options &options);
// The same, and false when --port is missing.
bool LineOptionsUsable(const std::string &command, const Options &options);

// Opens `device` (anything --port takes) with --baud, --parity, --data,
// --stop and --flow, `default_baud` when --baud is not given. Prints the
// reason and returns null on failure.
PortStructure *OpenLine(const std::string &command, const std::string &device, const Options &options,
                        long default_baud);
// The first word that is not an option taken as the device, as if given
// with --port (portkit term /dev/ttyUSB0). False, with the reason on
// stderr, when --port names another one. Nothing when there is no word.
bool TakeDeviceWord(Options &options);

// Opens the device --port names.
PortStructure *OpenPortOption(const std::string &command, const Options &options);

// "RTS/CTS flow control" and the like, for what --flow asks.
std::string FlowText(const std::string &flow);

// The port number a --port value stands for (0, COM1 and \\.\COM1 are 0);
// -1 for a device named otherwise.
int PortNumberFor(const std::string &port);

// Opens the port a --port value names: by number, or by device name.
PortStructure *OpenDeviceNamed(const std::string &device, long baud, char parity, int data, int stop);

}  // namespace portkit::tool

#endif
