// The ASCII receiver: everything that arrives goes to one file until the
// line has been quiet for the receive time-out.
#include <cstdio>

#include "transfer/received_file.h"
#include "transfer/ascii/ascii_engine.h"

namespace portkit::transfer {
namespace {

void ReadFailed(TransferRecord *record, int code) {
    if (code == PORTKIT_XFER_LOST_CARRIER || LineHasGone(record->port)) {
        EndAscii(record, PORTKIT_XFER_LOST_CARRIER, "The line has gone: the other end hung up");
    } else {
        EndAscii(record, PORTKIT_XFER_NO_CHARACTER, "Can't get character");
    }
}

// Takes what the port holds. False when the transfer has ended.
bool DrainIntoFile(TransferRecord *record) {
    PortStructure *port = record->port;
    const AsciiArea &ascii = Ascii(record);
    for (;;) {
        const int queued = port->functions.SpaceUsedInRXBuffer(port);
        if (queued == 0) return true;
        const int c = queued > 0 ? port->functions.ReadChar(port) : queued;
        if (c < 0) {
            ReadFailed(record, c);
            return false;
        }
        if (ascii.echo_function != nullptr) ascii.echo_function(c & 0xFF);
        CountBytes(record, 1);
        // While data flow the abort check runs only now and then.
        if ((BytesMoved(record) & 0xFF) == 0 && XferCheckAbort(record)) return false;
        if (ascii.strip_linefeeds != 0 && c == '\n') continue;
        const char byte = static_cast<char>(c);
        if (!WriteReceivedData(record, &byte, 1)) {
            EndAscii(record, PORTKIT_XFER_FILE_IO, "Error during file I/O");
            return false;
        }
    }
}

// Waits for the next character. False when the transfer has ended: the
// silence time-out, an abort or a failing port.
bool WaitForMore(TransferRecord *record) {
    PortStructure *port = record->port;
    const int32_t timeout = Ascii(record).receive_timeout;
    const int32_t deadline = DeadlineAfter(timeout < 0 ? 0 : timeout);
    for (;;) {
        const int queued = port->functions.SpaceUsedInRXBuffer(port);
        if (queued > 0) return true;
        if (queued < 0) {
            ReadFailed(record, queued);
            return false;
        }
        if (XferCheckAbort(record)) return false;
        if (StopOnReadFailure(record, RunIdleHook(port))) return false;
        if (timeout >= 0 && DeadlineReached(deadline)) {
            EndAscii(record, PORTKIT_XFER_CHAR_TIMEOUT, "Timeout waiting for characters");
            return false;
        }
    }
}

}  // namespace

void RunAsciiReceive(TransferRecord *record) {
    record->sending = 0;
    if (!XferSetUp(record)) return;
    if (!XferOpenFile(record)) return;
    while (DrainIntoFile(record) && WaitForMore(record)) {
    }
}

}  // namespace portkit::transfer
