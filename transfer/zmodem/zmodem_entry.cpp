// ZMODEM entry points: defaults, options, the list of files to send, and
// the engine.
#include <cstring>

#include "transfer/zmodem/zmodem_engine.h"

namespace portkit::transfer {
namespace {

constexpr int kSendOptions[] = {
    PORTKIT_XFER_KEEP_PATHS,
    PORTKIT_XFER_DESCEND,
    PORTKIT_XFER_ZMODEM_RESUME,
    PORTKIT_XFER_ZMODEM_HALF_DUPLEX,
    PORTKIT_XFER_ZMODEM_NEWER_OR_LONGER,
    PORTKIT_XFER_ZMODEM_APPEND,
    PORTKIT_XFER_ZMODEM_REPLACE,
    PORTKIT_XFER_ZMODEM_DIFFERENT,
    PORTKIT_XFER_ZMODEM_PROTECT,
    PORTKIT_XFER_ZMODEM_NEWER,
    PORTKIT_XFER_ZMODEM_RETRY_LIMIT,
    PORTKIT_XFER_ZMODEM_WINDOW,
    PORTKIT_XFER_ZMODEM_STREAM,
};
constexpr int kReceiveOptions[] = {
    PORTKIT_XFER_KEEP_PATHS,         PORTKIT_XFER_ZMODEM_RESUME,  PORTKIT_XFER_ZMODEM_BLOCK_DURING_WRITE,
    PORTKIT_XFER_ZMODEM_RETRY_LIMIT, PORTKIT_XFER_EXISTING_FILES, PORTKIT_XFER_PARTIAL_NAMES,
    PORTKIT_XFER_NO_HIDDEN_NAMES};

void Prepare(TransferRecord *record, PortStructure *port, XferMessageFunction message, XferStatusFunction status) {
    InitialiseRecord(record, port, message, status, PORTKIT_ZMODEM);
    std::memset(&record->protocol, 0, sizeof record->protocol);
    SetZmodemDefaults(record);
}

}  // namespace

void SetZmodemDefaults(TransferRecord *record) {
    ZmodemArea &z = Zmodem(record);
    z.full_duplex = 1;
    z.window_size = kDefaultWindowSize;
    z.retry_limit = kDefaultRetryLimit;
    z.management_option = kManageNone;
    z.resume = 0;
    z.block_during_write = 0;
    z.stream_when_offered = 0;
}

bool CountError(TransferRecord *record) {
    ++record->error_count;
    ++record->retry_count;
    if (record->status < 0) return true;
    if (record->retry_count >= Zmodem(record).retry_limit) {
        record->status = PORTKIT_XFER_TOO_MANY_ERRORS;
        return true;
    }
    return false;
}

void ResetZmodemCounters(TransferRecord *record) {
    ZmodemArea &z = Zmodem(record);
    z.cancel_count = 0;
    z.garbage_count = 0;
    z.resync_pending = 0;
    z.frame_bytes = 0;
    z.hex_header_seen = 0;
    if (!record->sending) z.receiver_flags = 0;
}

}  // namespace portkit::transfer

using namespace portkit::transfer;

extern "C" {

PORTKIT_API int ZmodemSendWithOptions(PortStructure *port, const char *file_spec, XferMessageFunction message,
                                      XferStatusFunction status, ...) {
    TransferRecord record;
    Prepare(&record, port, message, status);
    bool descend = false;
    std::va_list options;
    va_start(options, status);
    const int parsed = ParseTransferOptions(&record, options, OptionsOf(kSendOptions), nullptr, &descend);
    va_end(options);
    if (parsed != 0) return PORTKIT_INVALID_PARAMETER;
    // Every subpacket of a window is acknowledged, so a window of nothing
    // or less cannot work.
    if (record.protocol.zmodem.window_size <= 0 || record.protocol.zmodem.retry_limit <= 0) {
        return PORTKIT_INVALID_PARAMETER;
    }
    return SendFileList(&record, file_spec, descend, ZmodemSendBatch);
}

PORTKIT_API int ZmodemReceiveWithOptions(PortStructure *port, XferMessageFunction message, XferStatusFunction status,
                                         ...) {
    TransferRecord record;
    Prepare(&record, port, message, status);
    std::va_list options;
    va_start(options, status);
    const int parsed = ParseTransferOptions(&record, options, OptionsOf(kReceiveOptions), nullptr, nullptr);
    va_end(options);
    if (parsed != 0 || record.protocol.zmodem.retry_limit <= 0) return PORTKIT_INVALID_PARAMETER;
    ZmodemReceiveBatch(&record);
    return TransferResult(record);
}

}  // extern "C"
