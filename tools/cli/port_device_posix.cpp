#include <sys/stat.h>

#include <cstdlib>

#include "tools/cli/port_device.h"
#include "tools/cli/port_option.h"

namespace portkit::tool {

// As the library's comm layer maps \\.\COMn: PORTKIT_COMn when set, else
// the n-th UART.
std::string DevicePathFor(const std::string &port) {
    const int number = PortNumberFor(port);
    if (number < 0) return port;
    const std::string variable = "PORTKIT_COM" + std::to_string(number + 1);
    if (const char *mapped = std::getenv(variable.c_str()); mapped != nullptr && *mapped != '\0') return mapped;
    return "/dev/ttyS" + std::to_string(number);
}

bool DevicePresent(const std::string &port) {
    if (NamesServerPort(port)) return true;
    struct stat status {};
    return stat(DevicePathFor(port).c_str(), &status) == 0;
}

}  // namespace portkit::tool
