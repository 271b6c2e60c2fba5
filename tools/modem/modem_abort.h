// Ending a wait for the modem early on Ctrl-C through the library's
// modem-abort hook, so the tool can still tidy up (stop a dial in progress).
#ifndef PORTKIT_TOOLS_MODEM_MODEM_ABORT_H
#define PORTKIT_TOOLS_MODEM_MODEM_ABORT_H

namespace portkit::tool {

// From now on the first Ctrl-C ends the wait for the modem under way, and
// every later one, with "User abort"; a second Ctrl-C goes to the handler it
// had before (by default, ending the program at once).
void AbortModemWaitsOnInterrupt();

}  // namespace portkit::tool

#endif
