#include "support/zmodem_peer.h"

#include <algorithm>
#include <chrono>

#include "portkit/crc.h"

namespace portkit::test {
namespace {

constexpr const char *kTypeNames[] = {"ZRQINIT", "ZRINIT", "ZSINIT", "ZACK",  "ZFILE", "ZSKIP", "ZNAK",
                                      "ZABORT",  "ZFIN",   "ZRPOS",  "ZDATA", "ZEOF",  "ZFERR"};
constexpr int kZPAD = '*';
constexpr int kEscapedFlag = 0x100;  // NextUnescaped: ZDLE and a terminator letter
constexpr std::size_t kMostData = 8192;

std::int64_t Now() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

bool IsTerminator(int c) { return c == kZCRCE || c == kZCRCG || c == kZCRCQ || c == kZCRCW; }

bool NeedsEscape(unsigned char c) {
    switch (c) {
        case 0x0D:
        case 0x10:
        case 0x11:
        case 0x13:
        case 0x18:
        case 0x8D:
        case 0x90:
        case 0x91:
        case 0x93:
            return true;
        default:
            return false;
    }
}

std::string Hex(unsigned char byte) {
    constexpr char digits[] = "0123456789abcdef";
    return {digits[byte >> 4], digits[byte & 0x0F]};
}

int HexValue(int c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// The CRC bytes as they are sent: CRC-16 high byte first, CRC-32 low byte first.
std::string Crc16Bytes(std::uint16_t crc) { return {static_cast<char>(crc >> 8), static_cast<char>(crc & 0xFF)}; }
std::string Crc32Bytes(std::uint32_t crc) {
    std::string bytes;
    for (int i = 0; i < 4; ++i) bytes += static_cast<char>(crc >> (8 * i));
    return bytes;
}

std::string HeaderCrc(const unsigned char raw[5], bool crc32) {
    return crc32 ? Crc32Bytes(~CalculateBlockCRC32(5, 0xFFFFFFFFu, raw)) : Crc16Bytes(CalculateBlockCRC16(5, 0, raw));
}

std::string SubpacketCrc(const std::string &data, char terminator, bool crc32) {
    const auto end = static_cast<unsigned char>(terminator);
    const int length = static_cast<int>(data.size());
    if (crc32) return Crc32Bytes(~CalculateCharacterCRC32(CalculateBlockCRC32(length, 0xFFFFFFFFu, data.data()), end));
    return Crc16Bytes(CalculateCharacterCRC16(CalculateBlockCRC16(length, 0, data.data()), end));
}

}  // namespace

HeaderData At(std::uint32_t position) {
    return {static_cast<std::uint8_t>(position), static_cast<std::uint8_t>(position >> 8),
            static_cast<std::uint8_t>(position >> 16), static_cast<std::uint8_t>(position >> 24)};
}

std::int32_t Header::position() const {
    return static_cast<std::int32_t>(std::uint32_t{data[0]} | std::uint32_t{data[1]} << 8 |
                                     std::uint32_t{data[2]} << 16 | std::uint32_t{data[3]} << 24);
}

std::string Header::Describe() const {
    if (type < 0) return "nothing";
    const std::string name = type <= kZFERR ? kTypeNames[type] : "type " + std::to_string(type);
    return name + " " + std::to_string(position()) + (ok ? "" : "!");
}

std::string Subpacket::Describe() const {
    return std::to_string(data.size()) + (terminator != 0 ? std::string(1, terminator) : "?") + (ok ? "" : "!");
}

std::string ZmodemPeer::Escaped(const std::string &bytes) {
    std::string wire;
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (NeedsEscape(byte)) {
            wire += static_cast<char>(kZDLE);
            wire += static_cast<char>(byte ^ 0x40);
        } else {
            wire += c;
        }
    }
    return wire;
}

std::string ZmodemPeer::HexHeader(int type, HeaderData data) {
    const unsigned char raw[5] = {static_cast<unsigned char>(type), data[0], data[1], data[2], data[3]};
    std::string wire =
        "**\x18"
        "B";
    for (const unsigned char byte : raw) wire += Hex(byte);
    for (const char byte : HeaderCrc(raw, false)) wire += Hex(static_cast<unsigned char>(byte));
    wire += "\r\n";
    if (type != kZACK && type != kZFIN) wire += static_cast<char>(kXON);
    return wire;
}

std::string ZmodemPeer::BinaryHeader(int type, HeaderData data, bool crc32) {
    const unsigned char raw[5] = {static_cast<unsigned char>(type), data[0], data[1], data[2], data[3]};
    return std::string("*\x18") + (crc32 ? 'C' : 'A') +
           Escaped(std::string(reinterpret_cast<const char *>(raw), 5) + HeaderCrc(raw, crc32));
}

std::string ZmodemPeer::DataSubpacket(const std::string &data, char terminator, bool crc32) {
    std::string wire =
        Escaped(data) + static_cast<char>(kZDLE) + terminator + Escaped(SubpacketCrc(data, terminator, crc32));
    if (terminator == kZCRCW) wire += static_cast<char>(kXON);
    return wire;
}

void ZmodemPeer::SendFrame(const std::string &data, std::uint32_t position) {
    std::string wire = BinaryHeader(kZDATA, At(position), crc32);
    for (std::size_t at = 0; at < data.size() || at == 0; at += 1024) {
        const bool last = at + 1024 >= data.size();
        wire += DataSubpacket(data.substr(at, 1024), last ? kZCRCE : kZCRCG, crc32);
    }
    Send(wire);
}

int ZmodemPeer::Next(std::int64_t deadline) {
    const std::int64_t left = deadline - Now();
    return line_.Get(left > 1 ? static_cast<int>(left) : 1);
}

// A byte, ZDLE and a terminator as kEscapedFlag + letter, or -1.
int ZmodemPeer::NextUnescaped(std::int64_t deadline) {
    const int c = Next(deadline);
    if (c != kZDLE) return c < 0 ? -1 : c;
    const int escaped = Next(deadline);
    if (escaped < 0) return -1;
    if (IsTerminator(escaped)) return kEscapedFlag + escaped;
    if (escaped == 'l') return 0x7F;
    if (escaped == 'm') return 0xFF;
    if ((escaped & 0x60) == 0x40) return escaped ^ 0x40;
    return -1;
}

Header ZmodemPeer::ReadHeader(int timeout_ms) {
    const std::int64_t deadline = Now() + timeout_ms;
    Header header;
    skipped = 0;
    for (;;) {
        int c = Next(deadline);
        if (c < 0) return header;
        if (c != kZPAD) {
            ++skipped;
            continue;
        }
        std::size_t pads = 1;
        while ((c = Next(deadline)) == kZPAD) ++pads;
        const int format = c == kZDLE ? Next(deadline) : -1;
        if (format == 'A' || format == 'B' || format == 'C') {
            header.format = static_cast<char>(format);
            last_format_ = header.format;
            if (format == 'B')
                ReadHex(header, deadline);
            else
                ReadBinary(header, deadline);
            return header;
        }
        if (c < 0 || (c == kZDLE && format < 0)) return header;
        skipped += pads + (c == kZDLE ? 2 : 1);
    }
}

void ZmodemPeer::ReadHex(Header &header, std::int64_t deadline) {
    unsigned char raw[7];
    for (unsigned char &byte : raw) {
        const int high = HexValue(Next(deadline));
        const int low = HexValue(Next(deadline));
        if (high < 0 || low < 0) return;
        byte = static_cast<unsigned char>(high << 4 | low);
    }
    header.type = raw[0];
    std::copy(raw + 1, raw + 5, header.data.begin());
    header.ok = HeaderCrc(raw, false) == std::string(reinterpret_cast<char *>(raw + 5), 2) && Next(deadline) == '\r' &&
                Next(deadline) == '\n';
    if (header.type != kZACK && header.type != kZFIN) header.ok = Next(deadline) == kXON && header.ok;
}

void ZmodemPeer::ReadBinary(Header &header, std::int64_t deadline) {
    const bool crc32 = header.format == 'C';
    unsigned char raw[9];
    const int length = crc32 ? 9 : 7;
    for (int i = 0; i < length; ++i) {
        const int c = NextUnescaped(deadline);
        if (c < 0 || c >= kEscapedFlag) return;
        raw[i] = static_cast<unsigned char>(c);
    }
    header.type = raw[0];
    std::copy(raw + 1, raw + 5, header.data.begin());
    header.ok =
        HeaderCrc(raw, crc32) == std::string(reinterpret_cast<char *>(raw + 5), static_cast<std::size_t>(length - 5));
}

Subpacket ZmodemPeer::ReadSubpacket(int timeout_ms) {
    const std::int64_t deadline = Now() + timeout_ms;
    Subpacket subpacket;
    for (;;) {
        const int c = NextUnescaped(deadline);
        if (c < 0) return subpacket;
        if (c < kEscapedFlag) {
            if (subpacket.data.size() >= kMostData) return subpacket;
            subpacket.data += static_cast<char>(c);
            continue;
        }
        subpacket.terminator = static_cast<char>(c - kEscapedFlag);
        break;
    }
    const bool crc32 = last_format_ == 'C';
    std::string crc;
    for (int i = 0; i < (crc32 ? 4 : 2); ++i) {
        const int c = NextUnescaped(deadline);
        if (c < 0 || c >= kEscapedFlag) return subpacket;
        crc += static_cast<char>(c);
    }
    subpacket.ok = crc == SubpacketCrc(subpacket.data, subpacket.terminator, crc32);
    if (subpacket.terminator == kZCRCW) subpacket.ok = Next(deadline) == kXON && subpacket.ok;
    return subpacket;
}

std::string ZmodemPeer::ReceiveFrames(std::string &file, Header *last) {
    std::string outline;
    for (;;) {
        const Header header = ReadHeader();
        if (skipped != 0) outline += "(" + std::to_string(skipped) + " bytes skipped)\n";
        outline += header.Describe();
        if (header.type != kZDATA || !header.ok) {
            if (last != nullptr) *last = header;
            return outline + "\n";
        }
        outline += ":";
        std::uint32_t count = static_cast<std::uint32_t>(header.position());
        if (count > file.size()) return outline + " beyond the data so far\n";
        file.resize(count);
        for (;;) {
            const Subpacket subpacket = ReadSubpacket();
            outline += " " + subpacket.Describe();
            if (!subpacket.ok) break;
            file += subpacket.data;
            count += static_cast<std::uint32_t>(subpacket.data.size());
            if (subpacket.terminator == kZCRCQ || subpacket.terminator == kZCRCW) SendHex(kZACK, At(count));
            if (subpacket.terminator == kZCRCE || subpacket.terminator == kZCRCW) break;
        }
        outline += "\n";
    }
}

}  // namespace portkit::test
