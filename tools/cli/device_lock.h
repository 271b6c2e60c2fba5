// A UUCP lock file for each port the tool opens, beside the open's own
// lock, so minicom, picocom and the like see the line is taken and we see
// when they have it. On Windows an open is exclusive already: nothing is
// done there.
#ifndef PORTKIT_TOOLS_CLI_DEVICE_LOCK_H
#define PORTKIT_TOOLS_CLI_DEVICE_LOCK_H

#include <string>

#include "portkit/port.h"

namespace portkit::tool {

// Takes the lock for the device `port_name` (a --port value) stands for.
// False, with "DEVICE is in use by PROGRAM (pid N)" on stderr, when a live
// program holds it; a lock whose owner is gone is taken over. Where no lock
// file can be made (a lock directory we may not write) the open goes on
// without one, said only when `verbose`.
bool LockDevice(const std::string &command, const std::string &port_name, bool verbose);
// From now on closing `port` removes the lock taken for `port_name`. It is
// also removed at exit and on SIGTERM, SIGHUP and SIGINT.
void ReleaseLockOnClose(PortStructure *port, const std::string &port_name);
// Removes the lock taken for `port_name` now (its open failed).
void ReleaseDeviceLock(const std::string &port_name);

}  // namespace portkit::tool

#endif
