// Waiting for characters and clearing the line, shared by both directions.
#include "portkit/timedio.h"
#include "transfer/xmodem_engine.h"

namespace portkit::transfer {
namespace {

constexpr int kSliceMs = 1000;

}  // namespace

int WaitForCharacter(TransferRecord *record, int timeout_ms) {
    int remaining = timeout_ms;
    for (;;) {
        const int c = ReadCharTimed(record->port, remaining < kSliceMs ? remaining : kSliceMs);
        if (c >= 0) return c;
        if (XferCheckAbort(record)) return kStopped;
        remaining -= kSliceMs;
        if (remaining <= 0) return kTimedOut;
    }
}

bool DiscardUntilQuiet(TransferRecord *record) {
    while (ReadCharTimed(record->port, kSliceMs) >= 0) {
        if (XferCheckAbort(record)) return false;
    }
    return true;
}

bool Purge(TransferRecord *record) {
    PortStructure *port = record->port;
    for (;;) {
        if (XferCheckAbort(record)) return false;
        while (port->functions.SpaceUsedInRXBuffer(port) > 0) {
            if (port->functions.ReadChar(port) < 0) break;
        }
        const int c = ReadCharTimed(port, kSliceMs);
        if (c <= 0) return true;  // silence, or a NUL
    }
}

}  // namespace portkit::transfer
