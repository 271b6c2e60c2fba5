// Reading what the host sends: the stop check at every read and every
// second of silence, and the count of what does not move the exchange on.
#include "portkit/timedio.h"
#include "transfer/bplus/bplus_engine.h"

namespace portkit::transfer {
namespace {

constexpr int kSliceMs = 1000;
constexpr int kStrayBytesPerError = 1024;

// The abort check, whatever the reader has noted in the status meanwhile.
bool StopAsked(TransferRecord *record) {
    const int32_t held = record->status;
    record->status = 0;
    if (XferCheckAbort(record) != 0) {
        // A hook's code that could pass for a byte or for silence is a stop all the same.
        if (record->status >= 0 || record->status == PORTKIT_BUFFER_EMPTY) record->status = PORTKIT_XFER_USER_ABORT;
        return true;
    }
    record->status = held;
    return false;
}

}  // namespace

int BPlusReadChar(TransferRecord *record, int timeout_ms) {
    int remaining = timeout_ms;
    for (bool first = true;; first = false) {
        if (StopAsked(record)) return record->status;
        if (!first && remaining <= 0) return PORTKIT_BUFFER_EMPTY;
        const int slice = remaining < kSliceMs ? remaining : kSliceMs;
        const int c = ReadCharTimed(record->port, slice);
        if (c >= 0) return c;
        if (c != PORTKIT_BUFFER_EMPTY) {
            // Not silence: the line has gone or the idle hook stopped us.
            record->status = LineHasGone(record->port) ? PORTKIT_XFER_LOST_CARRIER : c;
            return record->status;
        }
        remaining -= slice;
    }
}

void CountExchangeError(TransferRecord *record) {
    ++record->error_count;
    ++record->retry_count;
}

void CountStrayByte(TransferRecord *record) {
    BPlusState &state = StateOf(record);
    if (state.stray_bytes % kStrayBytesPerError == 0) CountExchangeError(record);
    ++state.stray_bytes;
}

void ExchangeMovedOn(TransferRecord *record) {
    record->retry_count = 0;
    StateOf(record).stray_bytes = 0;
}

}  // namespace portkit::transfer
