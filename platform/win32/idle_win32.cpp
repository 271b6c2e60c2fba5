// The default idle wait on Win32: dispatch the calling thread's messages so
// the application's windows stay alive during a wait.
#include <windows.h>

#include "platform/net_socket.h"
#include "platform/platform.h"

namespace portkit::platform {

void IdleWait(PortStructure *port) {
    PrepareSocketWait(port);
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

}  // namespace portkit::platform

namespace portkit::platform {

// Waits pump messages rather than block, so nothing is kept per port.
void AttachPortWait(PortStructure *, void *) {}
void DetachPortWait(PortStructure *port) { DetachSocketWait(port); }

}  // namespace portkit::platform
