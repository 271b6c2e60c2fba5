// Output written on Windows is queued by the kernel's serial driver, so a
// transfer has nothing to gain from holding it.
#include "platform/platform.h"

namespace portkit::platform {

void HoldPortOutput(PortStructure *, bool) {}
bool PortOutputHeld(PortStructure *) { return false; }

}  // namespace portkit::platform
