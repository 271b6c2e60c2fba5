// The kernel keeps a Windows port's receive queue: there is nothing to look
// into in place, and readers take a byte at a time.
#include "platform/platform.h"

namespace portkit::platform {

std::span<const std::uint8_t> PeekQueuedInput(PortStructure *) { return {}; }
void DropQueuedInput(PortStructure *, std::size_t) {}
bool InputQueueVisible(PortStructure *) { return false; }

}  // namespace portkit::platform
