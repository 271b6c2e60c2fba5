// The CRC routines against their check values and against a bit-at-a-time
// reference that shares nothing with the table-driven code.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "portkit/crc.h"

namespace portkit::test {
namespace {

const unsigned char kCheck[] = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};

std::uint16_t BitwiseCrc16(std::uint16_t crc, const unsigned char *data, std::size_t length) {
    for (std::size_t i = 0; i < length; ++i) {
        crc = static_cast<std::uint16_t>(crc ^ (data[i] << 8));
        for (int bit = 0; bit < 8; ++bit)
            crc = static_cast<std::uint16_t>((crc & 0x8000) ? (crc << 1) ^ 0x1021 : crc << 1);
    }
    return crc;
}

std::uint32_t BitwiseCrc32(std::uint32_t crc, const unsigned char *data, std::size_t length) {
    for (std::size_t i = 0; i < length; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit) crc = (crc & 1) ? (crc >> 1) ^ 0xEDB88320u : crc >> 1;
    }
    return crc;
}

TEST(Crc16, CheckValueFromEveryRoutineAndDegenerateBlocks) {
    EXPECT_EQ(CalculateBlockCRC16(9, 0, kCheck), 0x31C3);
    std::uint16_t plain = 0, m = 0;
    std::uint32_t vb = 0;
    for (unsigned char c : kCheck) {
        plain = CalculateCharacterCRC16(plain, c);
        m = CalculateCharacterCRC16m(m, c);
        vb = CalculateCharacterCRC16VB(static_cast<std::uint16_t>(vb), c);
        EXPECT_LE(vb, 0xFFFFu);  // the VB form clears the upper half
    }
    EXPECT_EQ(plain, 0x31C3);
    EXPECT_EQ(m, 0x31C3);
    EXPECT_EQ(vb, 0x31C3u);
    EXPECT_EQ(CalculateCharacterCRC16(0, 255), 0x1EF0);
    const std::vector<unsigned char> zeros(128, 0);
    EXPECT_EQ(CalculateBlockCRC16(128, 0, zeros.data()), 0);
    EXPECT_EQ(CalculateBlockCRC16(0, 0x1234, kCheck), 0x1234);
    EXPECT_EQ(CalculateBlockCRC16(-5, 0x1234, kCheck), 0x1234);
}

TEST(Crc32, CheckValueResidueAndDegenerateBlocks) {
    const std::uint32_t raw = CalculateBlockCRC32(9, 0xFFFFFFFFu, kCheck);
    EXPECT_EQ(raw, 0x340BC6D9u);
    EXPECT_EQ(~raw, 0xCBF43926u);
    std::uint32_t plain = 0xFFFFFFFFu, vb = 0xFFFFFFFFu;
    for (unsigned char c : kCheck) {
        plain = CalculateCharacterCRC32(plain, c);
        vb = CalculateCharacterCRC32VB(vb, c);
    }
    EXPECT_EQ(plain, raw);
    EXPECT_EQ(vb, raw);
    // The data followed by its CRC as sent, low byte first, leaves the residue.
    unsigned char framed[13] = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};
    for (int i = 0; i < 4; ++i) framed[9 + i] = static_cast<unsigned char>(~raw >> (8 * i));
    EXPECT_EQ(CalculateBlockCRC32(13, 0xFFFFFFFFu, framed), 0xDEBB20E3u);
    EXPECT_EQ(CalculateCharacterCRC32(0, 255), 0x2D02EF8Du);
    EXPECT_EQ(CalculateBlockCRC32(0, 0x12345678u, kCheck), 0x12345678u);
    EXPECT_EQ(CalculateBlockCRC32(-1, 0x12345678u, kCheck), 0x12345678u);
}

// Every length and alignment around the many-bytes-at-once folding and its
// tail, from varying start values.
TEST(CrcBlocks, MatchTheBitwiseReferenceAtEveryLengthAndAlignment) {
    std::vector<unsigned char> data(300);
    std::uint32_t seed = 0xC0FFEEu;
    for (auto &byte : data) byte = static_cast<unsigned char>((seed = seed * 1103515245u + 12345u) >> 16);
    for (std::size_t offset = 0; offset < 16; ++offset) {
        for (std::size_t length = 0; offset + length <= 100; ++length) {
            const unsigned char *p = data.data() + offset;
            const int n = static_cast<int>(length);
            const auto start16 = static_cast<std::uint16_t>(0xA5C3 + length);
            const std::uint32_t start32 = 0xFFFFFFFFu - static_cast<std::uint32_t>(length * 7919);
            ASSERT_EQ(CalculateBlockCRC16(n, start16, p), BitwiseCrc16(start16, p, length)) << offset << "+" << length;
            ASSERT_EQ(CalculateBlockCRC32(n, start32, p), BitwiseCrc32(start32, p, length)) << offset << "+" << length;
        }
    }
    EXPECT_EQ(CalculateBlockCRC16(300, 0, data.data()), BitwiseCrc16(0, data.data(), 300));
    EXPECT_EQ(CalculateBlockCRC32(300, ~0u, data.data()), BitwiseCrc32(~0u, data.data(), 300));
}

}  // namespace
}  // namespace portkit::test
