// ZMODEM on the wire: hex and binary headers and data subpackets, with ZDLE
// escaping and CRC-16 or CRC-32, sent and read back. The engines are built
// on these calls alone.
#ifndef PORTKIT_TRANSFER_ZMODEM_FRAMES_H
#define PORTKIT_TRANSFER_ZMODEM_FRAMES_H

#include <array>
#include <cstddef>
#include <cstdint>

#include "transfer/transfer_internal.h"

namespace portkit::transfer {

constexpr std::uint8_t kZPAD = 0x2A;
constexpr std::uint8_t kZDLE = 0x18;
constexpr std::uint8_t kZBIN = 'A';
constexpr std::uint8_t kZHEX = 'B';
constexpr std::uint8_t kZBIN32 = 'C';
constexpr std::uint8_t kZCRCE = 'h';  // end of frame, no reply
constexpr std::uint8_t kZCRCG = 'i';  // frame goes on, no reply
constexpr std::uint8_t kZCRCQ = 'j';  // frame goes on, ZACK expected
constexpr std::uint8_t kZCRCW = 'k';  // end of frame, ZACK expected
constexpr std::uint8_t kZRUB0 = 'l';  // escaped 0x7F
constexpr std::uint8_t kZRUB1 = 'm';  // escaped 0xFF
constexpr std::uint8_t kXON = 0x11;
constexpr std::uint8_t kXOFF = 0x13;

// Frame types, numbered as in the published protocol.
enum ZmodemFrameType : int {
    kZRQINIT = 0,
    kZRINIT = 1,
    kZSINIT = 2,
    kZACK = 3,
    kZFILE = 4,
    kZSKIP = 5,
    kZNAK = 6,
    kZABORT = 7,
    kZFIN = 8,
    kZRPOS = 9,
    kZDATA = 10,
    kZEOF = 11,
    kZFERR = 12,
};

// ZRINIT capability flags (ZF0).
constexpr int kCANFDX = 0x01;
constexpr int kCANOVIO = 0x02;
constexpr int kCANBRK = 0x04;
constexpr int kCANFC32 = 0x20;

// ReadByte marks a subpacket terminator by adding this to its letter.
constexpr int kFrameEnd = 0x100;
// Most data bytes one subpacket may carry.
constexpr int kMaxSubpacket = 1024;
// Unexpected characters a header hunt takes before giving up.
constexpr int kGarbageLimit = 2048;

inline ZmodemArea &Zmodem(TransferRecord *record) { return record->protocol.zmodem; }

// Header data p0..p3 as a position, least significant byte first, and back.
inline std::int32_t HeaderPosition(const unsigned char data[4]) {
    return static_cast<std::int32_t>(std::uint32_t{data[0]} | std::uint32_t{data[1]} << 8 |
                                     std::uint32_t{data[2]} << 16 | std::uint32_t{data[3]} << 24);
}
inline void PositionHeader(std::int32_t position, unsigned char data[4]) {
    const auto value = static_cast<std::uint32_t>(position);
    for (int i = 0; i < 4; ++i) data[i] = static_cast<unsigned char>(value >> (8 * i));
}

// True for the nine byte values that never go out bare: 0x0D, 0x10, 0x11,
// 0x13, 0x18, and 0x8D, 0x90, 0x91, 0x93 (not 0x98). Every byte sent passes
// here, so it is one look in a table.
inline constexpr auto kEscapedBytes = [] {
    std::array<bool, 256> table{};
    for (const unsigned char byte : {0x0D, 0x10, 0x11, 0x13, 0x18, 0x8D, 0x90, 0x91, 0x93}) table[byte] = true;
    return table;
}();
inline bool NeedsEscape(unsigned char byte) { return kEscapedBytes[byte]; }
// Writes `byte` as it goes on the wire into `out` (room for 2); the length.
inline std::size_t EncodeByte(unsigned char byte, char *out) {
    if (!NeedsEscape(byte)) {
        out[0] = static_cast<char>(byte);
        return 1;
    }
    out[0] = static_cast<char>(kZDLE);
    out[1] = static_cast<char>(byte ^ 0x40);
    return 2;
}

// Sending: 0 on success, else a negative code with the record's status set.
int SendEncodedChar(TransferRecord *record, int byte);
int SendHexHeader(TransferRecord *record, int type, const unsigned char data[4]);
// CRC-32 layout when the receiver offered CANFC32, else CRC-16.
int SendBinaryHeader(TransferRecord *record, int type, const unsigned char data[4]);
// The first `length` bytes of the record's buffer as one subpacket.
int SendDataSubpacket(TransferRecord *record, int length, int terminator);

// Reading. ReadFrameHeader gives the frame type, with the data in
// header_data and the format in header_format, or a negative code.
int ReadFrameHeader(TransferRecord *record, int return_on_error);
int GetPad(TransferRecord *record);         // 1 when a ZPAD came, else 0
int GetHeaderType(TransferRecord *record);  // the format byte, 0 for garbage, or negative
int ReadHexFrameHeaderData(TransferRecord *record);
int ReadBinaryHeaderData(TransferRecord *record);    // CRC-16
int ReadBinaryHeaderData32(TransferRecord *record);  // CRC-32
// One unescaped byte, a terminator as kFrameEnd + letter, or negative.
int ReadByte(TransferRecord *record);
// Fills buffer and block_size; the terminator letter, or negative.
int ReadDataSubpacket(TransferRecord *record);
// Checks the CRC-32 of the subpacket in the buffer; 0 when good.
int ReadCrc32(TransferRecord *record, int terminator);

// The code a read gives when the abort check called for a stop: the status,
// made negative if the abort hook left it positive.
int StopCode(TransferRecord *record);

}  // namespace portkit::transfer

#endif
