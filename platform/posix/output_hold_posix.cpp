// Holding a serial port's output for a transfer: only ports of the Win32-style
// driver stand on our own communications layer.
#include "platform/platform.h"
#include "platform/posix/comm_port.h"
#include "portkit/serial.h"

namespace portkit::platform {

void HoldPortOutput(PortStructure *port, bool hold) {
    if (port == nullptr || port->functions.WriteChar != _WriteCharMSWin32) return;
    if (posix::CommPort *comm = posix::CommPort::FromHandle(PortMSWin32GetCommHandle(port))) comm->HoldOutput(hold);
}

}  // namespace portkit::platform
