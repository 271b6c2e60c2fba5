// The default idle wait on POSIX: there is no message queue to pump.
#include "platform/platform.h"

namespace portkit::platform {

void IdleWait(PortStructure *) {}

}  // namespace portkit::platform
