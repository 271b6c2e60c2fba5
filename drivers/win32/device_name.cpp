#include "drivers/win32/device_name.h"

namespace portkit::driver {
namespace {

constexpr std::string_view kDevicePrefix = "\\\\.\\";

// Largest COM number taken; beyond it a name is left as it stands.
constexpr int kHighestComNumber = 100000;

bool StartsWithComIgnoringCase(std::string_view name) {
    return name.size() >= 3 && (name[0] == 'C' || name[0] == 'c') && (name[1] == 'O' || name[1] == 'o') &&
           (name[2] == 'M' || name[2] == 'm');
}

}  // namespace

std::string ComDeviceName(int port_number) {
    std::string name(kDevicePrefix);
    name += "COM";
    name += std::to_string(port_number + 1);
    return name;
}

int PortNumberOfName(std::string_view name) {
    if (name.substr(0, kDevicePrefix.size()) == kDevicePrefix) name.remove_prefix(kDevicePrefix.size());
    if (!StartsWithComIgnoringCase(name)) return kNoPortNumber;
    const std::string_view digits = name.substr(3);
    // No sign, no leading zero: "COM01" is not a name Windows gives a port.
    if (digits.empty() || digits[0] == '0') return kNoPortNumber;
    int number = 0;
    for (char c : digits) {
        if (c < '0' || c > '9' || number > kHighestComNumber / 10) return kNoPortNumber;
        number = number * 10 + (c - '0');
    }
    return number - 1;
}

std::string DeviceNameToOpen(std::string_view name) {
    const int port_number = PortNumberOfName(name);
    return port_number == kNoPortNumber ? std::string(name) : ComDeviceName(port_number);
}

}  // namespace portkit::driver
