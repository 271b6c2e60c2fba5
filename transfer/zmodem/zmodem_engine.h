// The two ZMODEM engines and what their entry points need of them.
#ifndef PORTKIT_TRANSFER_ZMODEM_ENGINE_H
#define PORTKIT_TRANSFER_ZMODEM_ENGINE_H

#include "transfer/zmodem/zmodem_frames.h"

namespace portkit::transfer {

constexpr int kDefaultWindowSize = 4096;
constexpr int kDefaultRetryLimit = 10;
// ZF0 of a ZFILE asking to carry on where an earlier transfer stopped.
constexpr int kConversionResume = 3;
// ZF1 keeps the file-management option in its low five bits; the top bit
// ("skip unless the file exists here") is not one of ours.
constexpr int kManagementMask = 0x1F;

// ZF1 values of the published protocol, as the file-management options.
enum ZmodemManagement : int {
    kManageNone = 0,
    kManageNewerOrLonger = 1,
    kManageCrc = 2,
    kManageAppend = 3,
    kManageReplace = 4,
    kManageNewer = 5,
    kManageDifferent = 6,
    kManageProtect = 7,
};

// The protocol area's defaults, before the entry point's options.
void SetZmodemDefaults(TransferRecord *record);

// Counts one consecutive error; true once the limit is reached, with the
// status set, or when a failure is already recorded (it is left as it is).
bool CountError(TransferRecord *record);

// Clears what one transfer's reads and frames leave behind.
void ResetZmodemCounters(TransferRecord *record);

// True when the receiver's opener must weigh a file already here.
bool ZmodemReceiverDecides(const TransferRecord *record);
// Opens (or skips, with status -620) the received file by those rules.
void OpenZmodemReceivedFile(TransferRecord *record, XferFileOpenFunction open);

// Sends every file of the record's list; receives until the sender ends.
void ZmodemSendBatch(TransferRecord *record);
void ZmodemReceiveBatch(TransferRecord *record);

}  // namespace portkit::transfer

#endif
