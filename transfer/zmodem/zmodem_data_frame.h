// The ZMODEM sender's ZDATA frames, and the waits on the reverse channel
// its other states share with them.
#ifndef PORTKIT_TRANSFER_ZMODEM_DATA_FRAME_H
#define PORTKIT_TRANSFER_ZMODEM_DATA_FRAME_H

#include <cstdint>

#include "transfer/zmodem/zmodem_frames.h"

namespace portkit::transfer {

// How a ZDATA frame ended, and so what the sender does next. A failure
// (the record's status set) ends it with kAnswerDue: the status decides.
struct FrameEnd {
    enum class Kind {
        kAnswerDue,    // the receiver's answer (a ZACK or a ZRPOS) is still to be read
        kAnswerRead,   // a header came while the frame went out: `frame_type` is its type
        kStreamEnded,  // a ZCRCE ended the file: no ZACK comes, the ZEOF follows at once
    };
    Kind kind;
    int frame_type = 0;
};

// Sends one ZDATA frame from record->byte_total: subpackets read from the
// file while the window has room, the receiver's ZACKs taken as they come.
// `file_position` is where the file is read next (-1 after a failed seek).
FrameEnd SendDataFrame(TransferRecord *record, std::int32_t *file_position);

// A receiver that reads while it writes to disk takes a stream as fast as
// the line goes, however long the round trip, when the caller allows it.
bool Streaming(const ZmodemArea &z);

bool InputWaiting(TransferRecord *record);
// Waits up to `milliseconds` for input, calling the abort check and the idle
// hook; true when input is there.
bool WaitForInput(TransferRecord *record, int milliseconds);

// A binary header whose data is a file position.
int SendHeaderAt(TransferRecord *record, int type, std::int32_t position);

}  // namespace portkit::transfer

#endif
