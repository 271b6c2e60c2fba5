// Taps on a port's driver slots: a copy of every received byte to a log,
// and typed characters echoed to the screen as they are sent.
#ifndef PORTKIT_TOOLS_TERM_PORT_TAPS_H
#define PORTKIT_TOOLS_TERM_PORT_TAPS_H

#include <functional>

#include "portkit/port.h"
#include "tools/term/session_log.h"

namespace portkit::tool {

// One port at a time carries taps; Remove puts its slots back.
void TapReceivedBytes(PortStructure *port, SessionLog *log);
void TapSentCharacters(PortStructure *port, std::function<void(int)> echo);
void RemovePortTaps(PortStructure *port);

}  // namespace portkit::tool

#endif
