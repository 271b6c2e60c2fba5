// Kermit's block checks: type 1, the six-bit folded sum, and type 3, the
// 16-bit CRC sent as three printable characters.
#include "transfer/kermit/kermit_engine.h"

namespace portkit::transfer {

int KermitChecksum(const unsigned char *bytes, std::size_t length) {
    unsigned sum = 0;
    for (std::size_t i = 0; i < length; ++i) sum += bytes[i];
    return static_cast<int>((sum + ((sum & 0xC0) >> 6)) & 0x3F);
}

// Four bits at a time, low nibble first: 0x1081 is the reflected
// polynomial's multiple for one nibble, so no table is needed.
unsigned KermitCrc(const unsigned char *bytes, std::size_t length) {
    unsigned crc = 0;
    for (std::size_t i = 0; i < length; ++i) {
        const unsigned c = bytes[i];
        crc = (crc >> 4) ^ (((crc ^ c) & 0x0F) * 0x1081);
        crc = (crc >> 4) ^ (((crc ^ (c >> 4)) & 0x0F) * 0x1081);
    }
    return crc & 0xFFFF;
}

int KermitBlockCheck(int type, const unsigned char *bytes, std::size_t length, unsigned char *out) {
    if (type != 3) {
        out[0] = static_cast<unsigned char>(ToChar(KermitChecksum(bytes, length)));
        return 1;
    }
    const unsigned crc = KermitCrc(bytes, length);
    out[0] = static_cast<unsigned char>(ToChar((crc >> 12) & 0x0F));
    out[1] = static_cast<unsigned char>(ToChar((crc >> 6) & 0x3F));
    out[2] = static_cast<unsigned char>(ToChar(crc & 0x3F));
    return 3;
}

}  // namespace portkit::transfer
