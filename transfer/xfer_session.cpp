// Set-up, abort check and clean-up of a transfer.
#include "port/port_queues.h"
#include "platform/file_open.h"
#include "platform/platform.h"
#include "transfer/file_list.h"
#include "transfer/kermit/kermit_engine.h"
#include "transfer/received_file.h"
#include "transfer/transfer_internal.h"

namespace portkit::transfer {
namespace {

constexpr int kCancelPauseMs = 1000;
// A flood must not keep the clean-up reading for ever.
constexpr int kDiscardLimitMs = 1000;

std::size_t BufferSizeFor(const TransferRecord *record) {
    switch (record->transfer_type) {
        case PORTKIT_KERMIT:
            return KermitBufferSize(record);
        case PORTKIT_ASCII:
            return 128;
        case PORTKIT_BPLUS:
            return 1025;
        default:
            return 1024;
    }
}

// Ten CAN stop any XMODEM or ZMODEM peer; the backspaces erase them from a
// terminal that shows them.
void SendCancelSequence(TransferRecord *record) {
    char sequence[20];
    for (int i = 0; i < 10; ++i) sequence[i] = static_cast<char>(kCAN);
    for (int i = 10; i < 20; ++i) sequence[i] = static_cast<char>(kBS);
    XferSendBuffer(record, sequence, sizeof sequence);
}

void DiscardInput(PortStructure *port) {
    const int32_t deadline = DeadlineAfter(kDiscardLimitMs);
    while (port->functions.SpaceUsedInRXBuffer(port) > 0) {
        if (port->functions.ReadChar(port) < 0 || DeadlineReached(deadline)) break;
    }
}

// Ends the transfer with `code`, as an abort does.
void StopWith(TransferRecord *record, int code) {
    record->status = code;
    if (code == PORTKIT_XFER_LOST_CARRIER) XferMessage(record, "The line has gone: the other end hung up");
    if (record->transfer_type != PORTKIT_BPLUS) {
        XferMessage(record, "Transfer aborted...");
        XferCleanUp(record);
    }
}

AbortXferFunction AbortHook(TransferRecord *record) {
    DSInstanceData *settings = SettingsOf(record->port);
    return settings != nullptr && settings->abort_xfer_function != nullptr ? settings->abort_xfer_function
                                                                           : DefaultAbortXferFunction;
}

}  // namespace

int XferSetUp(TransferRecord *record) {
    record->status = 0;
    record->error_count = 0;
    record->retry_count = 0;
    record->file = nullptr;
    record->block_number = -1;
    record->block_size = -1;
    record->file_block = 1;
    record->byte_total = -1;
    if (record->buffer == nullptr) {
        record->buffer = static_cast<char *>(AllocateXferBuffer(static_cast<unsigned>(BufferSizeFor(record))));
    }
    if (record->buffer == nullptr) {
        XferMessage(record, "Failed to allocate XFER buffer(s)");
        record->status = PORTKIT_XFER_NO_BUFFER;
        XferCleanUp(record);
        return 0;
    }
    if (IsXmodemFamily(record)) record->protocol.xmodem.last_char = -1;
    record->port->status = 0;
    if (XferCheckAbort(record)) return 0;
    // Engines write a byte at a time and always go on to wait or read, which
    // hands the held bytes to the line; XferCleanUp stops the holding.
    portkit::HoldPortOutput(record->port, true);
    return 1;
}

int XferCheckAbort(TransferRecord *record) {
    if (record->status_function != nullptr) record->status_function(record);
    if (record->status == PORTKIT_XFER_USER_ABORT) return 1;
    if (record->status < 0) return 0;
    if (const int verdict = AbortHook(record)(record); verdict != 0) {
        StopWith(record, verdict);
        return 1;
    }
    if (LineHasGone(record->port)) {
        StopWith(record, PORTKIT_XFER_LOST_CARRIER);
        return 1;
    }
    if (record->check_carrier != 0 && GetCd(record->port) == 0) {
        record->status = PORTKIT_XFER_LOST_CARRIER;
        XferMessage(record, "Transfer aborted...");
        XferCleanUp(record);
        return 1;
    }
    return 0;
}

bool StopOnReadFailure(TransferRecord *record, int code) {
    if (code >= 0 || code == PORTKIT_BUFFER_EMPTY) return false;
    if (record->status >= 0) StopWith(record, code);
    return true;
}

void XferCleanUp(TransferRecord *record) {
    CloseXferFile(record);
    // The buffer doubles as the marker that this record still has to cancel.
    if (record->status != 0 && record->buffer != nullptr) {
        const bool cancel = IsXmodemFamily(record) ||
                            (record->transfer_type == PORTKIT_ZMODEM && record->status != PORTKIT_XFER_REMOTE_ABORT);
        // ASCII has no cancel to send, but what is still arriving is not the file's.
        if (cancel || record->transfer_type == PORTKIT_ASCII) {
            if (record->transfer_type == PORTKIT_ZMODEM) record->port->functions.ClearTXBuffer(record->port);
            // The cancel goes out before the pause, whatever the idle hook does.
            portkit::HoldPortOutput(record->port, false);
            const int32_t status = record->status;
            // A line that has gone takes no cancel and brings nothing to discard.
            if (!LineHasGone(record->port)) {
                if (cancel) SendCancelSequence(record);
                if (!LineHasGone(record->port)) {
                    PortKillTime(record->port, kCancelPauseMs);
                    DiscardInput(record->port);
                }
            }
            record->status = status;
        }
    }
    portkit::HoldPortOutput(record->port, false);
    FreeXferBuffer(record->buffer);
    record->buffer = nullptr;
    if (record->file_list != nullptr) {
        record->file_list->destroy(record->file_list);
        record->file_list = nullptr;
    }
}

}  // namespace portkit::transfer

extern "C" PORTKIT_API void CloseXferFile(TransferRecord *record) {
    if (!record->sending) return portkit::transfer::CloseReceivedFile(record);
    if (record->file == nullptr) return;
    portkit::platform::CloseTransferFile(record->file);
    record->file = nullptr;
}
