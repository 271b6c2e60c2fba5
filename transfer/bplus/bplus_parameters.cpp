// The transport parameters exchange: our `+` packet against the host's,
// the smaller of each pair taking effect.
#include <algorithm>
#include <cstring>

#include "transfer/bplus/bplus_engine.h"

namespace portkit::transfer {
namespace {

constexpr unsigned char kLowMark = 0x01;
constexpr unsigned char kHighMark = 0x10;
constexpr int kBlockUnit = 128;

int LowLevel(int c) {
    if (c == 0) return 1;
    switch (c) {
        case kETX:
        case kENQ:
        case kDLE:
        case 0x11:
        case 0x13:
        case kNAK:
            return 0;
        default:
            return 3;
    }
}

void PutBitmap(const BPlusState &state, unsigned char mark, unsigned char *out) {
    for (int c = 0; c < 32; ++c) {
        if ((state.quote_set[c] & mark) != 0) out[c / 8] |= static_cast<unsigned char>(0x80 >> (c % 8));
    }
}

void MergeBitmap(BPlusState &state, unsigned char mark, const unsigned char *bitmap) {
    for (int c = 0; c < 32; ++c) {
        if ((bitmap[c / 8] & (0x80 >> (c % 8))) != 0) state.quote_set[c] |= mark;
    }
}

unsigned char Smaller(unsigned char a, unsigned char b) { return std::min(a, b); }

}  // namespace

int QuoteLevelCode(const BPlusState &state, bool host_full_length) {
    static constexpr int kCodeOfLevel[] = {1, 0, 2, 3};
    if (host_full_length) return kCodeOfLevel[0];
    int level = 0;
    for (int c = 0; c < 32; ++c) {
        if ((state.quote_set[c] & kLowMark) != 0) level = std::max(level, LowLevel(c));
        if ((state.quote_set[c] & kHighMark) != 0) level = std::max(level, c == 0x11 || c == 0x13 ? 2 : 3);
    }
    return kCodeOfLevel[level];
}

void BuildTransportPacket(TransferRecord *record, bool host_full_length, unsigned char *out) {
    const BPlusArea &b = BPlus(record);
    const BPlusState &state = StateOf(record);
    std::memset(out, 0, kTransportLength);
    out[0] = '+';
    out[1] = b.window_enabled != 0 ? b.send_window : 0;
    out[2] = b.receive_window;
    out[3] = static_cast<unsigned char>(record->block_size / kBlockUnit);
    out[4] = b.requested_check_method;
    out[5] = static_cast<unsigned char>(QuoteLevelCode(state, host_full_length));
    out[6] = b.transport_byte_6;
    PutBitmap(state, kLowMark, out + 7);
    PutBitmap(state, kHighMark, out + 11);
    out[15] = b.download_resume;
    out[16] = b.transport_byte_16;
    out[17] = b.transport_byte_17;
}

int BPlusTransportParameters(TransferRecord *record) {
    BPlusArea &b = BPlus(record);
    BPlusState &state = StateOf(record);
    const bool full_length = state.packet_length >= kTransportLength;
    unsigned char host[kTransportLength] = {};
    std::memcpy(host, record->buffer, static_cast<std::size_t>(std::min(state.packet_length, kTransportLength)));

    unsigned char ours[kTransportLength];
    BuildTransportPacket(record, full_length, ours);
    const unsigned char send_window = Smaller(b.send_window, host[2]);
    // A host that names no block size leaves ours: one byte a packet would
    // read as the end of every file sent.
    const unsigned char units = host[3] != 0 ? Smaller(ours[3], host[3]) : ours[3];
    const unsigned char check_method = Smaller(ours[4], host[4]);
    b.transport_byte_6 = Smaller(ours[6], host[6]);
    b.download_resume = Smaller(ours[15], host[15]);
    b.transport_byte_16 = Smaller(ours[16], host[16]);
    b.transport_byte_17 = Smaller(ours[17], host[17]);
    if (full_length) {
        MergeBitmap(state, kLowMark, host + 7);
        MergeBitmap(state, kHighMark, host + 11);
    }
    ours[5] = static_cast<unsigned char>(QuoteLevelCode(state, full_length));

    state.quote_mode = kQuoteEverything;
    b.window_enabled = 1;
    int result = BPlusQueuePacket(record, kTransportLength, ours);
    if (result == 0) result = BPlusWaitAll(record);
    if (result == 0) {
        state.check_method = check_method > kBPlusCrc32 ? static_cast<int>(kBPlusChecksum) : check_method;
        record->block_size = units * kBlockUnit + 1;
        state.second_sequence = record->block_number;
        b.send_window = send_window;
    }
    state.quote_mode = kQuoteBySet;
    return result;
}

}  // namespace portkit::transfer
