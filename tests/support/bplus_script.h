// B+ packets for a host played from a script, and what the terminal put on
// the wire read back as packets and acknowledgements.
#ifndef PORTKIT_TESTS_SUPPORT_BPLUS_SCRIPT_H
#define PORTKIT_TESTS_SUPPORT_BPLUS_SCRIPT_H

#include <cstdint>
#include <string>
#include <vector>

namespace portkit::test::bplus_script {

inline constexpr char kDLE = 0x10;
inline constexpr char kETX = 0x03;
inline constexpr char kENQ = 0x05;
inline constexpr char kNAK = 0x15;

// The check bytes of `method` (0-3) over the digit, `data` and ETX, in wire order.
std::string CheckBytesOf(int method, char digit, const std::string &data);

// DLE B, the digit, data and check quoted by the default quote set (every
// control character with `quote_all`).
std::string Packet(int sequence, const std::string &data, int method = 0, bool quote_all = false);
// DLE and the digit.
std::string Ack(int sequence);
// The host's `+` packet: window, block units, check method; `full` gives all
// 18 bytes with `high_quotes` as the 0x80-0x9F bitmap (bit 0x80 >> j of byte i
// marks 0x80 + 8i + j).
std::string HostParameters(int window = 1, int units = 8, int method = 0, bool full = false,
                           const std::string &high_quotes = std::string(4, '\0'), int resume = 0);

// What the terminal sent, in order; its packets after its `+` packet are
// read with the check `method`.
struct Event {
    enum Kind { kAck, kPacket, kNak, kEnq, kOther } kind;
    int sequence = -1;
    std::string data;  // unquoted
    bool check_ok = false;
};
std::vector<Event> ParseSent(const std::string &sent, int method);
std::vector<Event> PacketsOf(const std::vector<Event> &events);

}  // namespace portkit::test::bplus_script

#endif
