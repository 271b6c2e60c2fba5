// The device names the serial driver hands to CreateFile.
#ifndef PORTKIT_DRIVERS_WIN32_DEVICE_NAME_H
#define PORTKIT_DRIVERS_WIN32_DEVICE_NAME_H

#include <string>
#include <string_view>

namespace portkit::driver {

// Port number a by-name port records when its name is no COM name.
constexpr int kNoPortNumber = -1;

// "\\.\COM<n+1>": port n counted from 0.
std::string ComDeviceName(int port_number);

// n-1 for "COMn" or "\\.\COMn" in either case (n from 1), else kNoPortNumber.
int PortNumberOfName(std::string_view name);

// The name to open: a COM name in the "\\.\COMn" form, which Windows needs
// from COM10 on and the POSIX layer maps through PORTKIT_COMn; any other
// name unchanged.
std::string DeviceNameToOpen(std::string_view name);

}  // namespace portkit::driver

#endif
