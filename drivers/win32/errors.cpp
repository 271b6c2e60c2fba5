// Turning Win32 errors into status codes, and writing the settings.
#include "drivers/win32/win32_port_data.h"
#include "platform/platform.h"

namespace portkit::driver {

int MappedError() {
    switch (GetLastError()) {
        case 2:  // file not found
        case 3:  // path not found
            return PORTKIT_NO_DEVICE;
        case 5:  // access denied: another program holds the port
            return PORTKIT_IN_USE;
        default:
            return PORTKIT_GENERAL_ERROR;
    }
}

int MappedIoError() {
    switch (GetLastError()) {
        case 5:     // access denied: the handle outlived its device
        case 21:    // the device is not ready (Wine, for a pty whose other side closed)
        case 22:    // the device does not recognise the command
        case 31:    // a device attached to the system is not functioning
        case 38:    // end of file
        case 109:   // broken pipe
        case 232:   // the pipe is being closed
        case 1167:  // the device is not connected
        case 1617:  // the device has been removed
            return PORTKIT_XFER_LOST_CARRIER;
        default:
            return PORTKIT_GENERAL_ERROR;
    }
}

int StoreMappedIoError(PortStructure *port) {
    port->system_error = portkit::platform::LastSystemError();
    port->status = MappedIoError();
    return port->status;
}

int StoreMappedError(PortStructure *port) {
    port->system_error = portkit::platform::LastSystemError();
    port->status = MappedError();
    return port->status;
}

int WriteDcb(PortStructure *port) {
    Win32PortData *data = DataOf(port);
    if (!SetCommState(data->comm_handle, &data->dcb)) return StoreMappedError(port);
    return 0;
}

}  // namespace portkit::driver
