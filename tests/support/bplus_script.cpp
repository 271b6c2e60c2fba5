#include "support/bplus_script.h"

#include "portkit/crc.h"

namespace portkit::test::bplus_script {
namespace {

bool DefaultQuoted(unsigned char c) {
    return c == 0x03 || c == 0x05 || c == 0x10 || c == 0x11 || c == 0x13 || c == 0x15;
}

std::string Quote(unsigned char c, bool quote_all) {
    const bool control = c < 0x20 || (c >= 0x80 && c < 0xA0);
    if (!(quote_all ? control : DefaultQuoted(c))) return std::string(1, static_cast<char>(c));
    return std::string{kDLE, static_cast<char>(c < 0x20 ? c + 0x40 : c - 0x20)};
}

// Written out bit by bit, apart from the engine's table-driven ones.
std::uint32_t Checksum(const std::string &bytes) {
    std::uint32_t s = 0;
    for (unsigned char c : bytes) {
        s <<= 1;
        if (s > 255) s = (s & 255) + 1;
        s += c;
        if (s > 255) s = (s & 255) + 1;
    }
    return s;
}

std::uint32_t ReflectedCrc(const std::string &bytes, std::uint32_t crc, std::uint32_t poly) {
    for (unsigned char c : bytes) {
        crc ^= c;
        for (int bit = 0; bit < 8; ++bit) crc = (crc & 1) != 0 ? (crc >> 1) ^ poly : crc >> 1;
    }
    return crc;
}

}  // namespace

std::string CheckBytesOf(int method, char digit, const std::string &data) {
    const std::string covered = std::string(1, digit) + data + std::string(1, kETX);
    switch (method) {
        case 1: {
            std::uint16_t crc = 0xFFFF;
            for (unsigned char c : covered) crc = CalculateCharacterCRC16m(crc, c);
            return {static_cast<char>(crc >> 8), static_cast<char>(crc)};
        }
        case 2: {
            const std::uint32_t crc = ~ReflectedCrc(covered, 0xFFFF, 0x8408) & 0xFFFF;
            return {static_cast<char>(crc), static_cast<char>(crc >> 8)};
        }
        case 3: {
            const std::uint32_t crc = ~ReflectedCrc(covered, 0xFFFFFFFFu, 0xEDB88320u);
            return {static_cast<char>(crc), static_cast<char>(crc >> 8), static_cast<char>(crc >> 16),
                    static_cast<char>(crc >> 24)};
        }
        default:
            return std::string(1, static_cast<char>(Checksum(covered)));
    }
}

std::string Packet(int sequence, const std::string &data, int method, bool quote_all) {
    const char digit = static_cast<char>('0' + sequence);
    std::string wire{kDLE, 'B', digit};
    for (unsigned char c : data) wire += Quote(c, quote_all);
    wire += kETX;
    const std::string check = CheckBytesOf(method, digit, data);
    for (std::size_t i = 0; i < check.size(); ++i) {
        const auto c = static_cast<unsigned char>(check[i]);
        const unsigned limit = check.size() == 4 && i >= 2 ? 0x14 : 0x20;
        wire += c < limit ? Quote(c, quote_all) : std::string(1, static_cast<char>(c));
    }
    return wire;
}

std::string Ack(int sequence) { return {kDLE, static_cast<char>('0' + sequence)}; }

std::string HostParameters(int window, int units, int method, bool full, const std::string &high_quotes, int resume) {
    std::string p{'+',
                  static_cast<char>(window),
                  static_cast<char>(window),
                  static_cast<char>(units),
                  static_cast<char>(method),
                  1,
                  0};
    if (!full) return p;
    p += std::string("\x14\x00\xD4\x00", 4);
    p += high_quotes;
    p += static_cast<char>(resume);
    p += std::string(2, '\0');
    return p;
}

std::vector<Event> ParseSent(const std::string &sent, int method) {
    std::vector<Event> events;
    int in_force = 0;  // the method agreed applies after our `+` packet
    std::size_t i = 0;
    auto next = [&](bool *quoted) -> int {
        if (i >= sent.size()) return -1;
        auto c = static_cast<unsigned char>(sent[i++]);
        *quoted = false;
        if (c != 0x10 || i >= sent.size()) return c;
        *quoted = true;
        const auto q = static_cast<unsigned char>(sent[i++]);
        return (q >= 0x60 ? q + 0x80 : q) & 0x9F;
    };
    while (i < sent.size()) {
        const char c = sent[i++];
        if (c == kNAK)
            events.push_back(Event{Event::kNak, -1, {}, false});
        else if (c == kENQ)
            events.push_back(Event{Event::kEnq, -1, {}, false});
        else if (c != kDLE || i >= sent.size())
            events.push_back(Event{Event::kOther, -1, {}, false});
        else if (sent[i] != 'B')
            events.push_back(Event{Event::kAck, sent[i++] - '0', {}, false});
        else {
            Event packet{Event::kPacket, sent[i + 1] - '0', {}, false};
            const char digit = sent[i + 1];
            i += 2;
            bool quoted = false;
            for (int b = next(&quoted); b >= 0 && !(b == kETX && !quoted); b = next(&quoted)) {
                packet.data += static_cast<char>(b);
            }
            std::string check;
            const std::size_t check_length = in_force == 3 ? 4 : in_force == 0 ? 1 : 2;
            for (std::size_t k = 0; k < check_length; ++k) {
                const int b = next(&quoted);
                if (b >= 0) check += static_cast<char>(b);
            }
            packet.check_ok = check == CheckBytesOf(in_force, digit, packet.data);
            if (!packet.data.empty() && packet.data[0] == '+') in_force = method;
            events.push_back(packet);
        }
    }
    return events;
}

std::vector<Event> PacketsOf(const std::vector<Event> &events) {
    std::vector<Event> packets;
    for (const Event &e : events) {
        if (e.kind == Event::kPacket) packets.push_back(e);
    }
    return packets;
}

}  // namespace portkit::test::bplus_script
