// The CompuServe B+ wire format as the host sees it: the four block checks,
// the DLE quoting rule, packet framing and the transport-parameters packet.
// Written apart from the library's engine so that a fault there cannot hide
// by agreeing with itself.
#ifndef PORTKIT_SIM_BPLUS_WIRE_H
#define PORTKIT_SIM_BPLUS_WIRE_H

#include <array>
#include <cstdint>
#include <string>

namespace portkit::sim::bplus {

inline constexpr unsigned char kEtx = 0x03;
inline constexpr unsigned char kEnq = 0x05;
inline constexpr unsigned char kDle = 0x10;
inline constexpr unsigned char kNak = 0x15;

// What a terminal that speaks B+ answers to the host's ENQ.
inline const std::string kEnqReply = std::string{"\x10++\x10"} + "0";

enum class CheckMethod : int { kChecksum = 0, kCrc16 = 1, kCrcCcitt = 2, kCrc32 = 3 };

// A running block check of one of the four methods.
class BlockCheck {
public:
    explicit BlockCheck(CheckMethod method);
    BlockCheck(CheckMethod method, std::uint32_t start) : method_(method), value_(start) {}
    void Add(unsigned char byte);
    // The check bytes as they go on the wire, in wire order.
    std::string Final() const;
    // True when the received check bytes, continued into the running value,
    // leave the method's residue (or, for the checksum, match the sum).
    bool Verify(const std::string &received) const;
    int Length() const;
    std::uint32_t Value() const { return value_; }

private:
    CheckMethod method_;
    std::uint32_t value_;
};

// Characters 0x00-0x1F and 0x80-0x9F that travel DLE-quoted.
class QuoteSet {
public:
    static QuoteSet Default();  // ETX, ENQ, DLE, DC1, DC3, NAK
    static QuoteSet All();
    static QuoteSet FromBitmap(const std::string &eight_bytes);

    void Mark(unsigned char c);
    bool Marks(unsigned char c) const;
    void Merge(const QuoteSet &other);
    // Bytes 7-14 of a `+` packet: bit 0x80 >> j of byte i marks 8i + j.
    std::string Bitmap() const;

private:
    std::array<bool, 64> marked_{};  // 0x00-0x1F, then 0x80-0x9F
};

// DLE, c + 0x40 for 0x00-0x1F; DLE, c - 0x20 for 0x80-0x9F.
std::string Quote(unsigned char c);
// The byte a DLE-quoted c stands for.
unsigned char Unquote(unsigned char c);

// DLE B digit, quoted data, ETX, check. `quote` decides the data bytes; check
// bytes below 0x20 (the last two of a CRC-32 below 0x14) follow it too.
// `spoil` sends a wrong check, still properly quoted.
std::string EncodePacket(int sequence, const std::string &data, CheckMethod method, const QuoteSet &quote,
                         bool spoil = false);

// The 18-byte transport parameters, byte by byte.
struct TransportParameters {
    int send_window = 1;
    int receive_window = 1;
    int block_units = 8;  // of 128 bytes
    int check_method = 0;
    int quote_level_code = 1;
    int byte_6 = 0;
    QuoteSet quote = QuoteSet::Default();
    int download_resume = 0;
    int byte_16 = 0;
    int byte_17 = 0;

    std::string Encode() const;  // `+` and the 17 bytes after it
    // Reads a `+` packet's data, shorter ones as if padded with zeros.
    static TransportParameters Decode(const std::string &data);
};

// Splits what the terminal sends into acknowledgements, packets and the
// single control characters, checking each packet's quoting as it goes.
struct WireEvent {
    enum Kind { kNone, kAck, kPacket, kNak, kEnq, kDleSemicolon, kStray, kBadPacket } kind = kNone;
    int sequence = -1;       // the digit of an ACK or a packet
    std::string data;        // packet data, type byte first
    unsigned char byte = 0;  // the stray character
    std::string problem;     // why a packet is bad
};

class WireReader {
public:
    // `required` names the characters the terminal must quote in data and
    // check bytes; `max_data` bounds a packet's data.
    void Expect(CheckMethod method, const QuoteSet &required, std::size_t max_data);
    // Takes one byte; returns an event when one is complete.
    WireEvent Feed(unsigned char byte);
    bool InPacket() const { return state_ != State::kIdle; }

private:
    enum class State { kIdle, kAfterDle, kSequence, kData, kDataQuoted, kCheck, kCheckQuoted };
    WireEvent FinishPacket();
    WireEvent Bad(std::string problem);
    bool CheckByteMustBeQuoted(unsigned char value) const;

    State state_ = State::kIdle;
    CheckMethod method_ = CheckMethod::kChecksum;
    QuoteSet required_ = QuoteSet::All();
    std::size_t max_data_ = 1100;
    int sequence_ = -1;
    std::string data_;
    std::string check_;
    std::string problem_;  // the first quoting fault seen in this packet
};

}  // namespace portkit::sim::bplus

#endif
