// The transfer's main loop and the dispatch of the host's packets.
#include <algorithm>
#include <cstring>
#include <filesystem>
#include <new>
#include <string>
#include <system_error>

#include "portkit/timedio.h"
#include "transfer/bplus/bplus_engine.h"
#include "transfer/received_names.h"

namespace portkit::transfer {
namespace {

int g_char_timeout_ms = kBPlusCharTimeoutMs;

// True when `name`, links resolved, is below the current directory.
bool StaysInside(const char *name) {
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::path base = fs::canonical(fs::current_path(error), error);
    if (error) return false;
    const fs::path target = fs::weakly_canonical(base / name, error);
    if (error) return false;
    const auto [end, rest] = std::mismatch(base.begin(), base.end(), target.begin(), target.end());
    return end == base.end() && rest != target.end();
}

// The name the host gave, made safe to open in the directory we work in.
bool ResolveHostName(TransferRecord *record, const char *given, char *out, std::size_t size) {
    return MakeSafeReceivedName(given, record->strip_path == 0, out, size) && StaysInside(out);
}

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
    char given[kBPlusNameLimit + 1] = {};
    const int limit = static_cast<int>(kBPlusNameLimit);
    const int name_length = length - 3 < limit ? length - 3 : limit;
    std::memcpy(given, data + 3, static_cast<std::size_t>(name_length > 0 ? name_length : 0));
    char name[kBPlusNameLimit + 1];
    if (!ResolveHostName(record, given, name, sizeof name)) {
        XferMessage(record, "Refused the name %s", given);
        BPlusSendFailure(record, direction == 'U' ? 'M' : 'C', "Refused name");
        return PORTKIT_XFER_OPEN_FAILED;
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

// The next character between packets; a failure other than silence ends
// the transfer with the record's status set.
int ReadBetweenPackets(TransferRecord *record, bool *line_failed) {
    const int c = ReadCharTimed(record->port, StateOf(record).char_timeout);
    if (c >= 0) return BPlus(record).seven_bit_input != 0 ? (c & 0x7F) : c;
    if (c != PORTKIT_BUFFER_EMPTY) {
        *line_failed = true;
        record->status = LineHasGone(record->port) ? PORTKIT_XFER_LOST_CARRIER : c;
    }
    return c;
}

void RunMainLoop(TransferRecord *record) {
    BPlusState &state = StateOf(record);
    int previous = kDLE;
    int c = 'B';  // the caller saw DLE B
    for (;;) {
        if (XferCheckAbort(record)) {
            if (record->status == PORTKIT_XFER_USER_ABORT) BPlusSendFailure(record, 'A', "Transfer cancelled");
            return;
        }
        if (previous == kDLE && c == 'B') {
            const int result = _BPHandleProtocol(record);
            if (result != 0 && result != PORTKIT_XFER_BPLUS_PACKET) {
                // A stop that came through a wait still tells the host.
                if (IsStop(result) && state.failure_sent == 0) BPlusSendFailure(record, 'A', "Transfer cancelled");
                record->status = result;
                return;
            }
            if (state.done != 0) return;
            record->status = 0;
            c = 0;
        } else if (c == PORTKIT_BUFFER_EMPTY) {
            ++record->error_count;  // silence between packets counts too
        } else if (c == kENQ) {
            _BPSendACK(record);  // the host missed our acknowledgement
        } else if (c != kDLE) {
            ++record->error_count;
        }
        if (record->error_count >= kErrorLimit) {
            record->status = PORTKIT_XFER_TOO_MANY_ERRORS;
            XferMessage(record, "Too many errors to continue");
            return;
        }
        previous = c;
        bool line_failed = false;
        c = ReadBetweenPackets(record, &line_failed);
        if (line_failed) return;
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
    if (XferSetUp(record) == 0) return false;
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
