#include "tools/modem/modem_abort.h"

#include "portkit/port.h"
#include "tools/cli/interrupt.h"

namespace portkit::tool {
namespace {

// Called by the library before every character a modem wait takes.
int AbortCheck(PortStructure *) { return Interrupted() ? PORTKIT_USER_ABORT : 0; }

}  // namespace

void AbortModemWaitsOnInterrupt() {
    CatchInterrupt();
    SetAbortModemFunctionPtr(AbortCheck);
}

}  // namespace portkit::tool
