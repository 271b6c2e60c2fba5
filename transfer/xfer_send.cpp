// Sending with a deadline: retry while the transmit queue refuses, keep the
// abort check and the idle hook running, report the time left now and then.
#include "transfer/transfer_internal.h"

namespace portkit::transfer {
namespace {

constexpr int kCharDeadlineMs = 30000;
constexpr int kBufferDeadlineMs = 60000;

bool IsRefusal(int code) { return code == PORTKIT_BUFFER_FULL || code == PORTKIT_BLOCKED_BY_HANDSHAKING; }

int SecondsLeft(int32_t deadline) {
    return static_cast<int32_t>(static_cast<uint32_t>(deadline) - static_cast<uint32_t>(ElapsedTime())) / 1000;
}

// One turn while the queue refuses: the abort check, the idle hook, and now
// and then the seconds left. False when the send must end (status set).
bool RetryTurn(TransferRecord *record, int32_t deadline, int *report_at, const char *report_format) {
    if (record->status != PORTKIT_XFER_USER_ABORT && XferCheckAbort(record)) return false;
    if (RunIdleHook(record->port) < 0) {
        record->status = PORTKIT_XFER_CHAR_FULL;
        return false;
    }
    if (const int left = SecondsLeft(deadline); left <= *report_at) {
        XferMessage(record, report_format, left);
        *report_at -= 5;
    }
    return true;
}

}  // namespace

int XferSendChar(TransferRecord *record, int byte) {
    PortStructure *port = record->port;
    const int32_t saved_status = port->status;
    // Most bytes go at the first try: the clock is read only once one waits.
    int result = port->functions.WriteChar(port, byte & 0xFF);
    if (result == 0) return 0;
    const int32_t deadline = DeadlineAfter(kCharDeadlineMs);
    int report_at = 25;
    for (;; result = port->functions.WriteChar(port, byte & 0xFF)) {
        if (result == 0) return 0;
        if (!IsRefusal(result)) {
            XferMessage(record, "Error %d sending buffer", result);
            record->status = result == PORTKIT_XFER_LOST_CARRIER ? result : PORTKIT_XFER_CHAR_FULL;
            return result;
        }
        if (DeadlineReached(deadline)) {
            XferMessage(record, "Timeout error sending buffer");
            record->status = PORTKIT_XFER_CHAR_FULL;
            return result;
        }
        port->status = saved_status;
        if (!RetryTurn(record, deadline, &report_at, "%d sec left to WriteChar")) return record->status;
    }
}

int XferSendBuffer(TransferRecord *record, const char *data, unsigned int length) {
    PortStructure *port = record->port;
    const int32_t saved_status = port->status;
    const int32_t deadline = DeadlineAfter(kBufferDeadlineMs);
    int report_at = 55;
    unsigned int sent = 0;
    for (;;) {
        port->count = 0;
        const int result = port->functions.WriteBuffer(port, data + sent, length - sent);
        const unsigned int moved = port->count > 0 ? static_cast<unsigned int>(port->count) : 0;
        sent += moved < length - sent ? moved : length - sent;
        port->count = static_cast<int32_t>(sent);
        if (sent == length && result >= 0) return 0;
        if (result < 0 && !IsRefusal(result)) {
            XferMessage(record, "Error %d sending buffer", result);
            record->status = result == PORTKIT_XFER_LOST_CARRIER ? result : PORTKIT_XFER_BLOCK_FULL;
            return result;
        }
        if (sent == length) return 0;
        if (DeadlineReached(deadline)) {
            XferMessage(record, "Timeout error sending buffer");
            record->status = PORTKIT_XFER_BLOCK_FULL;
            return result < 0 ? result : PORTKIT_BUFFER_FULL;
        }
        port->status = saved_status;
        if (!RetryTurn(record, deadline, &report_at, "%d sec to complete WriteBuffer")) return record->status;
    }
}

}  // namespace portkit::transfer
