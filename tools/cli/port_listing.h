// Finding the serial devices present on this machine.
#ifndef PORTKIT_TOOLS_CLI_PORT_LISTING_H
#define PORTKIT_TOOLS_CLI_PORT_LISTING_H

#include <string>
#include <vector>

namespace portkit::tool {

struct SerialDevice {
    int port_number;          // the number to open it by, or -1 (open it by path)
    std::string device;       // path or name
    std::string description;  // by-id name, mapping, or empty
};

std::vector<SerialDevice> ListSerialDevices();

}  // namespace portkit::tool

#endif
