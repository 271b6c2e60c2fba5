// The four B+ check methods: a rotating checksum, the XMODEM CRC-16, the
// reflected CCITT CRC-16 and CRC-32.
#include <array>

#include "transfer/bplus/bplus_engine.h"

namespace portkit::transfer {
namespace {

constexpr std::uint16_t kCcittResidue = 0xF0B8;
constexpr std::uint32_t kCrc32Residue = 0xDEBB20E3u;

constexpr std::array<std::uint16_t, 256> MakeCcittTable() {
    std::array<std::uint16_t, 256> table{};
    for (unsigned i = 0; i < 256; ++i) {
        unsigned crc = i;
        for (int bit = 0; bit < 8; ++bit) crc = (crc & 1) != 0 ? (crc >> 1) ^ 0x8408 : crc >> 1;
        table[i] = static_cast<std::uint16_t>(crc);
    }
    return table;
}
constexpr auto kCcittTable = MakeCcittTable();

// Each step folds the carry back in, so the sum stays one byte.
std::uint32_t ChecksumStep(std::uint32_t s, unsigned char c) {
    s <<= 1;
    if (s > 255) s = (s & 255) + 1;
    s += c;
    if (s > 255) s = (s & 255) + 1;
    return s;
}

std::uint32_t CcittStep(std::uint32_t crc, unsigned char c) {
    return kCcittTable[(crc ^ c) & 0xFF] ^ ((crc >> 8) & 0xFF);
}

std::uint32_t Step(int method, std::uint32_t value, unsigned char c) {
    switch (method) {
        case kBPlusCrc16:
            return CalculateCharacterCRC16m(static_cast<std::uint16_t>(value), c);
        case kBPlusCcitt:
            return CcittStep(value, c);
        case kBPlusCrc32:
            return CalculateCharacterCRC32(value, c);
        default:
            return ChecksumStep(value, c);
    }
}

std::uint32_t StartValue(int method) {
    switch (method) {
        case kBPlusCrc16:
        case kBPlusCcitt:
            return 0xFFFF;
        case kBPlusCrc32:
            return 0xFFFFFFFFu;
        default:
            return 0;
    }
}

}  // namespace

BPlusCheck StartCheck(int method) { return BPlusCheck{method, StartValue(method)}; }

void AddToCheck(BPlusCheck &check, unsigned char c) { check.value = Step(check.method, check.value, c); }

int CheckByteCount(int method) {
    switch (method) {
        case kBPlusCrc16:
        case kBPlusCcitt:
            return 2;
        case kBPlusCrc32:
            return 4;
        default:
            return 1;
    }
}

int CheckBytes(const BPlusCheck &check, unsigned char *out) {
    const std::uint32_t v = check.value;
    switch (check.method) {
        case kBPlusCrc16:
            out[0] = static_cast<unsigned char>(v >> 8);
            out[1] = static_cast<unsigned char>(v);
            return 2;
        case kBPlusCcitt:
            out[0] = static_cast<unsigned char>(~v);
            out[1] = static_cast<unsigned char>(~v >> 8);
            return 2;
        case kBPlusCrc32:
            for (int i = 0; i < 4; ++i) out[i] = static_cast<unsigned char>(~v >> (8 * i));
            return 4;
        default:
            out[0] = static_cast<unsigned char>(v);
            return 1;
    }
}

bool CheckAccepts(const BPlusCheck &check, unsigned char received_sum) {
    switch (check.method) {
        case kBPlusCrc16:
            return (check.value & 0xFFFF) == 0;
        case kBPlusCcitt:
            return (check.value & 0xFFFF) == kCcittResidue;
        case kBPlusCrc32:
            return check.value == kCrc32Residue;
        default:
            return check.value == received_sum;
    }
}

// The checksum method takes the XMODEM CRC here, as method 1 does: a
// one-byte sum says too little about a whole file. Each value is what that method would send.
std::uint32_t StartFileCheck(int method) { return StartValue(method == kBPlusChecksum ? kBPlusCrc16 : method); }

std::uint32_t FileCheckValue(int method, const unsigned char *data, std::size_t length, std::uint32_t running) {
    const int used = method == kBPlusChecksum ? kBPlusCrc16 : method;
    for (std::size_t i = 0; i < length; ++i) running = Step(used, running, data[i]);
    return running;
}

std::uint32_t FinishFileCheck(int method, std::uint32_t running) {
    if (method == kBPlusCcitt) return ~running & 0xFFFF;
    if (method == kBPlusCrc32) return ~running;
    return running & 0xFFFF;
}

}  // namespace portkit::transfer
