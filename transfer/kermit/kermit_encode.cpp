// The sender's data field: control and 8th-bit prefixing, and runs of one
// byte compressed to the repeat prefix, a count and the byte.
#include <cstdio>

#include "transfer/kermit/kermit_engine.h"

namespace portkit::transfer {
namespace {

// The next file byte as it goes out, or EOF.
int TakeByte(TransferRecord *record) {
    const int c = std::getc(record->file);
    if (c == EOF) return EOF;
    ++record->byte_total;
    return Kermit(record).seven_bit != 0 ? c & 0x7F : c;
}

}  // namespace

int EncodeByte(const TransferRecord *record, int c, char *out) {
    const KermitArea &k = Kermit(record);
    int used = 0;
    if (k.seven_bit != 0) c &= 0x7F;
    if ((c & 0x80) != 0 && k.eighth_bit_quoting != 0) {
        out[used++] = static_cast<char>(k.eighth_bit_prefix);
        c &= 0x7F;
    }
    const int low = c & 0x7F;
    if (low < 32 || low == 127) {
        out[used++] = '#';
        out[used++] = static_cast<char>(Ctl(c));
    } else if (low == '#' || (k.eighth_bit_quoting != 0 && low == k.eighth_bit_prefix) ||
               (k.repeat_mode == 1 && low == k.repeat_prefix)) {
        out[used++] = '#';
        out[used++] = static_cast<char>(c);
    } else {
        out[used++] = static_cast<char>(c);
    }
    return used;
}

// Fills until the field holds its room less 3 bytes: one more byte adds at
// most three, and a run's group never grows past the copies it replaces by
// more than that, so the field stays within its room.
int KermitEncodeData(TransferRecord *record, char *out) {
    const KermitArea &k = Kermit(record);
    const bool repeat = k.repeat_mode == 1;
    const int limit = KermitDataRoom(record) - 3;
    int length = 0;
    int previous = EOF;
    int copies = 0;     // consecutive occurrences of `previous` in this field
    int run_start = 0;  // where the first of those copies begins
    while (length < limit) {
        const int c = TakeByte(record);
        if (c == EOF) break;
        if (!repeat || c != previous) {
            previous = c;
            copies = 1;
            run_start = length;
            length += EncodeByte(record, c, out + length);
            continue;
        }
        if (++copies < 3) {
            length += EncodeByte(record, c, out + length);
            continue;
        }
        // The third in a row: count the rest of the run.
        int count = 3;
        int after = EOF;
        while (count < kMaxRepeatCount) {
            after = TakeByte(record);
            if (after != c) break;
            ++count;
        }
        length = run_start;
        out[length++] = static_cast<char>(k.repeat_prefix);
        out[length++] = static_cast<char>(ToChar(count));
        length += EncodeByte(record, c, out + length);
        previous = EOF;
        copies = 0;
        if (count == kMaxRepeatCount || after == EOF) continue;
        previous = after;
        copies = 1;
        run_start = length;
        length += EncodeByte(record, after, out + length);
    }
    return length;
}

}  // namespace portkit::transfer
