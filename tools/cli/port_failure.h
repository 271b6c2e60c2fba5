// Why a port did not open, in the system's words, with a hint where one
// helps ("Permission denied (add yourself to the dialout group)").
#ifndef PORTKIT_TOOLS_CLI_PORT_FAILURE_H
#define PORTKIT_TOOLS_CLI_PORT_FAILURE_H

#include <string>

#include "portkit/port.h"

namespace portkit::tool {

std::string PortFailureReason(PortStructure *port, const std::string &device);

}  // namespace portkit::tool

#endif
