// Kermit packets on the wire: building and sending one, reading one back,
// the stop-and-wait exchange, the retry count and the E packet on failure.
#include <cctype>
#include <cstring>

#include "portkit/timedio.h"
#include "transfer/kermit/kermit_engine.h"

namespace portkit::transfer {
namespace {

constexpr int kSliceMs = 1000;
constexpr unsigned char kCR = 0x0D;
// MARK, LEN, SEQ, TYPE, the longest data, CHECK, EOL.
constexpr std::size_t kPacketRoom = 4 + kMaxDataLength + 2;

int SequenceOf(const TransferRecord *record) { return record->file_block % 64; }

}  // namespace

int KermitChecksum(const unsigned char *bytes, std::size_t length) {
    unsigned sum = 0;
    for (std::size_t i = 0; i < length; ++i) sum += bytes[i];
    return static_cast<int>((sum + ((sum & 0xC0) >> 6)) & 0x3F);
}

// Built apart from `buffer`, which holds the packet read last: a packet
// sent again after a read must come out the same.
int KermitSendPacket(TransferRecord *record, int type, int length, const char *data) {
    KermitArea &k = Kermit(record);
    if (length < 0) length = 0;
    if (length > kMaxDataLength) length = kMaxDataLength;
    unsigned char packet[kPacketRoom];
    packet[0] = kSOH;
    packet[1] = static_cast<unsigned char>(ToChar(length + 3));
    record->block_number = SequenceOf(record);
    packet[2] = static_cast<unsigned char>(ToChar(record->block_number));
    packet[3] = static_cast<unsigned char>(type);
    if (length > 0) std::memcpy(packet + 4, data, static_cast<std::size_t>(length));
    record->block_check = KermitChecksum(packet + 1, static_cast<std::size_t>(length) + 3);
    packet[4 + length] = static_cast<unsigned char>(ToChar(record->block_check));
    packet[5 + length] = k.end_of_line;
    record->block_size = length;
    for (int i = 0; i < k.pad_count; ++i) {
        if (XferSendChar(record, k.pad_char) < 0) {
            NameSendFailure(record, PORTKIT_XFER_BLOCK_FULL);
            XferCleanUp(record);
            return 0;
        }
    }
    if (XferSendBuffer(record, reinterpret_cast<const char *>(packet), static_cast<unsigned>(length) + 6) < 0) {
        XferMessage(record, "Error sending buffer");
        NameSendFailure(record, PORTKIT_XFER_BLOCK_FULL);
        XferCleanUp(record);
        return 0;
    }
    return 1;
}

int KermitReadPacket(TransferRecord *record) {
    const KermitArea &k = Kermit(record);
    auto *packet = reinterpret_cast<unsigned char *>(record->buffer);
    if (packet == nullptr) return kPacketStopped;
    PortStructure *port = record->port;
    // Wait for the MARK; each silent second uses up one of TIME. A TIME of 0
    // only says the other side asks for no particular time-out: ours holds.
    const int timeout_seconds = k.timeout_seconds > 0 ? k.timeout_seconds : kKermitDefaultTimeoutSeconds;
    for (int seconds_left = timeout_seconds;;) {
        const int c = ReadCharTimed(port, kSliceMs);
        if (StopOnReadFailure(record, c) || XferCheckAbort(record)) {
            KermitFinish(record);
            return kPacketStopped;
        }
        if (c == kSOH) break;
        if (c < 0 && --seconds_left <= 0) return kPacketTimedOut;
    }
    packet[0] = kSOH;
    int have = 1;
    int total = 0;  // 2 + LEN once LEN is in
    while (total == 0 || have < total) {
        const int c = ReadCharTimed(port, kSliceMs);
        if (StopOnReadFailure(record, c)) {
            KermitFinish(record);
            return kPacketStopped;
        }
        if (c < 0) return kPacketTimedOut;
        if (c == kSOH) {  // the packet before was cut short; this one counts
            have = 1;
            total = 0;
            continue;
        }
        if (c == kCR) return kPacketDamaged;
        packet[have++] = static_cast<unsigned char>(c);
        if (have == 2) {
            // Only the basic length fits the buffer; extended (LEN blank)
            // packets were never offered.
            const int length = UnChar(c);
            if (length < 3 || length > kMaxPacketLength) return kPacketDamaged;
            total = 2 + length;
        }
    }
    const int length = UnChar(packet[1]);
    packet[total] = 0;
    record->block_size = length - 3;
    record->block_check = UnChar(packet[total - 1]);
    record->block_number = UnChar(packet[2]);
    if (record->block_number < 0 || record->block_number > 63 ||
        KermitChecksum(packet + 1, static_cast<std::size_t>(length)) != record->block_check) {
        return kPacketDamaged;
    }
    if (XferCheckAbort(record)) {
        KermitFinish(record);
        return kPacketStopped;
    }
    return packet[3];
}

int KermitSendAndWait(TransferRecord *record, int type, int length, const char *data) {
    for (;;) {
        if (!KermitSendPacket(record, type, length, data)) return 0;
        const int answer = KermitReadPacket(record);
        if (answer == kPacketStopped) return 0;
        if (answer == 'Y' && record->block_number == SequenceOf(record)) {
            ++record->file_block;
            record->retry_count = 0;
            return 1;
        }
        switch (answer) {
            case 'Y': XferMessage(record, "Received a bad ACK packet number"); break;
            case 'N': XferMessage(record, "Received a Nak packet"); break;
            case kPacketTimedOut: XferMessage(record, "Timed out waiting for packet"); break;
            case 'E':
                XferMessage(record, "Aborted from remote end");
                record->status = PORTKIT_XFER_REMOTE_ABORT;
                KermitFinish(record);
                return 0;
            default: XferMessage(record, "Funny packet"); break;
        }
        if (!KermitCountRetry(record)) return 0;
    }
}

int KermitCountRetry(TransferRecord *record) {
    ++record->error_count;
    ++record->retry_count;
    if (record->retry_count < kKermitRetryLimit) return 1;
    record->status = PORTKIT_XFER_TOO_MANY_ERRORS;
    KermitFinish(record);
    return 0;
}

// The E packet tells the other side to stop rather than retry; it carries
// the reason as text. It goes out once, whatever already ran the clean-up.
void KermitFinish(TransferRecord *record) {
    KermitArea &k = Kermit(record);
    if (record->status != 0 && k.error_sent == 0) {
        k.error_sent = 1;
        const int32_t status = record->status;
        const char *reason = CommErrorName(status);
        const std::size_t length = reason != nullptr ? strnlen(reason, 60) : 0;
        char text[64];
        std::size_t used = 0;
        for (std::size_t i = 0; i < length; ++i) {
            const unsigned char c = static_cast<unsigned char>(reason[i]);
            // Plain text only: no character the other side could take for a prefix.
            if (std::isalnum(c) != 0 || c == ' ' || c == '.' || c == ',' || c == '-') text[used++] = static_cast<char>(c);
        }
        KermitSendPacket(record, 'E', static_cast<int>(used), text);
        record->status = status;
    }
    XferCleanUp(record);
}

}  // namespace portkit::transfer
