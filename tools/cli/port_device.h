// The device behind what --port names: a port number stands for a system
// device (/dev/ttyS3 or a PORTKIT_COMn mapping on POSIX, COM4 on Windows),
// which is the name messages show.
#ifndef PORTKIT_TOOLS_CLI_PORT_DEVICE_H
#define PORTKIT_TOOLS_CLI_PORT_DEVICE_H

#include <string>

namespace portkit::tool {

// The device a --port value opens: itself unless it is a port number or COMn.
std::string DevicePathFor(const std::string &port);

// Whether that device is there now (a device that is not is waited for
// without trying to open it).
bool DevicePresent(const std::string &port);

}  // namespace portkit::tool

#endif
