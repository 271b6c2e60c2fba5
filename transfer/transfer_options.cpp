// Filling a transfer record and reading an entry point's option list.
#include <cstring>

#include "transfer/transfer_internal.h"

namespace portkit::transfer {
namespace {

constexpr int kResponseTimeoutMs = 10000;

bool Accepts(OptionSet accepted, int code) {
    for (int i = 0; i < accepted.count; ++i) {
        if (accepted.codes[i] == code) return true;
    }
    return false;
}

}  // namespace

void InitialiseRecord(TransferRecord *record, PortStructure *port, XferMessageFunction message,
                      XferStatusFunction status, int transfer_type) {
    std::memset(record, 0, sizeof *record);
    record->file_length = 0;
    record->file_time = -1;
    record->file_mode = -1;
    record->message_function = message;
    record->status_function = status;
    record->port = port;
    DSInstanceData *settings = SettingsOf(port);
    record->abort_key = settings != nullptr ? settings->abort_key : 27;
    record->transfer_type = static_cast<unsigned char>(transfer_type);
    record->strip_path = 1;
    record->protocol.xmodem.crc_mode = 1;
    record->protocol.xmodem.response_timeout = kResponseTimeoutMs;
    record->protocol.xmodem.last_char = -1;
}

// Options are compared on their low 16 bits; an option with an argument
// takes the next element.
int ParseTransferOptions(TransferRecord *record, std::va_list options, OptionSet accepted, bool *streaming,
                         bool *descend) {
    // Every entry point comes through here before it touches the port.
    if (record->port == nullptr) return PORTKIT_INVALID_PARAMETER;
    for (;;) {
        const int element = va_arg(options, int);
        if (element == 0) return 0;
        const int code = element & 0xFFFF;
        const bool common = code == PORTKIT_XFER_NO_OPTION || code == PORTKIT_XFER_CHECK_CARRIER ||
                            code == PORTKIT_XFER_ABORT_KEY || code == PORTKIT_XFER_STATUS_WINDOW;
        if (!common && !Accepts(accepted, code)) return PORTKIT_INVALID_PARAMETER;
        switch (code) {
            case PORTKIT_XFER_CHECK_CARRIER:
                record->check_carrier = 1;
                break;
            case PORTKIT_XFER_ABORT_KEY:
                record->abort_key = va_arg(options, int);
                break;
            case PORTKIT_XFER_STATUS_WINDOW:
                record->status_window = static_cast<uint32_t>(va_arg(options, int));
                break;
            case PORTKIT_XFER_KEEP_PATHS:
                record->strip_path = 0;
                break;
            case PORTKIT_XFER_CHECKSUM:
                record->protocol.xmodem.crc_mode = 0;
                break;
            case PORTKIT_XFER_DESCEND:
                if (descend != nullptr) *descend = true;
                break;
            case PORTKIT_XFER_STREAMING:
                if (streaming != nullptr) *streaming = true;
                break;
            case PORTKIT_XFER_ASCII_TIMEOUT:
                record->protocol.ascii.receive_timeout = va_arg(options, int);
                break;
            case PORTKIT_XFER_RESPONSE_TIMEOUT:
                record->protocol.xmodem.response_timeout = va_arg(options, int);
                break;
            case PORTKIT_XFER_ZMODEM_RESUME:
                record->protocol.zmodem.resume = 1;
                break;
            case PORTKIT_XFER_ZMODEM_BLOCK_DURING_WRITE:
                record->protocol.zmodem.block_during_write = 1;
                break;
            case PORTKIT_XFER_ZMODEM_HALF_DUPLEX:
                record->protocol.zmodem.full_duplex = 0;
                break;
            case PORTKIT_XFER_ZMODEM_STREAM:
                record->protocol.zmodem.stream_when_offered = 1;
                break;
            case PORTKIT_XFER_ZMODEM_NEWER_OR_LONGER:
                record->protocol.zmodem.management_option = 1;
                break;
            case PORTKIT_XFER_ZMODEM_APPEND:
                record->protocol.zmodem.management_option = 3;
                break;
            case PORTKIT_XFER_ZMODEM_REPLACE:
                record->protocol.zmodem.management_option = 4;
                break;
            case PORTKIT_XFER_ZMODEM_DIFFERENT:
                record->protocol.zmodem.management_option = 6;
                break;
            case PORTKIT_XFER_ZMODEM_PROTECT:
                record->protocol.zmodem.management_option = 7;
                break;
            case PORTKIT_XFER_ZMODEM_NEWER:
                record->protocol.zmodem.management_option = 5;
                break;
            case PORTKIT_XFER_ZMODEM_RETRY_LIMIT:
                record->protocol.zmodem.retry_limit = va_arg(options, int);
                break;
            case PORTKIT_XFER_ZMODEM_WINDOW:
                record->protocol.zmodem.window_size = va_arg(options, int);
                break;
            case PORTKIT_XFER_BPLUS_1024:
                record->protocol.bplus.requested_check_method = static_cast<unsigned char>(va_arg(options, int));
                break;
            case PORTKIT_XFER_BPLUS_1025:
                record->protocol.bplus.transport_byte_17 = 1;
                break;
            case PORTKIT_XFER_BPLUS_1026:
                record->protocol.bplus.download_resume = 2;
                break;
            case PORTKIT_XFER_KERMIT_EIGHTH_BIT:
                record->protocol.kermit.eighth_bit_prefix = '&';
                break;
            case PORTKIT_XFER_KERMIT_SEVEN_BIT:
                record->protocol.kermit.seven_bit = 1;
                break;
            case PORTKIT_XFER_KERMIT_NO_REPEAT:
                record->protocol.kermit.repeat_mode = 0;
                break;
            case PORTKIT_XFER_KERMIT_LONG_PACKETS_AND_WINDOWS:
                record->protocol.kermit.long_packets_and_windows = 1;
                break;
            case PORTKIT_XFER_EXISTING_FILES:
                record->existing_files = va_arg(options, int);
                if (record->existing_files < PORTKIT_EXISTING_REPLACE ||
                    record->existing_files > PORTKIT_EXISTING_RENAME) {
                    return PORTKIT_INVALID_PARAMETER;
                }
                break;
            case PORTKIT_XFER_PARTIAL_NAMES:
                record->partial_names = 1;
                break;
            case PORTKIT_XFER_NO_HIDDEN_NAMES:
                record->no_hidden_names = 1;
                break;
            default:
                break;
        }
    }
}

}  // namespace portkit::transfer
