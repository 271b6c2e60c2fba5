// Our packets: building and sending one, the send-ahead slots, waiting for
// acknowledgements, and the failure packet.
#include <cstring>

#include "portkit/timedio.h"
#include "transfer/bplus/bplus_engine.h"

namespace portkit::transfer {
namespace {

// DLE B digit, each data byte quoted, ETX, four check bytes quoted.
constexpr int kWireRoom = 3 + 2 * kBPlusInitialBlockSize + 1 + 8;

// A check byte is quoted only below 0x20; the last two of a CRC-32 only
// below 0x14.
int PutCheckByte(const BPlusState &state, unsigned char c, unsigned char limit, unsigned char *out) {
    if (c >= limit) {
        out[0] = c;
        return 1;
    }
    return QuoteInto(state, c, out);
}

// A packet from the host while we wait for acknowledgements: only its
// failure packet means anything then.
int HostFailureOrGoOn(TransferRecord *record, int result) {
    if (result == PORTKIT_XFER_BPLUS_PACKET && StateOf(record).packet_length > 0 && record->buffer[0] == 'F') {
        XferMessage(record, "Remote failure while sending");
        record->status = PORTKIT_XFER_PROTOCOL_ERROR;
        return PORTKIT_XFER_PROTOCOL_ERROR;
    }
    return result;
}

bool IsWaitFailure(int result) { return result != kAcknowledged && result != PORTKIT_XFER_BPLUS_PACKET; }

}  // namespace

bool SendRaw(TransferRecord *record, unsigned char c) {
    const int result = WriteCharTimed(record->port, c, kBPlusWriteTimeoutMs);
    if (result >= 0) return true;
    if (LineHasGone(record->port) || result == PORTKIT_XFER_LOST_CARRIER) {
        record->status = PORTKIT_XFER_LOST_CARRIER;
    } else if (result <= -600 && result > -700) {
        record->status = result;  // the idle hook's own reason, such as a stop
    } else {
        record->status = PORTKIT_XFER_CHAR_FULL;
    }
    return false;
}

int BPlusSendPacket(TransferRecord *record, int length, int sequence, const unsigned char *data) {
    const BPlusState &state = StateOf(record);
    if (length < 0 || length > kBPlusInitialBlockSize) return PORTKIT_XFER_INTERNAL_ERROR;
    unsigned char wire[kWireRoom];
    int n = 0;
    wire[n++] = kDLE;
    wire[n++] = 'B';
    const auto digit = static_cast<unsigned char>('0' + sequence);
    wire[n++] = digit;
    BPlusCheck check = StartCheck(state.check_method);
    AddToCheck(check, digit);
    for (int i = 0; i < length; ++i) {
        n += QuoteInto(state, data[i], wire + n);
        AddToCheck(check, data[i]);
    }
    wire[n++] = kETX;
    AddToCheck(check, kETX);
    unsigned char bytes[4];
    const int count = CheckBytes(check, bytes);
    for (int i = 0; i < count; ++i) {
        const unsigned char limit = count == 4 && i >= 2 ? 0x14 : 0x20;
        n += PutCheckByte(state, bytes[i], limit, wire + n);
    }
    for (int i = 0; i < n; ++i) {
        if (!SendRaw(record, wire[i])) return record->status;
    }
    return 0;
}

bool ReleaseThrough(BPlusState &state, int sequence) {
    for (int i = state.pending_count - 1; i >= 0; --i) {
        if (state.pending[i].sequence != sequence) continue;
        const int released = i + 1;
        for (int j = released; j < state.pending_count; ++j) state.pending[j - released] = state.pending[j];
        state.pending_count -= released;
        return true;
    }
    return false;
}

int BPlusQueuePacket(TransferRecord *record, int length, const unsigned char *data) {
    BPlusState &state = StateOf(record);
    BPlusArea &b = BPlus(record);
    if (length < 0 || length > kBPlusInitialBlockSize) return PORTKIT_XFER_INTERNAL_ERROR;
    while (state.pending_count > b.send_window + 2 || state.pending_count >= kBPlusPendingSlots) {
        const int result = HostFailureOrGoOn(record, _BPWaitForACK(true, false, true, true, record));
        if (IsWaitFailure(result)) return result;
    }
    int sequence;
    if (b.transport_byte_6 != 0) {
        state.second_sequence = (state.second_sequence + 1) % 10;
        sequence = state.second_sequence;
    } else {
        sequence = (record->block_number + 1) % 10;
    }
    record->block_number = sequence;
    PendingPacket &slot = state.pending[state.pending_count++];
    slot.sequence = sequence;
    slot.length = length;
    if (length > 0) std::memcpy(slot.data, data, static_cast<std::size_t>(length));
    state.received_since_send = 0;
    return BPlusSendPacket(record, length, sequence, slot.data);
}

int BPlusWaitAll(TransferRecord *record) {
    while (StateOf(record).pending_count > 0) {
        const int result = HostFailureOrGoOn(record, _BPWaitForACK(true, false, true, true, record));
        if (IsWaitFailure(result)) return result;
    }
    return 0;
}

// The host acknowledges the failure packet; packets it still sends are
// drained unacknowledged until it does, or until the reader gives up.
int BPlusSendFailure(TransferRecord *record, int code, const char *text) {
    BPlusState &state = StateOf(record);
    const int32_t saved = record->status;
    while (state.pending_count > 0) {
        if (IsWaitFailure(_BPWaitForACK(true, false, false, false, record))) break;
    }
    if (code == 'A')
        XferMessage(record, "Transfer aborted...");
    else if (text != nullptr)
        XferMessage(record, "%s", text);
    // Nothing more can be said on a line that has gone.
    if (record->status != PORTKIT_XFER_LOST_CARRIER && !AtErrorLimit(record)) {
        state.pending_count = 0;
        state.failure_sent = 1;
        const unsigned char packet[2] = {'F', static_cast<unsigned char>(code)};
        record->block_number = (record->block_number + 1) % 10;
        if (BPlusSendPacket(record, 2, record->block_number, packet) == 0) {
            // A host that has gone quiet gets two time-outs, not ten.
            const int32_t errors = record->retry_count;
            if (record->retry_count < kErrorLimit - 2) record->retry_count = kErrorLimit - 2;
            for (int drained = 0; drained < kErrorLimit; ++drained) {
                if (_BPWaitForACK(true, false, false, false, record) != PORTKIT_XFER_BPLUS_PACKET) break;
                // A packet moved the count back to nothing: it still bounds the drain.
                if (record->retry_count < kErrorLimit - 2) record->retry_count = kErrorLimit - 2;
            }
            record->retry_count = errors;
        }
    }
    // The failure that led here is what the caller reports.
    record->status = saved;
    return saved;
}

}  // namespace portkit::transfer
