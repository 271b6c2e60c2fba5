#include "port/port_queues.h"

#include "drivers/net/net_port_data.h"
#include "platform/platform.h"

namespace portkit {

std::span<const std::uint8_t> PeekQueuedInput(PortStructure *port) {
    return net::IsNetPort(port) ? net::QueuedInput(port) : platform::PeekQueuedInput(port);
}

void DropQueuedInput(PortStructure *port, std::size_t count) {
    if (net::IsNetPort(port)) {
        net::DropInput(port, count);
    } else {
        platform::DropQueuedInput(port, count);
    }
}

bool InputQueueVisible(PortStructure *port) { return net::IsNetPort(port) || platform::InputQueueVisible(port); }

void HoldPortOutput(PortStructure *port, bool hold) {
    if (net::IsNetPort(port)) {
        net::HoldOutput(port, hold);
    } else {
        platform::HoldPortOutput(port, hold);
    }
}

}  // namespace portkit
