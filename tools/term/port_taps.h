// Taps on a port's driver slots: a copy of every received byte to a log,
// and typed characters echoed to the screen as they are sent.
#ifndef PORTKIT_TOOLS_TERM_PORT_TAPS_H
#define PORTKIT_TOOLS_TERM_PORT_TAPS_H

#include <functional>

#include "portkit/port.h"
#include "tools/term/session_log.h"

namespace portkit::tool {

// One port at a time carries taps; Remove puts its slots back.
//
// Received bytes pass the log's tap only while the log is open: a port
// with its own slots lets the library's readers take the driver's queue in
// place, rather than a byte at a time. FollowLog puts the tap on or takes
// it off after the log opened or closed.
void TapReceivedBytes(PortStructure *port, SessionLog *log);
void FollowLog(PortStructure *port);
void TapSentCharacters(PortStructure *port, std::function<void(int)> echo);
void RemovePortTaps(PortStructure *port);

}  // namespace portkit::tool

#endif
