#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "tools/cli/port_listing.h"

namespace portkit::tool {

std::vector<SerialDevice> ListSerialDevices() {
    std::vector<SerialDevice> devices;
    std::vector<char> names(1 << 16);
    const DWORD length = QueryDosDeviceA(nullptr, names.data(), static_cast<DWORD>(names.size()));
    for (const char *name = names.data(); length != 0 && *name != '\0'; name += std::strlen(name) + 1) {
        if (std::strncmp(name, "COM", 3) != 0) continue;
        const int number = std::atoi(name + 3);
        if (number < 1) continue;
        char target[512] = {};
        QueryDosDeviceA(name, target, sizeof target);
        devices.push_back({number - 1, name, target});
    }
    return devices;
}

}  // namespace portkit::tool
