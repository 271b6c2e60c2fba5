// Ending a transfer early through the library's abort hook, so the engine
// still tells the other end (XMODEM and YMODEM send a row of cancels).
#ifndef PORTKIT_TOOLS_TRANSFER_TRANSFER_ABORT_H
#define PORTKIT_TOOLS_TRANSFER_TRANSFER_ABORT_H

#include <chrono>

namespace portkit::tool {

// From now on the first Ctrl-C ends the running transfer with "User abort";
// a second one goes to the handler it had before (by default, ending the
// program at once).
void AbortTransfersOnInterrupt();

// Transfers still running `limit` from now end with "User abort". A zero
// limit takes the deadline away.
void AbortTransfersAfter(std::chrono::milliseconds limit);

}  // namespace portkit::tool

#endif
