// The XMODEM family's engines and the pieces they share.
#ifndef PORTKIT_TRANSFER_XMODEM_ENGINE_H
#define PORTKIT_TRANSFER_XMODEM_ENGINE_H

#include "transfer/transfer_internal.h"

namespace portkit::transfer {

void XmodemSendFile(TransferRecord *record);
void XmodemReceiveFile(TransferRecord *record);
void YmodemSendBatch(TransferRecord *record);
void YmodemReceiveBatch(TransferRecord *record);

// Results of a wait for one character besides the character itself.
constexpr int kTimedOut = -1;
constexpr int kStopped = -2;  // the abort check called for a stop

// Waits up to `timeout_ms` for a character, running the abort check at
// least once a second.
int WaitForCharacter(TransferRecord *record, int timeout_ms);

// Reads and drops input until a second passes without any. False when the
// abort check calls for a stop.
bool DiscardUntilQuiet(TransferRecord *record);

// Drops what is queued and what follows, until a second of silence or a NUL.
bool Purge(TransferRecord *record);

// Sender: waits for the receiver's start character. False on failure
// (status set) or stop.
bool WaitForReceiverStart(TransferRecord *record);

// Sender: sends the block in the record's buffer as the frame
// header, number, complement, data, check; false on failure.
bool SendBlock(TransferRecord *record);

// Sender: waits for the block to be acknowledged.
bool WaitForAcknowledgement(TransferRecord *record);

// Receiver: the start character (or NAK once past the first block); false
// with status -603 when it cannot be sent.
bool SendStartOrNak(TransferRecord *record);

// Receiver: reads one block. The header character read (SOH, STX or EOT)
// comes back in `header`; false on failure with status set.
bool ReadBlock(TransferRecord *record, int *header);

unsigned char PadCharacter();

}  // namespace portkit::transfer

#endif
