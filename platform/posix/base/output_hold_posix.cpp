// Holding a serial port's output for a transfer: only ports of the Win32-style
// driver stand on our own communications layer.
#include "platform/platform.h"
#include "platform/posix/comm/comm_port.h"
#include "portkit/serial.h"

namespace portkit::platform {

namespace {

posix::CommPort *OurPort(PortStructure *port) {
    if (port == nullptr || port->functions.WriteChar != _WriteCharMSWin32) return nullptr;
    return posix::CommPort::FromHandle(PortMSWin32GetCommHandle(port));
}

}  // namespace

void HoldPortOutput(PortStructure *port, bool hold) {
    if (posix::CommPort *comm = OurPort(port)) comm->HoldOutput(hold);
}

bool PortOutputHeld(PortStructure *port) {
    const posix::CommPort *comm = OurPort(port);
    return comm != nullptr && comm->HoldingOutput();
}

}  // namespace portkit::platform
