// Finding and reading ZMODEM headers, and the unescaping byte reader that
// binary headers and data subpackets share.
#include <cctype>

#include "portkit/timedio.h"
#include "transfer/zmodem/zmodem_frames.h"

namespace portkit::transfer {
namespace {

constexpr int kPadTimeoutMs = 1000;
constexpr int kPadTimeoutLimit = 10;
constexpr int kAfterCanMs = 120;
constexpr int kCharTimeoutMs = 2500;
constexpr int kCancelLimit = 5;
constexpr int kHexSettleMs = 55;
constexpr int kHexTrailerPolls = 5;
// Pads a header may bring; more than that count as garbage.
constexpr int kUsualPads = 2;
constexpr int kHuntAgain = 99;

bool QueueEmpty(PortStructure *port) { return port->functions.SpaceUsedInRXBuffer(port) <= 0; }

// The abort check, run only while nothing is waiting to be read.
bool StopWhileIdle(TransferRecord *record) { return QueueEmpty(record->port) && XferCheckAbort(record) != 0; }

// A character of a hex header or format byte: bit 7 dropped, flow control
// skipped (a flood of it ends the read rather than holding it forever).
int ReadHeaderChar(TransferRecord *record) {
    for (int skipped = 0; skipped < kGarbageLimit; ++skipped) {
        if (StopWhileIdle(record)) return StopCode(record);
        const int c = ReadCharTimed(record->port, kCharTimeoutMs);
        if (StopOnReadFailure(record, c)) return record->status;
        if (c < 0) return c;
        const int bare = c & 0x7F;
        if (bare != kXON && bare != kXOFF) return bare;
    }
    return -1;
}

// One byte for ReadByte as it came, but for flow control (XON and XOFF,
// with or without parity), which a sender escapes in data and which a line
// may add anywhere, such as the XON lrzsz puts after every hex header.
int ReadRawByte(TransferRecord *record) {
    PortStructure *port = record->port;
    for (int skipped = 0; skipped < kGarbageLimit; ++skipped) {
        int c;
        if (!QueueEmpty(port)) {
            c = port->functions.ReadChar(port);
        } else {
            if (XferCheckAbort(record)) return StopCode(record);
            c = ReadCharTimed(port, kCharTimeoutMs);
            if (StopOnReadFailure(record, c)) return record->status;
        }
        if (c < 0 || ((c & 0x7F) != kXON && (c & 0x7F) != kXOFF)) return c;
    }
    return -1;
}

int HexDigit(int c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;  // upper case included: our peers never send it
}

int ReadHexPair(TransferRecord *record) {
    const int high = HexDigit(ReadHeaderChar(record));
    if (high < 0) return -1;
    const int low = HexDigit(ReadHeaderChar(record));
    if (low < 0) return -1;
    return high << 4 | low;
}

// Type, four data bytes and `crc_length` CRC bytes, unescaped, into `raw`.
// Data bytes go to header_data as they come.
int ReadBinaryHeaderBytes(TransferRecord *record, unsigned char *raw, int crc_length) {
    for (int i = 0; i < 5 + crc_length; ++i) {
        const int c = ReadByte(record);
        if (c < 0) return c;
        if (c >= kFrameEnd) return -1;  // a terminator has no place in a header
        raw[i] = static_cast<unsigned char>(c);
        if (i >= 1 && i <= 4) Zmodem(record).header_data[i - 1] = raw[i];
    }
    return 0;
}

}  // namespace

int StopCode(TransferRecord *record) {
    if (record->status >= 0) record->status = PORTKIT_XFER_USER_ABORT;
    return record->status;
}

int GetPad(TransferRecord *record) {
    ZmodemArea &z = Zmodem(record);
    PortStructure *port = record->port;
    z.cancel_count = 0;
    int timeouts = 0;
    // True when this CAN completes the cancel sequence.
    auto count_cancel = [&] {
        if (++z.cancel_count < kCancelLimit) return false;
        record->status = PORTKIT_XFER_REMOTE_ABORT;
        XferMessage(record, "GetPad: Remote end sent 5-CAN");
        XferCleanUp(record);
        return true;
    };
    for (;;) {
        if (StopWhileIdle(record)) return 0;
        const int c = ReadCharTimed(port, kPadTimeoutMs);
        if (c == kZPAD) return 1;
        if (StopOnReadFailure(record, c)) return 0;
        if (c == PORTKIT_BUFFER_EMPTY) {
            if (++timeouts >= kPadTimeoutLimit) {
                XferMessage(record, "GetPad: timeout on ZPAD");
                return 0;
            }
            if (XferCheckAbort(record)) return 0;
        } else if (c == kCAN) {
            timeouts = 0;
            if (count_cancel()) return 0;
            if (XferCheckAbort(record)) return 0;
            const int next = ReadCharTimed(port, kAfterCanMs);
            if (StopOnReadFailure(record, next)) return 0;
            if (next == kCAN) {
                if (count_cancel()) return 0;
            } else if (next == kZPAD) {
                // ZDLE never precedes a pad in a valid stream, so the CAN was
                // noise and this pad opens a header.
                z.cancel_count = 0;
                return 1;
            } else {
                z.cancel_count = 0;
                ++z.garbage_count;
            }
        } else {
            z.cancel_count = 0;
            timeouts = 0;
            ++z.garbage_count;
            if (z.garbage_count % 512 == 0) XferMessage(record, "GetPad: incoming garbage");
            if (z.garbage_count % 256 == 0 && XferCheckAbort(record)) return 0;
        }
        if (z.garbage_count >= kGarbageLimit) {
            XferMessage(record, "GetPad: Exceeded garbage count");
            return 0;
        }
    }
}

int GetHeaderType(TransferRecord *record) {
    ZmodemArea &z = Zmodem(record);
    for (int pads = 0;;) {
        int c = ReadHeaderChar(record);
        if (c == kZPAD) {
            // A stream of nothing but pads must not hold the hunt forever.
            if (++pads > kUsualPads && ++z.garbage_count >= kGarbageLimit) return 0;
            continue;
        }
        const bool escape = c == kZDLE;
        if (escape) c = ReadHeaderChar(record);
        if (c < 0) {
            XferMessage(record, "GetHeaderType: error char %d", c);
            return c;
        }
        if (escape) return c;
        ++z.garbage_count;
        return 0;
    }
}

int ReadFrameHeader(TransferRecord *record, int return_on_error) {
    ZmodemArea &z = Zmodem(record);
    z.garbage_count = 0;
    for (;;) {
        if (GetPad(record) == 0) {
            z.header_format = PORTKIT_BUFFER_EMPTY;
            if (record->status < 0) return record->status;
        } else {
            z.header_format = GetHeaderType(record);
        }
        int result;
        switch (z.header_format) {
            case kZBIN:
                result = ReadBinaryHeaderData(record);
                break;
            case kZHEX:
                result = ReadHexFrameHeaderData(record);
                break;
            case kZBIN32:
                result = ReadBinaryHeaderData32(record);
                break;
            case 0:
                if (z.garbage_count >= kGarbageLimit) {
                    XferMessage(record, "GetPad: Exceeded garbage count");
                    result = -1;
                } else {
                    result = kHuntAgain;
                }
                break;
            default:
                if (z.header_format > 0 && z.header_format < 0x80 && std::isprint(z.header_format)) {
                    XferMessage(record, "ReadFrameHeader: Header Type %c", z.header_format);
                } else {
                    XferMessage(record, "ReadFrameHeader: Header Type <%d>", static_cast<int>(z.header_format));
                }
                result = -1;
                break;
        }
        if (result == kHuntAgain) continue;
        if (result >= 0) return result;
        XferMessage(record, "ReadFrameHeader: Frame type %d", result);
        if (record->status < 0) return record->status;
        ++record->error_count;
        ++record->retry_count;
        if (record->retry_count >= z.retry_limit) {
            record->status = PORTKIT_XFER_TOO_MANY_ERRORS;
            return record->status;
        }
        if (return_on_error) return -1;
    }
}

int ReadHexFrameHeaderData(TransferRecord *record) {
    ZmodemArea &z = Zmodem(record);
    z.hex_header_seen = 0;
    unsigned char raw[7];
    for (int i = 0; i < 7; ++i) {
        const int byte = ReadHexPair(record);
        if (byte < 0) return -1;
        raw[i] = static_cast<unsigned char>(byte);
        if (i >= 1 && i <= 4) z.header_data[i - 1] = raw[i];
    }
    if (CalculateBlockCRC16(7, 0, raw) != 0) {
        XferMessage(record, "ReadHexFrameHeaderData: bad CRC-16");
        return -1;
    }
    // Take the CR LF (XON) that end the line, giving them a little while to
    // arrive; the line feed ends the wait at once, so a stream of headers is
    // not slowed down. Anything else there means this was not a header.
    const std::int32_t settled = DeadlineAfter(kHexSettleMs);
    for (int poll = 0; poll < kHexTrailerPolls; ++poll) {
        const auto left =
            static_cast<std::int32_t>(static_cast<std::uint32_t>(settled) - static_cast<std::uint32_t>(ElapsedTime()));
        if (left <= 0 && QueueEmpty(record->port)) break;
        const int c = ReadCharTimed(record->port, left > 1 ? left : 1);
        if (c < 0) continue;
        const int bare = c & 0x7F;
        if (bare == '\n') break;
        if (bare != '\r' && bare != kXON) return -1;
    }
    z.hex_header_seen = 1;
    return raw[0];
}

int ReadBinaryHeaderData(TransferRecord *record) {
    unsigned char raw[7];
    if (const int result = ReadBinaryHeaderBytes(record, raw, 2); result < 0) return result;
    if (CalculateBlockCRC16(7, 0, raw) != 0) {
        XferMessage(record, "ReadBinaryHeaderData: bad CRC-16");
        return -1;
    }
    return raw[0];
}

int ReadBinaryHeaderData32(TransferRecord *record) {
    unsigned char raw[9];
    if (const int result = ReadBinaryHeaderBytes(record, raw, 4); result < 0) return result;
    if (CalculateBlockCRC32(9, 0xFFFFFFFFu, raw) != 0xDEBB20E3u) {
        XferMessage(record, "ReadBinaryHeaderData: bad CRC-32");
        return -1;
    }
    return raw[0];
}

int ReadByte(TransferRecord *record) {
    ZmodemArea &z = Zmodem(record);
    z.cancel_count = 0;
    int c = ReadRawByte(record);
    if (c != kZDLE) return c;
    z.cancel_count = 1;  // ZDLE is CAN: it starts the count
    for (;;) {
        c = ReadRawByte(record);
        if (c < 0) return c;
        if (c != kCAN) break;
        if (++z.cancel_count >= kCancelLimit) {
            record->status = PORTKIT_XFER_REMOTE_ABORT;
            XferMessage(record, "ReadByte: Remote end sent 5-CAN");
            return record->status;
        }
    }
    z.cancel_count = 0;
    switch (c) {
        case kZCRCE:
        case kZCRCG:
        case kZCRCQ:
        case kZCRCW:
            return kFrameEnd + c;
        case kZRUB0:
            return 0x7F;
        case kZRUB1:
            return 0xFF;
        default:
            return c ^ 0x40;
    }
}

}  // namespace portkit::transfer
