// The receiver's data field: repeat counts, 8th-bit and control prefixes
// undone, and the bytes written to the file.
#include <cstdio>

#include "transfer/received_file.h"
#include "transfer/kermit/kermit_engine.h"

namespace portkit::transfer {
namespace {

// A field decodes in pieces this large; a long packet's may give 280 KB.
constexpr std::size_t kDecodedRoom = 4096;

// A prefix at the very end of a field has nothing to apply to and is
// dropped. With `whole_groups`, stops before a group that would not fit;
// otherwise cuts it at `room`.
std::size_t Decode(const TransferRecord *record, const char *data, int length, int *position, unsigned char *out,
                   std::size_t room, bool whole_groups) {
    const KermitArea &k = Kermit(record);
    const auto *d = reinterpret_cast<const unsigned char *>(data);
    std::size_t used = 0;
    int i = *position;
    while (i < length) {
        const int start = i;
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
        if (whole_groups && used + static_cast<std::size_t>(count) > room) {
            *position = start;
            return used;
        }
        for (; count > 0 && used < room; --count) out[used++] = static_cast<unsigned char>(c);
    }
    *position = length;
    return used;
}

}  // namespace

std::size_t DecodeField(const TransferRecord *record, const char *data, int length, unsigned char *out,
                        std::size_t room) {
    int position = 0;
    return Decode(record, data, length, &position, out, room, false);
}

std::size_t DecodeSome(const TransferRecord *record, const char *data, int length, int *position, unsigned char *out,
                       std::size_t room) {
    return Decode(record, data, length, position, out, room, true);
}

int KermitDecodeData(TransferRecord *record) {
    unsigned char decoded[kDecodedRoom];
    const int length = record->block_size < 0 ? 0 : record->block_size;
    for (int position = 0; position < length;) {
        const std::size_t size = DecodeSome(record, PacketData(record), length, &position, decoded, sizeof decoded);
        if (size > 0 && !WriteReceivedData(record, decoded, size)) {
            record->status = PORTKIT_XFER_FILE_IO;
            KermitFinish(record);
            return 0;
        }
        CountBytes(record, static_cast<std::int64_t>(size));
    }
    return 1;
}

}  // namespace portkit::transfer
