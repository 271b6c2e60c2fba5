// CRC-16 of XMODEM, YMODEM and ZMODEM: polynomial 0x1021, most significant
// bit first, no reflection and no final XOR.
#include <array>
#include <cstddef>
#include <cstdint>

#include "portkit/crc.h"

namespace {

using Table = std::array<std::uint16_t, 256>;

// kTables[k][i] is the register after byte i followed by k zero bytes, from a
// zero register. The CRC is linear, so eight bytes fold into the register with
// eight independent look-ups instead of a chain of eight dependent ones.
constexpr std::array<Table, 8> MakeTables() {
    std::array<Table, 8> tables{};
    for (unsigned i = 0; i < 256; ++i) {
        unsigned r = i << 8;
        for (int bit = 0; bit < 8; ++bit) r = (r & 0x8000) ? (r << 1) ^ 0x1021 : r << 1;
        tables[0][i] = static_cast<std::uint16_t>(r);
    }
    for (std::size_t k = 1; k < tables.size(); ++k) {
        for (unsigned i = 0; i < 256; ++i) {
            const unsigned previous = tables[k - 1][i];
            tables[k][i] = static_cast<std::uint16_t>((previous << 8) ^ tables[0][previous >> 8]);
        }
    }
    return tables;
}

constexpr auto kTables = MakeTables();
static_assert(kTables[0][1] == 0x1021 && kTables[0][255] == 0x1EF0);

inline std::uint16_t Step(std::uint16_t crc, unsigned char c) {
    return static_cast<std::uint16_t>((crc << 8) ^ kTables[0][((crc >> 8) ^ c) & 0xFF]);
}

}  // namespace

extern "C" {

PORTKIT_API uint16_t CalculateBlockCRC16(int length, uint16_t crc, const void *buffer) {
    if (length <= 0 || buffer == nullptr) return crc;
    const auto *p = static_cast<const unsigned char *>(buffer);
    std::size_t left = static_cast<std::size_t>(length);
    const auto &t = kTables;
    for (; left >= 8; left -= 8, p += 8) {
        // The register's high byte meets the first byte, its low byte the second.
        crc = static_cast<std::uint16_t>(t[7][p[0] ^ (crc >> 8)] ^ t[6][p[1] ^ (crc & 0xFF)] ^ t[5][p[2]] ^ t[4][p[3]] ^
                                         t[3][p[4]] ^ t[2][p[5]] ^ t[1][p[6]] ^ t[0][p[7]]);
    }
    for (; left > 0; --left) crc = Step(crc, *p++);
    return crc;
}

PORTKIT_API uint16_t CalculateCharacterCRC16(uint16_t crc, unsigned char c) { return Step(crc, c); }

PORTKIT_API uint32_t CalculateCharacterCRC16VB(uint16_t crc, unsigned char c) { return Step(crc, c); }

PORTKIT_API uint16_t CalculateCharacterCRC16m(uint16_t crc, unsigned char c) { return Step(crc, c); }

}  // extern "C"
