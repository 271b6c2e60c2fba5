// A port's queues as a transfer or an emulator reaches them, whichever
// driver stands behind the port: input looked into in place, and output
// held to go out in batches. See platform/platform.h for the meaning of
// each call; ports of the network driver keep their queues in the driver.
#ifndef PORTKIT_PORT_PORT_QUEUES_H
#define PORTKIT_PORT_PORT_QUEUES_H

#include <cstddef>
#include <cstdint>
#include <span>

#include "portkit/port.h"

namespace portkit {

std::span<const std::uint8_t> PeekQueuedInput(PortStructure *port);
void DropQueuedInput(PortStructure *port, std::size_t count);
bool InputQueueVisible(PortStructure *port);
void HoldPortOutput(PortStructure *port, bool hold);

}  // namespace portkit

#endif
