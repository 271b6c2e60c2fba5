// Kermit entry points: defaults, options, the list of files to send or the
// name buffer to receive into, and the engines.
#include <cstring>

#include "transfer/kermit/kermit_engine.h"

namespace portkit::transfer {
namespace {

constexpr int kSendOptions[] = {PORTKIT_XFER_KERMIT_EIGHTH_BIT, PORTKIT_XFER_KERMIT_SEVEN_BIT,
                                PORTKIT_XFER_KERMIT_NO_REPEAT,  PORTKIT_XFER_KEEP_PATHS,
                                PORTKIT_XFER_DESCEND,           PORTKIT_XFER_KERMIT_LONG_PACKETS_AND_WINDOWS};
constexpr int kReceiveOptions[] = {PORTKIT_XFER_KERMIT_SEVEN_BIT, PORTKIT_XFER_KERMIT_NO_REPEAT,
                                   PORTKIT_XFER_KEEP_PATHS,       PORTKIT_XFER_EXISTING_FILES,
                                   PORTKIT_XFER_PARTIAL_NAMES,    PORTKIT_XFER_KERMIT_LONG_PACKETS_AND_WINDOWS,
                                   PORTKIT_XFER_NO_HIDDEN_NAMES};

void Prepare(TransferRecord *record, PortStructure *port, XferMessageFunction message, XferStatusFunction status,
             bool sending) {
    InitialiseRecord(record, port, message, status, PORTKIT_KERMIT);
    std::memset(&record->protocol, 0, sizeof record->protocol);
    SetKermitDefaults(record, sending);
}

}  // namespace

void SetKermitDefaults(TransferRecord *record, bool sending) {
    KermitArea &k = Kermit(record);
    record->sending = sending ? 1 : 0;
    k.seven_bit = 0;
    k.eighth_bit_prefix = sending ? 'N' : 'Y';
    k.repeat_mode = sending ? 1 : 0xFF;
    k.repeat_prefix = sending ? '~' : ' ';
    ResetKermitLink(record);
}

}  // namespace portkit::transfer

using namespace portkit::transfer;

extern "C" {

PORTKIT_API int KermitSend(TransferRecord *record) {
    RunKermitSend(record);
    return TransferResult(*record);
}

// Names are taken into a buffer of the classic size unless the caller gave one.
PORTKIT_API int KermitReceive(TransferRecord *record) {
    char *own = nullptr;
    if (record->file_name == nullptr) {
        own = static_cast<char *>(AllocateXferBuffer(kKermitNameBufferSize));
        if (own == nullptr) return PORTKIT_XFER_NO_BUFFER;
        record->file_name = own;
    }
    RunKermitReceive(record);
    if (own != nullptr) {
        FreeXferBuffer(own);
        record->file_name = nullptr;
    }
    return TransferResult(*record);
}

PORTKIT_API int KermitSendWithOptions(PortStructure *port, const char *file_spec, XferMessageFunction message,
                                      XferStatusFunction status, ...) {
    TransferRecord record;
    Prepare(&record, port, message, status, true);
    bool descend = false;
    std::va_list options;
    va_start(options, status);
    const int parsed = ParseTransferOptions(&record, options, OptionsOf(kSendOptions), nullptr, &descend);
    va_end(options);
    if (parsed != 0) return PORTKIT_INVALID_PARAMETER;
    return SendFileList(&record, file_spec, descend, [](TransferRecord *sending) { RunKermitSend(sending); });
}

PORTKIT_API int KermitReceiveWithOptions(PortStructure *port, XferMessageFunction message, XferStatusFunction status,
                                         ...) {
    TransferRecord record;
    Prepare(&record, port, message, status, false);
    std::va_list options;
    va_start(options, status);
    const int parsed = ParseTransferOptions(&record, options, OptionsOf(kReceiveOptions), nullptr, nullptr);
    va_end(options);
    if (parsed != 0) return PORTKIT_INVALID_PARAMETER;
    record.file_name = static_cast<char *>(AllocateXferBuffer(kKermitNameBufferSize));
    if (record.file_name == nullptr) return PORTKIT_XFER_NO_BUFFER;
    RunKermitReceive(&record);
    FreeXferBuffer(record.file_name);
    return TransferResult(record);
}

}  // extern "C"
