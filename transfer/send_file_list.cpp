// The sending half every batch entry point shares.
#include "port/port_queues.h"
#include "transfer/file_list.h"
#include "transfer/transfer_internal.h"

namespace portkit::transfer {

int SendFileList(TransferRecord *record, const char *file_spec, bool descend, void (*engine)(TransferRecord *record)) {
    record->file_list = FileListCreate(file_spec != nullptr ? file_spec : "", descend ? 1 : 0);
    if (record->file_list == nullptr) {
        record->status = PORTKIT_XFER_NO_BUFFER;
        return record->status;
    }
    record->sending = 1;
    engine(record);
    // Whichever way the engine ended, nothing stays held on the line.
    portkit::HoldPortOutput(record->port, false);
    if (record->file_list != nullptr) record->file_list->destroy(record->file_list);
    return TransferResult(*record);
}

}  // namespace portkit::transfer
