// A scripted ZMODEM peer for end 'b' of the simulated cable. It encodes and
// decodes headers and subpackets with code of its own (only the CRCs are
// shared), so a fault in the engines' wire layer cannot hide itself by
// agreeing with its own reader.
#ifndef PORTKIT_TESTS_SUPPORT_ZMODEM_PEER_H
#define PORTKIT_TESTS_SUPPORT_ZMODEM_PEER_H

#include <array>
#include <cstdint>
#include <string>

#include "support/xmodem_peer.h"

namespace portkit::test {

// Frame types, numbered as on the wire.
enum ZmodemType : int {
    kZRQINIT,
    kZRINIT,
    kZSINIT,
    kZACK,
    kZFILE,
    kZSKIP,
    kZNAK,
    kZABORT,
    kZFIN,
    kZRPOS,
    kZDATA,
    kZEOF,
    kZFERR,
};

constexpr int kZDLE = 0x18;
constexpr char kZCRCE = 'h';  // end of frame
constexpr char kZCRCG = 'i';  // frame goes on
constexpr char kZCRCQ = 'j';  // frame goes on, ZACK wanted
constexpr char kZCRCW = 'k';  // end of frame, ZACK wanted
constexpr int kXON = 0x11;

// ZRINIT capabilities (ZF0).
constexpr int kCANFDX = 0x01;
constexpr int kCANOVIO = 0x02;
constexpr int kCANBRK = 0x04;
constexpr int kCANFC32 = 0x20;

// p0..p3 of a header.
using HeaderData = std::array<std::uint8_t, 4>;

// A position, least significant byte first.
HeaderData At(std::uint32_t position);
// ZF0 is p3 and ZF1 is p2.
inline HeaderData Zf(int zf0, int zf1 = 0) {
    return {0, 0, static_cast<std::uint8_t>(zf1), static_cast<std::uint8_t>(zf0)};
}
// A ZRINIT's buffer length (p0, p1) and capabilities.
inline HeaderData ReceiverInit(int buffer_length, int flags) {
    return {static_cast<std::uint8_t>(buffer_length), static_cast<std::uint8_t>(buffer_length >> 8), 0,
            static_cast<std::uint8_t>(flags)};
}

struct Header {
    int type = -1;  // -1: no header came whole
    HeaderData data{};
    char format = 0;  // 'A' binary CRC-16, 'B' hex, 'C' binary CRC-32
    bool ok = false;  // CRC and layout good

    std::int32_t position() const;
    int zf0() const { return data[3]; }
    int zf1() const { return data[2]; }
    // "ZRPOS 1024"; a bad header ends in '!'.
    std::string Describe() const;
};

struct Subpacket {
    std::string data;
    char terminator = 0;  // 0 when it never ended
    bool ok = false;      // CRC good (and the XON after a ZCRCW there)

    // "1024j"; a bad one ends in '!'.
    std::string Describe() const;
};

class ZmodemPeer {
public:
    explicit ZmodemPeer(XmodemPeer &line) : line_(line) {}

    // What goes on the wire.
    static std::string Escaped(const std::string &bytes);
    static std::string HexHeader(int type, HeaderData data);
    static std::string BinaryHeader(int type, HeaderData data, bool crc32);
    static std::string DataSubpacket(const std::string &data, char terminator, bool crc32);

    void Send(const std::string &bytes) { line_.Send(bytes); }
    void SendHex(int type, HeaderData data = {}) { Send(HexHeader(type, data)); }
    void SendBinary(int type, HeaderData data = {}) { Send(BinaryHeader(type, data, crc32)); }
    void SendData(const std::string &data, char terminator) { Send(DataSubpacket(data, terminator, crc32)); }
    // A ZDATA frame as lrzsz sends it: subpackets of 1024 bytes ending in
    // ZCRCG, the last in ZCRCE.
    void SendFrame(const std::string &data, std::uint32_t position);

    // Hunts for a header up to `timeout_ms`; `skipped` counts what it passed.
    Header ReadHeader(int timeout_ms = 3000);
    // The CRC is the one the last header read announced.
    Subpacket ReadSubpacket(int timeout_ms = 3000);

    // Reads ZDATA frames as a receiver does until another header comes, and
    // gives their outline, a frame a line: "ZDATA 0: 1024j 1024k". ZCRCQ and
    // ZCRCW are acknowledged at the count so far; the data goes into `file`
    // at each frame's position. The last line is the header that ended it,
    // which is left in `*last`.
    std::string ReceiveFrames(std::string &file, Header *last = nullptr);

    bool crc32 = true;        // what SendBinary and SendData use
    std::size_t skipped = 0;  // bytes the last hunt passed over

private:
    int Next(std::int64_t deadline);
    int NextUnescaped(std::int64_t deadline);
    void ReadHex(Header &header, std::int64_t deadline);
    void ReadBinary(Header &header, std::int64_t deadline);

    XmodemPeer &line_;
    char last_format_ = 0;
};

}  // namespace portkit::test

#endif
