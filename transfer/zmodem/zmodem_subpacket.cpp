// ZMODEM data subpackets both ways, and emptying the receive queue.
#include <cstring>

#include "port/port_queues.h"
#include "transfer/zmodem/zmodem_frames.h"

namespace portkit::transfer {
namespace {

// Every data byte escaped, ZDLE, terminator, four escaped CRC bytes, XON.
constexpr std::size_t kMaxWire = 2 * kMaxSubpacket + 2 + 2 * 4 + 1;

// A CRC byte must be a plain byte; a failed read gives its code, a
// terminator in its place gives -1.
int ReadCrcByte(TransferRecord *record) {
    const int c = ReadByte(record);
    if (c < 0) return c;
    return c < kFrameEnd ? c : -1;
}

}  // namespace

int SendDataSubpacket(TransferRecord *record, int length, int terminator) {
    if (length < 0 || length > kMaxSubpacket) return PORTKIT_USER_BUFFER_OVERFLOW;
    const auto *data = reinterpret_cast<const unsigned char *>(record->buffer);
    const auto end = static_cast<unsigned char>(terminator);
    const bool crc32 = (Zmodem(record).receiver_flags & kCANFC32) != 0;

    char wire[kMaxWire];
    std::size_t at = 0;
    // Without a branch: both bytes of an escape are written for every byte,
    // and the second is kept only when the byte needed the escape.
    for (int i = 0; i < length; ++i) {
        const unsigned char byte = data[i];
        const bool escaped = NeedsEscape(byte);
        wire[at] = static_cast<char>(escaped ? kZDLE : byte);
        wire[at + 1] = static_cast<char>(byte ^ 0x40);
        at += escaped ? 2 : 1;
    }
    const std::size_t zdle_at = at;
    wire[at++] = static_cast<char>(kZDLE);
    const std::size_t terminator_at = at;
    at += EncodeByte(end, wire + at);
    const std::size_t crc_at = at;
    if (crc32) {
        const std::uint32_t crc = ~CalculateCharacterCRC32(CalculateBlockCRC32(length, 0xFFFFFFFFu, data), end);
        for (int i = 0; i < 4; ++i) at += EncodeByte(static_cast<unsigned char>(crc >> (8 * i)), wire + at);
    } else {
        const std::uint16_t crc = CalculateCharacterCRC16(CalculateBlockCRC16(length, 0, data), end);
        at += EncodeByte(static_cast<unsigned char>(crc >> 8), wire + at);
        at += EncodeByte(static_cast<unsigned char>(crc), wire + at);
    }
    const std::size_t xon_at = at;
    if (end == kZCRCW) wire[at++] = static_cast<char>(kXON);

    const int result = XferSendBuffer(record, wire, static_cast<unsigned>(at));
    if (result >= 0) return 0;
    // Name the part that did not get out, as a byte-by-byte sender would.
    const std::size_t sent = record->port->count > 0 ? static_cast<std::size_t>(record->port->count) : 0;
    if (sent < zdle_at)
        XferMessage(record, "Error sending encoded character");
    else if (sent < terminator_at)
        XferMessage(record, "Error sending ZDLE");
    else if (sent < crc_at)
        XferMessage(record, "Error sending terminator");
    else if (sent < xon_at)
        XferMessage(record, crc32 ? "Error sending CRC-32" : "Error sending CRC-16");
    return result;
}

namespace {

// ZDLE starts an escape, and flow control is never data (ZMODEM senders
// escape it): ReadByte deals with both.
bool NeedsReadByte(std::uint8_t c) { return c == kZDLE || (c & 0x7F) == kXON || (c & 0x7F) == kXOFF; }

// Takes the plain bytes at the front of the receive queue in one pass, up
// to the next ZDLE or a full buffer; what it returns is what ReadByte would
// have given one byte at a time.
void TakePlainBytes(TransferRecord *record, unsigned char *buffer) {
    const std::span<const std::uint8_t> queued = portkit::PeekQueuedInput(record->port);
    const std::size_t room = static_cast<std::size_t>(kMaxSubpacket - record->block_size);
    const std::size_t limit = queued.size() < room ? queued.size() : room;
    if (limit == 0) return;
    std::size_t plain = 0;
    while (plain < limit && !NeedsReadByte(queued[plain])) ++plain;
    if (plain == 0) return;
    std::memcpy(buffer + record->block_size, queued.data(), plain);
    record->block_size += static_cast<std::int32_t>(plain);
    portkit::DropQueuedInput(record->port, plain);
    Zmodem(record).cancel_count = 0;
}

}  // namespace

int ReadDataSubpacket(TransferRecord *record) {
    record->block_size = 0;
    auto *buffer = reinterpret_cast<unsigned char *>(record->buffer);
    for (;;) {
        TakePlainBytes(record, buffer);
        const int c = ReadByte(record);
        if (c < 0) return c;
        if (c < kFrameEnd) {
            if (record->block_size >= kMaxSubpacket) return PORTKIT_USER_BUFFER_OVERFLOW;
            buffer[record->block_size++] = static_cast<unsigned char>(c);
            continue;
        }
        const int terminator = c - kFrameEnd;
        if (Zmodem(record).header_format == kZBIN32) {
            const int check = ReadCrc32(record, terminator);
            return check < 0 ? check : terminator;
        }
        const int high = ReadCrcByte(record);
        if (high < 0) return high;
        const int low = ReadCrcByte(record);
        if (low < 0) return low;
        const std::uint16_t crc = CalculateCharacterCRC16(CalculateBlockCRC16(record->block_size, 0, buffer),
                                                          static_cast<unsigned char>(terminator));
        return crc == ((high << 8) | low) ? terminator : -1;
    }
}

int ReadCrc32(TransferRecord *record, int terminator) {
    std::uint32_t crc = CalculateBlockCRC32(record->block_size, 0xFFFFFFFFu, record->buffer);
    crc = CalculateCharacterCRC32(crc, static_cast<unsigned char>(terminator));
    bool plain = true;
    for (int i = 0; i < 4; ++i) {
        const int c = ReadByte(record);
        // A read that fails, the last one included, is reported as such
        // rather than fed to the CRC as a byte.
        if (c < 0) return c;
        if (c >= kFrameEnd) plain = false;
        crc = CalculateCharacterCRC32(crc, static_cast<unsigned char>(c));
    }
    if (!plain || crc != 0xDEBB20E3u) {
        XferMessage(record, "ReadCrc32: bad CRC-32");
        return -1;
    }
    XferMessage(record, "ReadCrc32:  good CRC-32");
    return 0;
}

}  // namespace portkit::transfer

// Drops whatever the receive queue holds; 0, or a read failure other than -8.
extern "C" PORTKIT_API int ClearRXBuffer(PortStructure *port) {
    const int32_t saved_status = port->status;
    char scrap[64];
    for (;;) {
        port->count = 0;
        const int result = port->functions.ReadBuffer(port, scrap, sizeof scrap);
        if (result < 0 && result != PORTKIT_BUFFER_EMPTY) return result;
        if (port->count <= 0) break;
    }
    // An empty queue is what was wanted, not a failure to leave behind.
    port->status = saved_status;
    return 0;
}
