// The operating system's own reason for a port's last failure.
#include <algorithm>
#include <cstring>
#include <string>

#include "platform/platform.h"
#include "port/port_internal.h"

extern "C" {

PORTKIT_API int PWGetSystemError(PortStructure *port) { return port != nullptr ? port->system_error : 0; }

PORTKIT_API int PWGetSystemErrorText(PortStructure *port, char *buffer, int size) {
    if (buffer == nullptr || size <= 0) return 0;
    buffer[0] = '\0';
    if (port == nullptr || port->system_error == 0) return 0;
    const std::string text = portkit::platform::SystemErrorText(port->system_error);
    const std::size_t length = std::min(text.size(), static_cast<std::size_t>(size - 1));
    std::memcpy(buffer, text.data(), length);
    buffer[length] = '\0';
    return static_cast<int>(length);
}

}  // extern "C"
