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
// without trying to open it). A serial server's port always counts as
// there: only connecting tells.
bool DevicePresent(const std::string &port);

// True for a serial server's port: rfc2217://HOST:PORT or tcp://HOST:PORT.
bool NamesServerPort(const std::string &port);

}  // namespace portkit::tool

#endif
