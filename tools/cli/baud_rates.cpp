#include "tools/cli/baud_rates.h"

#include <cstdio>

namespace portkit::tool {

void ReportRefusedBaud(const std::string &command, const std::string &device, long rate) {
    std::fprintf(stderr, "portkit %s: %s does not take %ld baud; try one of %s\n", command.c_str(), device.c_str(),
                 rate, StandardBaudRates().c_str());
}

}  // namespace portkit::tool
