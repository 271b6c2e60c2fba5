// The Send-Init exchange: what we ask of the other side, and what we take
// from its Send-Init or its acknowledgement of ours.
#include "transfer/kermit/kermit_engine.h"

namespace portkit::transfer {
namespace {

constexpr unsigned char kCR = 0x0D;
// CAPAS bits: another CAPAS byte follows, long packets, sliding windows,
// attribute packets.
constexpr int kMoreCapabilities = 1;
constexpr int kLongPacketCapability = 2;
constexpr int kWindowCapability = 4;
constexpr int kAttributeCapability = 8;

int Clamp(int value, int low, int high) { return value < low ? low : value > high ? high : value; }

// The other side's MAXL: blank means its default; we never go above the
// basic limit or below a packet that can carry a few bytes.
int PacketLengthFrom(int field) {
    const int length = UnChar(field);
    if (length <= 0) return kDefaultPeerPacketLength;
    return Clamp(length, kMinPacketLength, kMaxPacketLength);
}

void TakeRepeatPrefix(KermitArea &k, int offered) {
    k.remote_repeat_prefix = static_cast<unsigned char>(offered);
    if (k.repeat_mode == 0xFF) {
        k.repeat_prefix = static_cast<unsigned char>(offered);
        k.repeat_mode = IsPrefixCharacter(offered) ? 1 : 0;
    } else if (k.repeat_mode == 1 && offered != k.repeat_prefix) {
        k.repeat_mode = 0;
    }
}

void TakeEighthBitPrefix(KermitArea &k) {
    const int remote = k.remote_eighth_bit_prefix;
    // A prefix that is also the control prefix could not be told apart.
    const bool usable = IsPrefixCharacter(remote) && remote != k.control_prefix && remote != '#';
    if (k.eighth_bit_prefix == 'Y') {
        if (remote != 'N' && remote != 'Y' && usable) {
            k.eighth_bit_quoting = 1;
            k.eighth_bit_prefix = static_cast<unsigned char>(remote);
        }
    } else if (IsPrefixCharacter(k.eighth_bit_prefix)) {
        if (remote == 'Y' || remote == k.eighth_bit_prefix) k.eighth_bit_quoting = 1;
    }
}

// WINDO, MAXLX1 and MAXLX2 follow the last CAPAS byte; each side sends
// what it can take, and each uses the lesser of the two.
void TakeLongPacketsAndWindows(KermitArea &k, const unsigned char *d, int n) {
    if (n >= 8 && d[7] == '3') k.check_type = 3;
    int last = 9;
    while (last < n - 1 && (UnChar(d[last]) & kMoreCapabilities) != 0) ++last;
    const int offered = k.remote_capabilities;
    if ((offered & kWindowCapability) != 0 && last + 1 < n) {
        k.window_size = static_cast<unsigned char>(Clamp(UnChar(d[last + 1]), 1, kMaxWindowSize));
    }
    if ((offered & kLongPacketCapability) != 0) {
        int length = last + 3 < n ? UnChar(d[last + 2]) * 95 + UnChar(d[last + 3]) : 0;
        if (length <= 0) length = kDefaultLongPacketLength;
        k.long_packets = 1;
        k.send_packet_length = Clamp(length, kMinPacketLength, kMaxLongPacketLength);
    }
}

}  // namespace

void ResetKermitLink(TransferRecord *record) {
    KermitArea &k = Kermit(record);
    k.max_packet_length = kMaxPacketLength;
    k.eighth_bit_quoting = 0;
    k.timeout_seconds = kKermitDefaultTimeoutSeconds;
    k.pad_count = 0;
    k.pad_char = 0;
    k.end_of_line = kCR;
    k.control_prefix = '#';
    k.remote_eighth_bit_prefix = 'N';
    k.remote_repeat_prefix = ' ';
    k.remote_capabilities = 0;
    k.error_sent = 0;
    k.check_type = 1;
    k.window_size = 1;
    k.long_packets = 0;
    k.send_packet_length = kMaxPacketLength;
    k.window_filled = 0;
    k.carried_run = 0;
    record->file_block = 0;
}

int KermitBuildInit(const TransferRecord *record, char *out) {
    const KermitArea &k = Kermit(record);
    out[0] = static_cast<char>(ToChar(kMaxPacketLength));
    out[1] = static_cast<char>(ToChar(kKermitDefaultTimeoutSeconds));
    out[2] = static_cast<char>(ToChar(0));  // no padding
    out[3] = static_cast<char>(Ctl(0));
    out[4] = static_cast<char>(ToChar(kCR));
    out[5] = '#';
    out[6] = static_cast<char>(k.eighth_bit_prefix);
    // The sender offers what the option allows; the receiver answers with
    // what the sender offered of it, and to a sender that offered nothing
    // exactly as without the option.
    const bool offer = k.long_packets_and_windows != 0;
    const bool sending = record->sending != 0;
    const int capabilities =
        !offer    ? 0
        : sending ? kLongPacketCapability | kWindowCapability
                  : (k.long_packets != 0 ? kLongPacketCapability : 0) | (k.window_size > 1 ? kWindowCapability : 0);
    out[7] = offer && (sending || k.check_type == 3) ? '3' : '1';
    out[8] = static_cast<char>(k.repeat_mode == 1 ? k.repeat_prefix : ' ');
    out[9] = static_cast<char>(ToChar(kAttributeCapability | capabilities));
    if (capabilities == 0) return kSendInitLength;
    out[10] = static_cast<char>(ToChar(sending ? kMaxWindowSize : k.window_size));
    out[11] = static_cast<char>(ToChar(kMaxLongPacketLength / 95));
    out[12] = static_cast<char>(ToChar(kMaxLongPacketLength % 95));
    return kLongSendInitLength;
}

void KermitParseInit(TransferRecord *record) {
    KermitArea &k = Kermit(record);
    const auto *d = reinterpret_cast<const unsigned char *>(PacketData(record));
    const int n = Clamp(record->block_size, 0, kMaxDataLength);  // the rest means nothing to us
    if (n >= 1) k.max_packet_length = PacketLengthFrom(d[0]);
    if (n >= 2) k.timeout_seconds = static_cast<unsigned char>(Clamp(UnChar(d[1]), 0, kMaxPacketLength));
    if (n >= 3) k.pad_count = static_cast<unsigned char>(Clamp(UnChar(d[2]), 0, kMaxPacketLength));
    if (n >= 4) k.pad_char = static_cast<unsigned char>(Ctl(d[3]));
    if (n >= 5) {
        // Blank asks for the default; anything but a control character
        // would end packets in the middle.
        const int eol = UnChar(d[4]);
        k.end_of_line = static_cast<unsigned char>(eol > 0 && eol < 32 ? eol : kCR);
    }
    if (n >= 6) k.control_prefix = static_cast<unsigned char>(IsPrefixCharacter(d[5]) ? d[5] : '#');
    if (n >= 7) k.remote_eighth_bit_prefix = d[6];
    if (n >= 10) k.remote_capabilities = static_cast<unsigned char>(Clamp(UnChar(d[9]), 0, 63));
    if (n >= 9)
        TakeRepeatPrefix(k, d[8]);
    else
        k.repeat_mode = 0;
    TakeEighthBitPrefix(k);
    if (k.long_packets_and_windows != 0) {
        TakeLongPacketsAndWindows(k, d, n);
        XferMessage(
            record, "Agreed: window %d, packets to %d bytes, block check %d", k.window_size,
            k.long_packets != 0 ? static_cast<int>(k.send_packet_length) : static_cast<int>(k.max_packet_length),
            k.check_type);
    }
    // Two prefixes on one character could not be told apart either.
    if (k.repeat_mode == 1 && (k.repeat_prefix == k.control_prefix || k.repeat_prefix == '#' ||
                               (k.eighth_bit_quoting != 0 && k.repeat_prefix == k.eighth_bit_prefix))) {
        k.repeat_mode = 0;
    }
}

}  // namespace portkit::transfer
