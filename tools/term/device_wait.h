// Waiting for a device to appear or come back, with the user's keys still
// heard: Ctrl-C and the command key then q end the wait at once.
#ifndef PORTKIT_TOOLS_TERM_DEVICE_WAIT_H
#define PORTKIT_TOOLS_TERM_DEVICE_WAIT_H

#include "tools/term/term_session.h"

namespace portkit::tool {

enum class DeviceWaitEnd { kOpened, kQuit, kInterrupted };

// Tries `reopen` until it gives a port (into `port`) or the user quits.
DeviceWaitEnd WaitForDevice(const Reopen &reopen, unsigned char command_key, PortStructure **port);

}  // namespace portkit::tool

#endif
