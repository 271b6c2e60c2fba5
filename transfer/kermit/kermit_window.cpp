// Sliding windows: the sender keeps up to the agreed number of data
// packets unacknowledged and sends again only those the receiver asks for
// or that time out; the receiver holds packets that arrive ahead of a lost
// one and hands them on in order.
#include <algorithm>
#include <cstring>

#include "transfer/kermit/kermit_engine.h"

namespace portkit::transfer {
namespace {

// One packet read as the basic protocol has it, or one packet with long
// packets (its extended header included), and a NUL.
constexpr std::size_t kClassicBufferSize = 128;
constexpr std::size_t kLongReadRoom = 7 + kMaxExtendedCount + 1;
constexpr std::size_t kSlotsOffset =
    (kLongReadRoom + alignof(KermitSlot) - 1) / alignof(KermitSlot) * alignof(KermitSlot);

int Sequence(int32_t block) { return ((block % 64) + 64) % 64; }
// How far `sequence` is ahead of `base`'s sequence number, 0 to 63.
int Ahead(int sequence, int32_t base) { return (sequence - Sequence(base) + 64) % 64; }
uint32_t SlotBit(int sequence) { return 1u << (sequence % kWindowSlots); }

bool SendSlot(TransferRecord *record, int32_t block) {
    const KermitSlot &slot = WindowSlot(record, Sequence(block));
    XferMessage(record, "Sending packet %d", Sequence(block));
    return KermitSendNumbered(record, Sequence(block), slot.type, slot.length, slot.data) != 0;
}

}  // namespace

std::size_t KermitBufferSize(const TransferRecord *record) {
    if (Kermit(record).long_packets_and_windows == 0) return kClassicBufferSize;
    return kSlotsOffset + kWindowSlots * sizeof(KermitSlot);
}

KermitSlot &WindowSlot(TransferRecord *record, int sequence) {
    auto *slots = reinterpret_cast<KermitSlot *>(record->buffer + kSlotsOffset);
    return slots[sequence % kWindowSlots];
}

// A field that fits the basic form goes in it. With check 3 and the
// extended header's LENX counting DATA and CHECK, a margin keeps a longer
// one inside whatever way the other side counts its length.
int KermitDataRoom(const TransferRecord *record) {
    const KermitArea &k = Kermit(record);
    const int check_length = CheckLength(k.check_type);
    if (k.long_packets == 0) return k.max_packet_length - 2 - check_length;
    const int basic = std::min<int>(k.max_packet_length, k.send_packet_length) - 2 - check_length;
    return std::max(basic, k.send_packet_length - 10 - check_length);
}

int KermitSendWindowed(TransferRecord *record) {
    const KermitArea &k = Kermit(record);
    const int window = k.window_size;
    int32_t base = record->file_block;  // the oldest packet not yet acknowledged
    int32_t next = base;                // the next packet to fill
    uint32_t acknowledged = 0;
    bool end_of_file = false;
    for (;;) {
        while (!end_of_file && next - base < window) {
            KermitSlot &slot = WindowSlot(record, Sequence(next));
            slot.length = KermitEncodeData(record, slot.data);
            if (slot.length == 0) {
                end_of_file = true;
                break;
            }
            slot.type = 'D';
            slot.sequence = Sequence(next);
            acknowledged &= ~SlotBit(Sequence(next));
            if (!SendSlot(record, next++)) return 0;
        }
        if (base == next) break;
        const int answer = KermitReadPacket(record);
        const int ahead = Ahead(record->block_number, base);
        switch (answer) {
            case kPacketStopped:
                return 0;
            case 'Y':
                // Any acknowledgement in the window is progress: errors
                // count in a row only while nothing gets through.
                if (ahead < next - base) {
                    acknowledged |= SlotBit(record->block_number);
                    record->retry_count = 0;
                }
                break;
            case 'N':
                // A NAK for the packet after the last sent says all before it arrived.
                if (ahead == next - base) {
                    while (base < next) acknowledged |= SlotBit(Sequence(base++));
                } else if (ahead < next - base && !SendSlot(record, base + ahead)) {
                    return 0;
                }
                XferMessage(record, "Received a Nak packet");
                if (!KermitCountRetry(record)) return 0;
                break;
            case kPacketTimedOut:
                XferMessage(record, "Timed out waiting for packet");
                if (!KermitCountRetry(record) || !SendSlot(record, base)) return 0;
                break;
            case 'E':
                KermitStopOnRemoteError(record);
                return 0;
            default:
                XferMessage(record, "Funny packet");
                if (!KermitCountRetry(record)) return 0;
                break;
        }
        while (base < next && (acknowledged & SlotBit(Sequence(base))) != 0) {
            acknowledged &= ~SlotBit(Sequence(base));
            ++base;
        }
    }
    record->file_block = next;
    return 1;
}

int KermitReadInOrder(TransferRecord *record) {
    KermitArea &k = Kermit(record);
    const int window = k.window_size;
    for (;;) {
        const int expected = Sequence(record->file_block);
        if ((k.window_filled & SlotBit(expected)) != 0) {
            k.window_filled &= ~SlotBit(expected);
            const KermitSlot &slot = WindowSlot(record, expected);
            if (slot.sequence == expected) {
                record->buffer[3] = slot.type;
                std::memcpy(record->buffer + 4, slot.data, static_cast<std::size_t>(slot.length));
                record->buffer[4 + slot.length] = 0;
                record->block_size = slot.length;
                record->block_number = expected;
                return slot.type;
            }
        }
        const int type = KermitReadPacket(record);
        if (window <= 1 || type == kPacketStopped || type == kPacketTimedOut || type == kPacketDamaged || type == 'E' ||
            type == 'S') {
            return type;
        }
        const int sequence = record->block_number;
        const int ahead = Ahead(sequence, record->file_block);
        if (ahead == 0) return type;
        if (ahead < window) {
            // Held before anything is sent: sending sets block_size.
            KermitSlot &slot = WindowSlot(record, sequence);
            slot.type = static_cast<char>(type);
            slot.sequence = sequence;
            slot.length = record->block_size;
            std::memcpy(slot.data, record->buffer + 4, static_cast<std::size_t>(record->block_size));
            // Ask again for those between the last held and this one.
            int last_held = 0;
            for (int i = 1; i < ahead; ++i) {
                if ((k.window_filled & SlotBit(Sequence(record->file_block + i))) != 0) last_held = i;
            }
            k.window_filled |= SlotBit(sequence);
            record->retry_count = 0;  // something got through
            for (int i = last_held == 0 ? 0 : last_held + 1; i < ahead; ++i) {
                if (!KermitSendNumbered(record, Sequence(record->file_block + i), 'N', 0, nullptr))
                    return kPacketStopped;
            }
            if (!KermitSendNumbered(record, sequence, 'Y', 0, nullptr)) return kPacketStopped;
            continue;
        }
        // A data packet taken already whose acknowledgement was lost.
        if (type == 'D' && ahead >= 64 - window) {
            if (!KermitSendNumbered(record, sequence, 'Y', 0, nullptr)) return kPacketStopped;
            continue;
        }
        return type;
    }
}

}  // namespace portkit::transfer
