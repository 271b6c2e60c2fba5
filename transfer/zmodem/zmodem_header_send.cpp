// Escaping and the two kinds of ZMODEM header on the way out. A header is
// assembled whole and handed over in one write.
#include "transfer/zmodem/zmodem_frames.h"

namespace portkit::transfer {
namespace {

constexpr char kHexDigits[] = "0123456789abcdef";

void PutHex(unsigned char byte, char *&out) {
    *out++ = kHexDigits[byte >> 4];
    *out++ = kHexDigits[byte & 0x0F];
}

void PutEncoded(unsigned char byte, char *&out) { out += EncodeByte(byte, out); }

}  // namespace

int SendEncodedChar(TransferRecord *record, int byte) {
    const auto value = static_cast<unsigned char>(byte);
    if (NeedsEscape(value)) {
        if (const int result = XferSendChar(record, kZDLE); result < 0) return result;
        return XferSendChar(record, value ^ 0x40);
    }
    return XferSendChar(record, value);
}

int SendHexHeader(TransferRecord *record, int type, const unsigned char data[4]) {
    unsigned char raw[5] = {static_cast<unsigned char>(type), data[0], data[1], data[2], data[3]};
    const std::uint16_t crc = CalculateBlockCRC16(5, 0, raw);
    char wire[21];
    char *out = wire;
    *out++ = static_cast<char>(kZPAD);
    *out++ = static_cast<char>(kZPAD);
    *out++ = static_cast<char>(kZDLE);
    *out++ = static_cast<char>(kZHEX);
    for (const unsigned char byte : raw) PutHex(byte, out);
    PutHex(static_cast<unsigned char>(crc >> 8), out);
    PutHex(static_cast<unsigned char>(crc), out);
    *out++ = '\r';
    *out++ = '\n';
    // The XON frees a sender held by a stray XOFF; ZFIN and ZACK go without,
    // as in the published protocol.
    if (type != kZFIN && type != kZACK) *out++ = static_cast<char>(kXON);
    return XferSendBuffer(record, wire, static_cast<unsigned>(out - wire));
}

int SendBinaryHeader(TransferRecord *record, int type, const unsigned char data[4]) {
    const unsigned char raw[5] = {static_cast<unsigned char>(type), data[0], data[1], data[2], data[3]};
    const bool crc32 = (Zmodem(record).receiver_flags & kCANFC32) != 0;
    char wire[3 + 9 * 2];
    char *out = wire;
    *out++ = static_cast<char>(kZPAD);
    *out++ = static_cast<char>(kZDLE);
    *out++ = static_cast<char>(crc32 ? kZBIN32 : kZBIN);
    for (const unsigned char byte : raw) PutEncoded(byte, out);
    if (crc32) {
        const std::uint32_t crc = ~CalculateBlockCRC32(5, 0xFFFFFFFFu, raw);
        for (int i = 0; i < 4; ++i) PutEncoded(static_cast<unsigned char>(crc >> (8 * i)), out);
    } else {
        const std::uint16_t crc = CalculateBlockCRC16(5, 0, raw);
        PutEncoded(static_cast<unsigned char>(crc >> 8), out);
        PutEncoded(static_cast<unsigned char>(crc), out);
    }
    return XferSendBuffer(record, wire, static_cast<unsigned>(out - wire));
}

}  // namespace portkit::transfer
