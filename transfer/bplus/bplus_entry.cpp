// The B+ entry points: the answer to the host's ENQ, and the transfer.
#include <cstring>

#include "portkit/timedio.h"
#include "transfer/bplus/bplus_engine.h"

namespace portkit::transfer {
namespace {

constexpr int kOptions[] = {PORTKIT_XFER_KEEP_PATHS,     PORTKIT_XFER_BPLUS_1024,     PORTKIT_XFER_BPLUS_1025,
                            PORTKIT_XFER_BPLUS_1026,     PORTKIT_XFER_EXISTING_FILES, PORTKIT_XFER_PARTIAL_NAMES,
                            PORTKIT_XFER_NO_HIDDEN_NAMES};

}  // namespace
}  // namespace portkit::transfer

using namespace portkit::transfer;

extern "C" {

// A write that fails ends the answer and is what the caller gets.
PORTKIT_API int CompuServeBPlusRespond(PortStructure *port, int bplus) {
    static constexpr unsigned char kBPlusAnswer[] = {kDLE, '+', '+', kDLE, '0'};
    if (port == nullptr) return PORTKIT_INVALID_PARAMETER;
    const unsigned char *answer = bplus != 0 ? kBPlusAnswer : kBPlusAnswer + 3;
    const int length = bplus != 0 ? 5 : 2;
    for (int i = 0; i < length; ++i) {
        if (const int result = WriteCharTimed(port, answer[i], kBPlusWriteTimeoutMs); result < 0) return result;
    }
    return port->status;
}

PORTKIT_API int CompuServeBPlusWithOptions(PortStructure *port, XferMessageFunction message, XferStatusFunction status,
                                           ...) {
    TransferRecord record;
    InitialiseRecord(&record, port, message, status, PORTKIT_BPLUS);
    std::memset(&record.protocol, 0, sizeof record.protocol);
    BPlusArea &b = record.protocol.bplus;
    b.send_window = 1;
    b.receive_window = 1;
    std::va_list options;
    va_start(options, status);
    const int parsed = ParseTransferOptions(&record, options, OptionsOf(kOptions), nullptr, nullptr);
    va_end(options);
    if (parsed != 0) return PORTKIT_INVALID_PARAMETER;
    BPlusServe(&record);
    if (record.status != 0) return record.status;
    record.file_count = 1;
    return 1;
}

}  // extern "C"
