#include "tools/cli/port_failure.h"

namespace portkit::tool {

std::string PortFailureReason(PortStructure *port, const std::string &) {
    char text[256];
    if (PWGetSystemErrorText(port, text, sizeof text) == 0) return "the system gave no reason";
    return text;
}

}  // namespace portkit::tool
