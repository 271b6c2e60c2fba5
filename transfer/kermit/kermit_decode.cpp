// The receiver's data field: repeat counts, 8th-bit and control prefixes
// undone, and the bytes written to the file.
#include <cstdio>

#include "transfer/received_file.h"
#include "transfer/kermit/kermit_engine.h"

namespace portkit::transfer {
namespace {

// 91 data bytes hold at most 30 repeat groups of 94 and one byte more.
constexpr std::size_t kDecodedRoom = (kMaxDataLength / 3 + 1) * kMaxRepeatCount;

}  // namespace

// A prefix at the very end of a field has nothing to apply to and is dropped.
std::size_t DecodeField(const TransferRecord *record, const char *data, int length, unsigned char *out,
                        std::size_t room) {
    const KermitArea &k = Kermit(record);
    const auto *d = reinterpret_cast<const unsigned char *>(data);
    std::size_t used = 0;
    int i = 0;
    while (i < length) {
        int count = 1;
        int c = d[i++];
        if (k.repeat_mode == 1 && c == k.remote_repeat_prefix) {
            if (i + 1 >= length) break;
            count = UnChar(d[i++]);
            if (count < 0) count = 0;
            c = d[i++];
        }
        int high = 0;
        if (k.eighth_bit_quoting != 0 && c == k.eighth_bit_prefix) {
            if (i >= length) break;
            high = 0x80;
            c = d[i++];
        }
        if (c == k.control_prefix) {
            if (i >= length) break;
            c = d[i++];
            const int low = c & 0x7F;
            if (low >= 63 && low <= 95) c = Ctl(c);
        }
        c |= high;
        if (k.seven_bit != 0) c &= 0x7F;
        for (; count > 0 && used < room; --count) out[used++] = static_cast<unsigned char>(c);
    }
    return used;
}

int KermitDecodeData(TransferRecord *record) {
    unsigned char decoded[kDecodedRoom];
    const int length = record->block_size < 0 ? 0 : record->block_size;
    const std::size_t size = DecodeField(record, PacketData(record), length, decoded, sizeof decoded);
    if (size > 0 && !WriteReceivedData(record, decoded, size)) {
        record->status = PORTKIT_XFER_FILE_IO;
        KermitFinish(record);
        return 0;
    }
    record->byte_total += static_cast<int32_t>(size);
    return 1;
}

}  // namespace portkit::transfer
