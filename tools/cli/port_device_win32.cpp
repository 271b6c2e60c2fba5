#include <windows.h>

#include "tools/cli/port_device.h"
#include "tools/cli/port_option.h"

namespace portkit::tool {

std::string DevicePathFor(const std::string &port) {
    const int number = PortNumberFor(port);
    return number < 0 ? port : "COM" + std::to_string(number + 1);
}

bool DevicePresent(const std::string &port) {
    if (NamesServerPort(port)) return true;
    const std::string device = DevicePathFor(port);
    if (PortNumberFor(port) >= 0) {
        char target[MAX_PATH];
        return QueryDosDeviceA(device.c_str(), target, sizeof target) != 0;
    }
    return GetFileAttributesA(device.c_str()) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace portkit::tool
