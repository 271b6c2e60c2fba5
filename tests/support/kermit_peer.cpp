#include "support/kermit_peer.h"

namespace portkit::test {
namespace {

int Check(const std::string &body) {
    unsigned sum = 0;
    for (const char c : body) sum += static_cast<unsigned char>(c);
    return static_cast<int>((sum + ((sum & 0xC0) >> 6)) & 0x3F);
}

// Bit by bit, the reflected CCITT polynomial from 0, unlike the engine's
// nibble steps.
std::string Crc(const std::string &body) {
    unsigned crc = 0;
    for (const char c : body) {
        crc ^= static_cast<unsigned char>(c);
        for (int bit = 0; bit < 8; ++bit) crc = (crc & 1) != 0 ? (crc >> 1) ^ 0x8408 : crc >> 1;
    }
    return {static_cast<char>(((crc >> 12) & 0x0F) + 32), static_cast<char>(((crc >> 6) & 0x3F) + 32),
            static_cast<char>((crc & 0x3F) + 32)};
}

std::string CheckOf(const std::string &body, bool crc, bool damage) {
    if (crc) {
        std::string check = Crc(body);
        if (damage) check[2] = static_cast<char>(((check[2] - 32 + 1) & 0x3F) + 32);
        return check;
    }
    return std::string(1, static_cast<char>(((Check(body) + (damage ? 1 : 0)) & 0x3F) + 32));
}

}  // namespace

std::string KermitPacket::Describe() const {
    return std::string(1, type) + std::to_string(seq) + (data.empty() ? "" : " " + data) + (ok ? "" : "!");
}

std::string KermitPeer::Packet(int seq, char type, const std::string &data, bool damage) const {
    const bool crc = crc_ && type != 'S';
    const std::size_t counted = data.size() + (crc ? 3 : 1);
    std::string body;
    if (counted + 2 <= 94) {
        body += static_cast<char>(counted + 2 + 32);
        body += static_cast<char>(seq + 32);
        body += type;
    } else {
        body += ' ';
        body += static_cast<char>(seq + 32);
        body += type;
        body += static_cast<char>(counted / 95 + 32);
        body += static_cast<char>(counted % 95 + 32);
        body += static_cast<char>(Check(body) + 32);
    }
    body += data;
    return "\x01" + body + CheckOf(body, crc, damage) + "\r";
}

std::string KermitPeer::Decode(const std::string &field, char eighth_bit, char repeat) {
    std::string out;
    for (std::size_t i = 0; i < field.size();) {
        int count = 1;
        if (repeat != 0 && field[i] == repeat && i + 2 < field.size()) {
            count = static_cast<unsigned char>(field[i + 1]) - 32;
            i += 2;
        }
        int high = 0;
        if (eighth_bit != 0 && field[i] == eighth_bit && i + 1 < field.size()) {
            high = 0x80;
            ++i;
        }
        int c = static_cast<unsigned char>(field[i++]);
        if (c == '#' && i < field.size()) {
            c = static_cast<unsigned char>(field[i++]);
            if ((c & 0x7F) >= 0x3F && (c & 0x7F) <= 0x5F) c ^= 0x40;
        }
        out.append(static_cast<std::size_t>(count), static_cast<char>(c | high));
    }
    return out;
}

KermitPacket KermitPeer::Read(int timeout_ms) {
    KermitPacket packet;
    int c = line_.Get(timeout_ms);
    while (c != kSoh && c != kNothing) c = line_.Get(timeout_ms);
    if (c != kSoh) return packet;
    const int len = line_.Get(1000);
    if (len == kNothing) return packet;
    std::string body(1, static_cast<char>(len));
    std::size_t header = 3;
    packet.length = len - 32;
    if (packet.length == 0) {
        body += line_.GetBytes(5, 1000);
        if (body.size() != 6) return packet;
        packet.length = (body[3] - 32) * 95 + (body[4] - 32);
        if (Check(body.substr(0, 5)) + 32 != static_cast<unsigned char>(body[5])) return packet;
        header = 6;
    } else {
        body += line_.GetBytes(2, 1000);
        packet.length -= 2;
        if (body.size() != 3) return packet;
    }
    packet.seq = static_cast<unsigned char>(body[1]) - 32;
    packet.type = body[2];
    const std::size_t check_length = crc_ && packet.type != 'S' ? 3 : 1;
    if (packet.length < static_cast<int>(check_length)) return packet;
    const std::string rest = line_.GetBytes(static_cast<std::size_t>(packet.length), 1000);
    if (static_cast<int>(rest.size()) != packet.length) return packet;
    body += rest.substr(0, rest.size() - check_length);
    packet.data = body.substr(header);
    packet.ok = CheckOf(body, check_length == 3, false) == rest.substr(rest.size() - check_length);
    if (header == 3) packet.length += 2;
    line_.Get(1000);  // the CR
    return packet;
}

}  // namespace portkit::test
