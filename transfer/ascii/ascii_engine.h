// The ASCII engines: text line by line out, everything in until silence.
#ifndef PORTKIT_TRANSFER_ASCII_ASCII_ENGINE_H
#define PORTKIT_TRANSFER_ASCII_ASCII_ENGINE_H

#include "transfer/transfer_internal.h"

namespace portkit::transfer {

constexpr int kAsciiLineLength = 82;
constexpr int kAsciiReceiveTimeoutMs = 10000;

inline AsciiArea &Ascii(TransferRecord *record) { return record->protocol.ascii; }

// Both leave the outcome in the record's status (0: success).
void RunAsciiSend(TransferRecord *record);
void RunAsciiReceive(TransferRecord *record);

// Ends the transfer with `code`, saying why.
inline void EndAscii(TransferRecord *record, int code, const char *message) {
    record->status = code;
    XferMessage(record, "%s", message);
    XferCleanUp(record);
}

// Reads what the port holds and hands each character to the echo hook.
// False when the transfer has ended (abort, or a read that failed).
bool DrainEcho(TransferRecord *record);

}  // namespace portkit::transfer

#endif
