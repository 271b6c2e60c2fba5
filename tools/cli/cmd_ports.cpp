// portkit ports: the serial devices present and the port numbers that open them.
#include <cstdio>

#include "tools/cli/commands.h"
#include "tools/cli/port_listing.h"

namespace portkit::tool {

int RunPorts(Arguments arguments) {
    if (!arguments.empty()) {
        std::fprintf(stderr, "portkit ports: takes no arguments\n");
        return kExitUsage;
    }
    const std::vector<SerialDevice> devices = ListSerialDevices();
    if (devices.empty()) {
        std::printf("no serial devices found\n");
        std::printf("A serial server's port opens as --port rfc2217://HOST:PORT or tcp://HOST:PORT.\n");
        return kExitOk;
    }
    std::printf("%-6s %-24s %s\n", "PORT", "DEVICE", "NOTE");
    for (const SerialDevice &device : devices) {
        const std::string number = device.port_number >= 0 ? std::to_string(device.port_number) : "-";
        std::printf("%-6s %-24s %s\n", number.c_str(), device.device.c_str(), device.description.c_str());
    }
    std::printf("\nOpen a device by its port number, or by path with --port PATH.\n");
    std::printf(
        "A serial server's port (ser2net, a terminal server) opens as --port rfc2217://HOST:PORT\n"
        "or, for bytes only, --port tcp://HOST:PORT.\n");
    return kExitOk;
}

}  // namespace portkit::tool
