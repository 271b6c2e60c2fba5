// Turning a device name into a line endpoint.
#ifndef PORTKIT_PLATFORM_POSIX_COMM_DEVICE_OPEN_H
#define PORTKIT_PLATFORM_POSIX_COMM_DEVICE_OPEN_H

#include <memory>
#include <string>

#include "platform/posix/comm/line_endpoint.h"

namespace portkit::posix {

// The device a name stands for. "\\.\COMn" is port n-1: the path in the
// environment variable PORTKIT_COMn when set, else /dev/ttyS<n-1>. Any other
// name is a path, "sim:NAME:a|b" or "fd:N".
std::string ResolveDeviceName(const std::string &name);

// Opens the device exclusively. Null with errno set on failure (EBUSY when
// someone else holds it).
std::unique_ptr<LineEndpoint> OpenDevice(const std::string &device);

// Win32 error number for an errno value met while opening or configuring.
unsigned ErrorFromErrno(int error);

}  // namespace portkit::posix

#endif
