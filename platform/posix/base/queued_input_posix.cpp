// Looking into a serial port's receive queue in place: only ports of the
// Win32-style driver stand on our own communications layer.
#include "platform/platform.h"
#include "platform/posix/comm/comm_port.h"
#include "portkit/serial.h"

namespace portkit::platform {
namespace {

posix::CommPort *OurQueue(PortStructure *port) {
    if (port == nullptr || port->functions.ReadChar != _ReadCharMSWin32) return nullptr;
    return posix::CommPort::FromHandle(PortMSWin32GetCommHandle(port));
}

}  // namespace

std::span<const std::uint8_t> PeekQueuedInput(PortStructure *port) {
    posix::CommPort *comm = OurQueue(port);
    return comm != nullptr ? comm->QueuedInput() : std::span<const std::uint8_t>{};
}

bool InputQueueVisible(PortStructure *port) { return OurQueue(port) != nullptr; }

void DropQueuedInput(PortStructure *port, std::size_t count) {
    if (posix::CommPort *comm = OurQueue(port)) comm->DropInput(count);
}

}  // namespace portkit::platform
