// CRC-32 of ZMODEM (IEEE 802.3): reflected polynomial 0xEDB88320. The caller
// presets and complements the register, so the routines do neither.
#include <array>
#include <cstddef>
#include <cstdint>

#include "portkit/crc.h"

namespace {

using Table = std::array<std::uint32_t, 256>;

// kTables[k][i] is the register after byte i followed by k zero bytes, from a
// zero register; sixteen of them fold sixteen bytes in with independent
// look-ups (eight tables reach only about half of zlib's speed).
constexpr std::array<Table, 16> MakeTables() {
    std::array<Table, 16> tables{};
    for (std::uint32_t i = 0; i < 256; ++i) {
        std::uint32_t r = i;
        for (int bit = 0; bit < 8; ++bit) r = (r & 1) ? (r >> 1) ^ 0xEDB88320u : r >> 1;
        tables[0][i] = r;
    }
    for (std::size_t k = 1; k < tables.size(); ++k) {
        for (std::uint32_t i = 0; i < 256; ++i) {
            const std::uint32_t previous = tables[k - 1][i];
            tables[k][i] = (previous >> 8) ^ tables[0][previous & 0xFF];
        }
    }
    return tables;
}

constexpr auto kTables = MakeTables();
static_assert(kTables[0][1] == 0x77073096u && kTables[0][255] == 0x2D02EF8Du);

inline std::uint32_t Step(std::uint32_t crc, unsigned char c) { return (crc >> 8) ^ kTables[0][(crc ^ c) & 0xFF]; }

// Little-endian load from bytes: the register is reflected, so its low byte
// meets the first byte on every host.
inline std::uint32_t Load32(const unsigned char *p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

}  // namespace

extern "C" {

PORTKIT_API uint32_t CalculateBlockCRC32(int length, uint32_t crc, const void *buffer) {
    if (length <= 0 || buffer == nullptr) return crc;
    const auto *p = static_cast<const unsigned char *>(buffer);
    std::size_t left = static_cast<std::size_t>(length);
    const auto &t = kTables;
    for (; left >= 16; left -= 16, p += 16) {
        const std::uint32_t w0 = crc ^ Load32(p);
        const std::uint32_t w1 = Load32(p + 4);
        const std::uint32_t w2 = Load32(p + 8);
        const std::uint32_t w3 = Load32(p + 12);
        crc = t[15][w0 & 0xFF] ^ t[14][(w0 >> 8) & 0xFF] ^ t[13][(w0 >> 16) & 0xFF] ^ t[12][w0 >> 24] ^
              t[11][w1 & 0xFF] ^ t[10][(w1 >> 8) & 0xFF] ^ t[9][(w1 >> 16) & 0xFF] ^ t[8][w1 >> 24] ^ t[7][w2 & 0xFF] ^
              t[6][(w2 >> 8) & 0xFF] ^ t[5][(w2 >> 16) & 0xFF] ^ t[4][w2 >> 24] ^ t[3][w3 & 0xFF] ^
              t[2][(w3 >> 8) & 0xFF] ^ t[1][(w3 >> 16) & 0xFF] ^ t[0][w3 >> 24];
    }
    for (; left > 0; --left) crc = Step(crc, *p++);
    return crc;
}

PORTKIT_API uint32_t CalculateCharacterCRC32(uint32_t crc, unsigned char c) { return Step(crc, c); }

PORTKIT_API uint32_t CalculateCharacterCRC32VB(uint32_t crc, unsigned char c) { return Step(crc, c); }

}  // extern "C"
