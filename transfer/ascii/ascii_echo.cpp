// What the far end sends back while we send: shown through the echo hook
// or dropped, so that its queue never fills and blocks it.
#include "transfer/ascii/ascii_engine.h"

namespace portkit::transfer {

bool DrainEcho(TransferRecord *record) {
    if (XferCheckAbort(record)) return false;
    PortStructure *port = record->port;
    const XferEchoFunction echo = Ascii(record).echo_function;
    for (;;) {
        const int queued = port->functions.SpaceUsedInRXBuffer(port);
        if (queued == 0) return true;
        // A negative count is a port that failed, not one with data.
        const int c = queued > 0 ? port->functions.ReadChar(port) : queued;
        if (c < 0) return !StopOnReadFailure(record, c);
        if (echo != nullptr) echo(c & 0xFF);
    }
}

}  // namespace portkit::transfer
