// The sender's data field: control and 8th-bit prefixing, and runs of one
// byte compressed to the repeat prefix, a count and the byte.
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "transfer/kermit/kermit_engine.h"

namespace portkit::transfer {
namespace {

// The next file byte as it goes out, or EOF.
int TakeByte(TransferRecord *record) {
    const int c = std::getc(record->file);
    if (c == EOF) return EOF;
    CountBytes(record, 1);
    return Kermit(record).seven_bit != 0 ? c & 0x7F : c;
}

void UntakeByte(TransferRecord *record, int c) {
    if (c == EOF) return;
    std::ungetc(c, record->file);
    CountBytes(record, -1);
}

// The control bytes that links and peers are known to act on, as C-Kermit
// prefixes them by default: NUL, the packet mark, ^C, ^D, LF, CR, shift out
// and in, DLE, XON, XOFF, ^U, ^X to ^Z and FS to RS; of those with bit 8 set,
// the same few and the C1 string controls; and 0xFF, Telnet's IAC.
constexpr std::uint32_t kRiskyC0 = 0x772be41b;  // bit n: byte n
constexpr std::uint32_t kRiskyC1 = 0x742b241a;  // bit n: byte 128 + n

bool NeedsControlPrefix(const KermitArea &k, int c) {
    const int low = c & 0x7F;
    if (low >= 32 && low != 127) return false;
    if (!KermitEncodesTightly(k)) return true;
    if (low == k.end_of_line || low == (k.pad_char & 0x7F) || c == 0xFF) return true;
    if (low == 127) return false;
    return ((c < 128 ? kRiskyC0 : kRiskyC1) >> low & 1) != 0;
}

// A run of `count` copies of `c`: the repeat prefix, the count and the
// byte, or the byte alone when `count` is 1.
int EncodeRun(const TransferRecord *record, int c, int count, char *out) {
    if (count == 1) return EncodeByte(record, c, out);
    out[0] = static_cast<char>(Kermit(record).repeat_prefix);
    out[1] = static_cast<char>(ToChar(count));
    return 2 + EncodeByte(record, c, out + 2);
}

// Fills the field to its last byte: each run is read whole, and one that
// does not fit waits in `carried_run` for the next field. A pair goes as
// two single bytes, so that its first may end a field. The room is at
// least five bytes, the most a run takes, so no field is left empty
// before the end of the file.
int EncodeDataTightly(TransferRecord *record, char *out) {
    KermitArea &k = Kermit(record);
    const int room = KermitDataRoom(record);
    int length = 0;
    for (;;) {
        int c = 0;
        int copies = 0;
        if (k.carried_run != 0) {
            c = k.carried_run & 0xFF;
            copies = k.carried_run >> 8;
            k.carried_run = 0;
            CountBytes(record, copies);
        } else {
            c = TakeByte(record);
            if (c == EOF) break;
            copies = 1;
            if (k.repeat_mode == 1) {
                int after = EOF;
                while (copies < kMaxRepeatCount && (after = TakeByte(record)) == c) ++copies;
                if (after != c) UntakeByte(record, after);
            }
        }
        const int count = copies == 2 ? 1 : copies;
        char run[5];
        const int size = EncodeRun(record, c, count, run);
        if (length + size > room) {
            k.carried_run = copies << 8 | c;
            CountBytes(record, -copies);
            break;
        }
        std::memcpy(out + length, run, static_cast<std::size_t>(size));
        length += size;
        if (copies > count) {
            k.carried_run = 1 << 8 | c;
            CountBytes(record, -1);
        }
    }
    return length;
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
    if (NeedsControlPrefix(k, c)) {
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
    if (KermitEncodesTightly(k)) return EncodeDataTightly(record, out);
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
