// An upload: we send the file the host named in N packets, then TC.

#include "transfer/bplus/bplus_engine.h"

namespace portkit::transfer {

int SendFile(TransferRecord *record) {
    BPlusState &state = StateOf(record);
    XferMessage(record, "SendFile : %s", record->file_name);
    record->sending = 1;
    if (XferOpenFile(record) == 0 || record->file == nullptr) {
        const int32_t status = record->status;
        if (status != PORTKIT_XFER_LOST_CARRIER) BPlusSendFailure(record, 'M', "Cannot access file");
        XferMessage(record, "SendFile : Cannot access file %s", record->file_name);
        return status == PORTKIT_XFER_LOST_CARRIER || status == PORTKIT_XFER_USER_ABORT ? status
                                                                                        : PORTKIT_XFER_OPEN_FAILED;
    }
    unsigned char packet[kBPlusInitialBlockSize];
    const int room =
        record->block_size - 1 < kBPlusInitialBlockSize - 1 ? record->block_size - 1 : kBPlusInitialBlockSize - 1;
    for (;;) {
        packet[0] = 'N';
        const std::size_t got = std::fread(packet + 1, 1, static_cast<std::size_t>(room), record->file);
        if (got > 0) {
            if (const int result = BPlusQueuePacket(record, static_cast<int>(got) + 1, packet); result != 0) {
                CloseXferFile(record);
                return result;
            }
            CountBytes(record, static_cast<std::int64_t>(got));
            record->status = 0;
            if (XferCheckAbort(record)) {
                CloseXferFile(record);
                BPlusSendFailure(record, 'A', "Transfer cancelled");
                return record->status;
            }
            continue;
        }
        if (std::ferror(record->file) != 0) {
            XferMessage(record, "SendFile : Disk read error");
            CloseXferFile(record);
            BPlusSendFailure(record, 'I', "Disk read error");
            return PORTKIT_XFER_FILE_IO;
        }
        CloseXferFile(record);
        const unsigned char end[3] = {'T', 'C', ' '};
        if (const int result = BPlusQueuePacket(record, 3, end); result != 0) return result;
        state.done = 1;
        return BPlusWaitAll(record);
    }
}

}  // namespace portkit::transfer
