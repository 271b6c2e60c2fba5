// Kermit packets on the wire: building and sending one, reading one back,
// the stop-and-wait exchange, the retry count and the E packet on failure.
#include <algorithm>
#include <cctype>
#include <cstring>
#include <span>

#include "port/port_queues.h"
#include "portkit/timedio.h"
#include "transfer/kermit/kermit_engine.h"

namespace portkit::transfer {
namespace {

constexpr int kSliceMs = 1000;
constexpr unsigned char kCR = 0x0D;
// MARK, LEN, SEQ, TYPE, LENX1, LENX2, HCHECK.
constexpr int kLongHeaderLength = 7;

int SequenceOf(const TransferRecord *record) { return record->file_block % 64; }

// The check the packet of `type` carries: a Send-Init and its answer go
// with type 1 whatever comes after them.
int CheckTypeFor(const KermitArea &k, int type) { return type == 'S' ? 1 : k.check_type; }

bool SendPads(TransferRecord *record) {
    const KermitArea &k = Kermit(record);
    for (int i = 0; i < k.pad_count; ++i) {
        if (XferSendChar(record, k.pad_char) < 0) return false;
    }
    return true;
}

// Takes what the receive queue already holds of the packet in one pass, up
// to `total` or a MARK or CR, which the byte-at-a-time read deals with.
int TakeQueued(TransferRecord *record, unsigned char *packet, int have, int total) {
    const std::span<const std::uint8_t> queued = portkit::PeekQueuedInput(record->port);
    const std::size_t limit = std::min(queued.size(), static_cast<std::size_t>(total - have));
    std::size_t plain = 0;
    while (plain < limit && queued[plain] != kSOH && queued[plain] != kCR) ++plain;
    if (plain == 0) return have;
    std::memcpy(packet + have, queued.data(), plain);
    portkit::DropQueuedInput(record->port, plain);
    return have + static_cast<int>(plain);
}

// A packet from its LEN on: the basic form, or the extended one (LEN
// blank) when we offered long packets and so have the room. `*total`
// becomes MARK to CHECK; on failure it is the character that ended the
// read (negative for none), or 0 for a packet that cannot be.
bool ReadRest(TransferRecord *record, unsigned char *packet, int *total) {
    const KermitArea &k = Kermit(record);
    PortStructure *port = record->port;
    const bool extended = UnChar(packet[1]) == 0 && k.long_packets_and_windows != 0;
    *total = extended ? kLongHeaderLength : 2 + UnChar(packet[1]);
    if (!extended && (*total < 5 || *total > 2 + kMaxPacketLength)) {
        *total = 0;
        return false;
    }
    bool length_known = !extended;
    for (int have = 2; have < *total;) {
        if (length_known) {
            have = TakeQueued(record, packet, have, *total);
            if (have == *total) break;
        }
        const int c = ReadCharTimed(port, kSliceMs);
        if (c < 0 || c == kSOH || c == kCR) {
            *total = c;
            return false;
        }
        packet[have++] = static_cast<unsigned char>(c);
        if (!length_known && have == kLongHeaderLength) {
            const int high = UnChar(packet[4]);
            const int low = UnChar(packet[5]);
            const int counted = high * 95 + low;
            if (ToChar(KermitChecksum(packet + 1, 5)) != packet[6] || high < 0 || low < 0 || low > 94 || counted < 1 ||
                counted > kMaxExtendedCount) {
                *total = 0;
                return false;
            }
            *total = kLongHeaderLength + counted;
            length_known = true;
        }
    }
    return true;
}

// After a window, answers to its packets (acknowledged again, or to
// packets sent twice) may still be on their way: they are passed over
// rather than taken as a wrong answer, which would send this one again.
int ReadPastWindowAnswers(TransferRecord *record) {
    const int window = Kermit(record).window_size;
    for (int stale = 0;; ++stale) {
        const int answer = KermitReadPacket(record);
        const int behind = (SequenceOf(record) - record->block_number + 64) % 64;
        if (window <= 1 || stale >= 2 * kMaxWindowSize || (answer != 'Y' && answer != 'N') || behind == 0 ||
            behind > window) {
            return answer;
        }
    }
}

}  // namespace

int KermitSendPacket(TransferRecord *record, int type, int length, const char *data) {
    return KermitSendNumbered(record, SequenceOf(record), type, length, data);
}

// Built apart from `buffer`, which holds the packet read last: a packet
// sent again after a read must come out the same.
int KermitSendNumbered(TransferRecord *record, int sequence, int type, int length, const char *data) {
    KermitArea &k = Kermit(record);
    const int check_type = CheckTypeFor(k, type);
    const int check_length = CheckLength(check_type);
    if (length < 0) length = 0;
    if (length > kMaxLongPacketLength - check_length) length = kMaxLongPacketLength - check_length;
    const bool extended = length + 2 + check_length > kMaxPacketLength;
    // LEN to the end of DATA, which the check covers, then CHECK and EOL.
    unsigned char packet[kLongHeaderLength + kMaxLongPacketLength + 4];
    int header_length = 4;
    packet[0] = kSOH;
    packet[1] = static_cast<unsigned char>(ToChar(extended ? 0 : length + 2 + check_length));
    record->block_number = sequence;
    packet[2] = static_cast<unsigned char>(ToChar(sequence));
    packet[3] = static_cast<unsigned char>(type);
    if (extended) {
        packet[4] = static_cast<unsigned char>(ToChar((length + check_length) / 95));
        packet[5] = static_cast<unsigned char>(ToChar((length + check_length) % 95));
        packet[6] = static_cast<unsigned char>(ToChar(KermitChecksum(packet + 1, 5)));
        header_length = kLongHeaderLength;
    }
    if (length > 0) std::memcpy(packet + header_length, data, static_cast<std::size_t>(length));
    const int end = header_length + length;
    KermitBlockCheck(check_type, packet + 1, static_cast<std::size_t>(end - 1), packet + end);
    record->block_check = UnChar(packet[end]);
    packet[end + check_length] = k.end_of_line;
    record->block_size = length;
    if (!SendPads(record)) {
        NameSendFailure(record, PORTKIT_XFER_BLOCK_FULL);
        XferCleanUp(record);
        return 0;
    }
    if (XferSendBuffer(record, reinterpret_cast<const char *>(packet), static_cast<unsigned>(end + check_length + 1)) <
        0) {
        XferMessage(record, "Error sending buffer");
        NameSendFailure(record, PORTKIT_XFER_BLOCK_FULL);
        XferCleanUp(record);
        return 0;
    }
    return 1;
}

// The packet is left as a basic one would be: DATA at PacketData, ended by
// a NUL, whatever form it came in.
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
    int total = 0;
    for (;;) {
        const int c = ReadCharTimed(port, kSliceMs);
        if (StopOnReadFailure(record, c)) {
            KermitFinish(record);
            return kPacketStopped;
        }
        if (c < 0) return kPacketTimedOut;
        if (c == kSOH) continue;  // the packet before was cut short; this one counts
        if (c == kCR) return kPacketDamaged;
        packet[1] = static_cast<unsigned char>(c);
        if (ReadRest(record, packet, &total)) break;
        if (total == kSOH) continue;
        if (total < 0 && StopOnReadFailure(record, total)) {
            KermitFinish(record);
            return kPacketStopped;
        }
        return total < 0 ? kPacketTimedOut : kPacketDamaged;
    }
    const bool extended = UnChar(packet[1]) == 0;
    const int header_length = extended ? kLongHeaderLength : 4;
    const int check_type = CheckTypeFor(k, packet[3]);
    const int check_length = CheckLength(check_type);
    const int data_length = total - header_length - check_length;
    if (data_length < 0) return kPacketDamaged;
    unsigned char check[3];
    KermitBlockCheck(check_type, packet + 1, static_cast<std::size_t>(total - check_length - 1), check);
    record->block_size = data_length;
    record->block_check = UnChar(packet[total - check_length]);
    record->block_number = UnChar(packet[2]);
    if (record->block_number < 0 || record->block_number > 63 ||
        std::memcmp(check, packet + total - check_length, static_cast<std::size_t>(check_length)) != 0) {
        return kPacketDamaged;
    }
    if (extended) std::memmove(packet + 4, packet + kLongHeaderLength, static_cast<std::size_t>(data_length));
    packet[4 + data_length] = 0;
    if (XferCheckAbort(record)) {
        KermitFinish(record);
        return kPacketStopped;
    }
    return packet[3];
}

int KermitSendAndWait(TransferRecord *record, int type, int length, const char *data) {
    for (;;) {
        if (!KermitSendPacket(record, type, length, data)) return 0;
        const int answer = ReadPastWindowAnswers(record);
        if (answer == kPacketStopped) return 0;
        if (answer == 'Y' && record->block_number == SequenceOf(record)) {
            ++record->file_block;
            record->retry_count = 0;
            return 1;
        }
        switch (answer) {
            case 'Y':
                XferMessage(record, "Received a bad ACK packet number");
                break;
            case 'N':
                XferMessage(record, "Received a Nak packet");
                break;
            case kPacketTimedOut:
                XferMessage(record, "Timed out waiting for packet");
                break;
            case 'E':
                KermitStopOnRemoteError(record);
                return 0;
            default:
                XferMessage(record, "Funny packet");
                break;
        }
        if (!KermitCountRetry(record)) return 0;
    }
}

void KermitStopOnRemoteError(TransferRecord *record) {
    XferMessage(record, "Aborted from remote end");
    record->status = PORTKIT_XFER_REMOTE_ABORT;
    KermitFinish(record);
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
            if (std::isalnum(c) != 0 || c == ' ' || c == '.' || c == ',' || c == '-')
                text[used++] = static_cast<char>(c);
        }
        KermitSendPacket(record, 'E', static_cast<int>(used), text);
        record->status = status;
    }
    XferCleanUp(record);
}

}  // namespace portkit::transfer
