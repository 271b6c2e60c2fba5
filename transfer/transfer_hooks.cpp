// The process-wide transfer hooks and the abort request.
#include <cstdio>

#include "platform/file_open.h"
#include "transfer/transfer_internal.h"

namespace portkit::transfer {

int DefaultAbortXferFunction(TransferRecord *record) {
    if (record->check_carrier != 0 && GetCd(record->port) == 0) return PORTKIT_XFER_LOST_CARRIER;
    return 0;
}

}  // namespace portkit::transfer

extern "C" {

PORTKIT_API FILE *_DefaultXferFileOpenFunction(TransferRecord *, const char *file_name, const char *mode) {
    return portkit::platform::OpenTransferFile(file_name, mode);
}

PORTKIT_API void SetXferFileOpenFunctionPtr(XferFileOpenFunction function) {
    if (DSInstanceData *settings = AddOrGetDSInstanceData()) {
        settings->xfer_file_open_function = function != nullptr ? function : _DefaultXferFileOpenFunction;
    }
}

PORTKIT_API void SetAbortXferFunctionPtr(AbortXferFunction function) {
    if (DSInstanceData *settings = AddOrGetDSInstanceData()) {
        settings->abort_xfer_function = function != nullptr ? function : portkit::transfer::DefaultAbortXferFunction;
    }
}

PORTKIT_API void PWFileTransferAbort(void) {
    if (DSInstanceData *settings = AddOrGetDSInstanceData()) settings->abort_request = 1;
}

}  // extern "C"
