// Standard input and output as the transfer's line, the way sz and rz use
// them: inside an SSH session, or between two programs joined by pipes.
#ifndef PORTKIT_TOOLS_TRANSFER_STDIO_LINE_H
#define PORTKIT_TOOLS_TRANSFER_STDIO_LINE_H

#include <string>

#include "portkit/port.h"
#include "tools/cli/options.h"

namespace portkit::tool {

// False, with the reason on stderr, where the tool cannot do it.
bool StdioLineAvailable(const std::string &command);

// Puts a terminal on standard input into raw mode, keeping its settings and
// the descriptors' flags to put back at exit and on fatal signals, then
// opens descriptors 0 and 1 as a port with the line options (at the
// terminal's own speed unless --baud says otherwise). Null, with the reason
// on stderr and everything put back, on failure.
PortStructure *OpenStdioLine(const std::string &command, const Options &options);

// Puts standard input and output back as they were; nothing when
// OpenStdioLine never took them over. Safe to repeat.
void RestoreStdio();

// True when standard error is the terminal, pipe or file that standard input
// or output is: what is written there would land in the transfer.
bool StderrSharesStdio();

}  // namespace portkit::tool

#endif
