// Saying which line speeds a device takes when it refuses the one asked for.
#ifndef PORTKIT_TOOLS_CLI_BAUD_RATES_H
#define PORTKIT_TOOLS_CLI_BAUD_RATES_H

#include <string>

namespace portkit::tool {

// The standard rates of this system, lowest first, separated by blanks.
std::string StandardBaudRates();

// "portkit COMMAND: DEVICE does not take RATE baud; try one of ..." on stderr.
void ReportRefusedBaud(const std::string &command, const std::string &device, long rate);

}  // namespace portkit::tool

#endif
