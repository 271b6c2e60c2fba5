// Turning Win32 errors into status codes, and writing the settings.
#include "drivers/win32/win32_port_data.h"

namespace portkit::driver {

int MappedError() {
    switch (GetLastError()) {
        case 2:   // file not found
        case 3:   // path not found
            return PORTKIT_NO_DEVICE;
        case 5:   // access denied: another program holds the port
            return PORTKIT_IN_USE;
        default:
            return PORTKIT_GENERAL_ERROR;
    }
}

int StoreMappedError(PortStructure *port) {
    port->status = MappedError();
    return port->status;
}

int WriteDcb(PortStructure *port) {
    Win32PortData *data = DataOf(port);
    if (!SetCommState(data->comm_handle, &data->dcb)) return StoreMappedError(port);
    return 0;
}

}  // namespace portkit::driver
