// The transfer's main loop and the dispatch of the host's packets.
#include <new>
#include <string>
#include <string_view>

#include "portkit/timedio.h"
#include "transfer/bplus/bplus_engine.h"

namespace portkit::transfer {
namespace {

int g_char_timeout_ms = kBPlusCharTimeoutMs;

int RejectPacket(TransferRecord *record, const char *why) {
    XferMessage(record, "%s", why);
    BPlusSendFailure(record, 'N', why);
    return PORTKIT_XFER_PROTOCOL_ERROR;
}

int HandleTransfer(TransferRecord *record) {
    const auto *data = reinterpret_cast<const unsigned char *>(record->buffer);
    const int length = StateOf(record).packet_length;
    const int direction = length > 1 ? data[1] : 0;
    const int kind = length > 2 ? data[2] : 0;
    if (direction != 'D' && direction != 'U') return RejectPacket(record, "Invalid transfer direction");
    if (kind != 'A' && kind != 'B') return RejectPacket(record, "Invalid transfer type");
    const int name_length = length > 3 ? length - 3 : 0;
    const std::string_view given(reinterpret_cast<const char *>(data) + 3, static_cast<std::size_t>(name_length));
    char name[kBPlusNameLimit + 1];
    if (direction == 'U') {
        if (const char *why = RefusalToSend(record, given, name, sizeof name)) {
            const std::string shown(given.substr(0, kBPlusNameLimit));
            XferMessage(record, "Refused to send %s: %s", shown.c_str(), why);
            BPlusSendFailure(record, 'M', "Refused name");
            return PORTKIT_XFER_OPEN_FAILED;
        }
    } else {
        const std::string kept(given.substr(0, kBPlusNameLimit));
        if (!NameToReceive(record, kept.c_str(), name, sizeof name)) {
            XferMessage(record, "Refused the name %s", kept.c_str());
            BPlusSendFailure(record, 'C', "Refused name");
            return PORTKIT_XFER_OPEN_FAILED;
        }
    }
    record->file_name = name;
    int result;
    if (direction == 'U') {
        _BPSendACK(record);
        result = SendFile(record);
    } else {
        result = ReceiveFile(record);
    }
    record->file_name = nullptr;
    return result;
}

// The reader's own complaints about a packet, as against a line, a stop or
// the error limit, which end the transfer as they are.
bool IsPacketTrouble(int status) {
    return status == PORTKIT_XFER_PACKET_TIMEOUT || status == PORTKIT_XFER_BAD_PACKET_SIZE ||
           status == PORTKIT_XFER_BPLUS_SEQUENCE || status == PORTKIT_XFER_NO_CHARACTER;
}

bool IsStop(int code) { return code == PORTKIT_XFER_USER_ABORT || code == PORTKIT_USER_ABORT; }

// Ends the transfer with `code`; a stop still tells the host.
void EndWith(TransferRecord *record, int code) {
    if (IsStop(code) && StateOf(record).failure_sent == 0) BPlusSendFailure(record, 'A', "Transfer cancelled");
    record->status = code;
}

bool IsDigit(int c) { return c >= '0' && c <= '9'; }

void RunMainLoop(TransferRecord *record) {
    BPlusState &state = StateOf(record);
    int previous = kDLE;
    int c = 'B';  // the caller saw DLE B
    for (;;) {
        if (previous == kDLE && c == 'B') {
            const int result = _BPHandleProtocol(record);
            if (result != 0 && result != PORTKIT_XFER_BPLUS_PACKET) return EndWith(record, result);
            if (state.done != 0) return;
            record->status = 0;
            c = 0;
        } else if (c == PORTKIT_BUFFER_EMPTY) {
            CountExchangeError(record);  // silence between packets counts too
        } else if (c == kENQ) {
            _BPSendACK(record);  // the host missed our acknowledgement
            CountExchangeError(record);
        } else if (previous == kDLE && (c == ';' || IsDigit(c))) {
            CountExchangeError(record);  // nothing of ours is outstanding to acknowledge
        } else if (c != kDLE || previous == kDLE) {
            CountStrayByte(record);
        }
        if (AtErrorLimit(record)) {
            record->status = PORTKIT_XFER_TOO_MANY_ERRORS;
            XferMessage(record, "Too many errors to continue");
            return;
        }
        previous = c;
        c = BPlusReadChar(record, state.char_timeout);
        if (c >= 0 && BPlus(record).seven_bit_input != 0) c &= 0x7F;
        if (c < 0 && c != PORTKIT_BUFFER_EMPTY) return EndWith(record, c);
    }
}

}  // namespace

void SetBPlusCharTimeout(int milliseconds) {
    g_char_timeout_ms = milliseconds > 0 ? milliseconds : kBPlusCharTimeoutMs;
}
int BPlusCharTimeout() { return g_char_timeout_ms; }

int _BPHandleProtocol(TransferRecord *record) {
    XferMessage(record, "_BPHandleProtocol:  Reading packet");
    BPlus(record).transport_byte_6 = 0;
    const int read = _BPWaitForACK(true, true, true, true, record);
    if (read == kAcknowledged && StateOf(record).packet_length == 0) return 0;
    if (record->status != 0 && record->status != PORTKIT_XFER_BPLUS_PACKET) {
        if (!IsPacketTrouble(record->status)) return record->status;
        XferMessage(record, "Remote is not resonding");
        return PORTKIT_XFER_PACKET_TIMEOUT;
    }
    const int type = StateOf(record).packet_length > 0 ? static_cast<unsigned char>(record->buffer[0]) : 0;
    if (type == 'T') return HandleTransfer(record);
    if (type == '+') return BPlusTransportParameters(record);
    return RejectPacket(record, "Unexpected packet type");
}

bool BPlusStart(TransferRecord *record) {
    BPlusArea &b = BPlus(record);
    b.seven_bit_input = 1;
    if (XferSetUp(record) == 0) {
        // A stop at set-up (a line already gone) leaves the buffer to release.
        XferCleanUp(record);
        return false;
    }
    record->block_number = 0;
    record->block_size = kBPlusInitialBlockSize;
    record->byte_total = 0;
    b.window_enabled = 1;
    auto *state = new (std::nothrow) BPlusState;
    if (state == nullptr) {
        record->status = PORTKIT_XFER_NO_BUFFER;
        XferCleanUp(record);
        return false;
    }
    b.bplus_state = state;
    SetDefaultQuoteSet(*state);
    state->char_timeout = g_char_timeout_ms;
    return true;
}

void BPlusFinish(TransferRecord *record) {
    XferCleanUp(record);
    delete static_cast<BPlusState *>(BPlus(record).bplus_state);
    BPlus(record).bplus_state = nullptr;
    if (record->status == PORTKIT_XFER_BPLUS_PACKET) record->status = 0;
}

void BPlusServe(TransferRecord *record) {
    if (!BPlusStart(record)) return;
    RunMainLoop(record);
    BPlusFinish(record);
}

}  // namespace portkit::transfer
