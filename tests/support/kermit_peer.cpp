#include "support/kermit_peer.h"

namespace portkit::test {
namespace {

int Check(const std::string &body) {
    unsigned sum = 0;
    for (const char c : body) sum += static_cast<unsigned char>(c);
    return static_cast<int>((sum + ((sum & 0xC0) >> 6)) & 0x3F);
}

}  // namespace

std::string KermitPacket::Describe() const {
    return std::string(1, type) + std::to_string(seq) + (data.empty() ? "" : " " + data) + (ok ? "" : "!");
}

std::string KermitPeer::Packet(int seq, char type, const std::string &data, bool damage) {
    std::string body;
    body += static_cast<char>(data.size() + 3 + 32);
    body += static_cast<char>(seq + 32);
    body += type;
    body += data;
    const int check = (Check(body) + (damage ? 1 : 0)) & 0x3F;
    return "\x01" + body + static_cast<char>(check + 32) + "\r";
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
    packet.length = len - 32;
    if (packet.length < 3) return packet;
    const std::string rest = line_.GetBytes(static_cast<std::size_t>(packet.length), 1000);
    if (static_cast<int>(rest.size()) != packet.length) return packet;
    packet.seq = static_cast<unsigned char>(rest[0]) - 32;
    packet.type = rest[1];
    packet.data = rest.substr(2, rest.size() - 3);
    packet.ok = Check(static_cast<char>(len) + rest.substr(0, rest.size() - 1)) ==
                static_cast<unsigned char>(rest.back()) - 32;
    line_.Get(1000);  // the CR
    return packet;
}

}  // namespace portkit::test
