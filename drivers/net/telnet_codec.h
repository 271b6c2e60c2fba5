// The Telnet side of a serial server's connection (RFC 854 and the Com Port
// Control option of RFC 2217): the bytes the server sends are taken apart
// into the device's data, negotiation to answer and the server's reports on
// the line; what we send is escaped and wrapped the same way.
#ifndef PORTKIT_DRIVERS_NET_TELNET_CODEC_H
#define PORTKIT_DRIVERS_NET_TELNET_CODEC_H

#include <cstddef>
#include <cstdint>
#include <string>

namespace portkit::net {

// Com Port Control commands as the client sends them; the server answers
// with the same number plus kServerReply.
enum ComPortCommand : std::uint8_t {
    kSignature = 0,
    kSetBaudRate = 1,
    kSetDataSize = 2,
    kSetParity = 3,
    kSetStopSize = 4,
    kSetControl = 5,
    kNotifyLineState = 6,
    kNotifyModemState = 7,
    kFlowControlSuspend = 8,
    kFlowControlResume = 9,
    kSetLineStateMask = 10,
    kSetModemStateMask = 11,
    kPurgeData = 12,
};
constexpr std::uint8_t kServerReply = 100;
// NOTIFY-LINESTATE's error bits: break, framing, parity, overrun.
constexpr std::uint8_t kLineStateErrors = 0x1E;

// SET-CONTROL values used here.
enum ComPortControl : std::uint8_t {
    kControlFlowNone = 1,
    kControlFlowXonXoff = 2,
    kControlFlowHardware = 3,
    kControlBreakOn = 5,
    kControlBreakOff = 6,
    kControlDtrOn = 8,
    kControlDtrOff = 9,
    kControlRtsOn = 11,
    kControlRtsOff = 12,
    kControlFlowDsr = 19,
};

// PURGE-DATA values.
enum ComPortPurge : std::uint8_t { kPurgeReceive = 1, kPurgeTransmit = 2, kPurgeBoth = 3 };

// What the server has told us about its line, latest first.
struct ComPortReports {
    bool com_port_agreed = false;  // the server will take Com Port commands
    std::uint32_t baud_rate = 0;   // from its SET-BAUDRATE answer; 0: none yet
    std::uint8_t data_size = 0;    // answers to the other settings; 0: none yet
    std::uint8_t parity = 0;
    std::uint8_t stop_size = 0;
    std::uint8_t control = 0;          // the last SET-CONTROL answer
    std::uint8_t modem_state = 0;      // NOTIFY-MODEMSTATE: CD 0x80, RI 0x40, DSR 0x20, CTS 0x10, deltas below
    std::uint8_t line_state = 0;       // NOTIFY-LINESTATE: break 0x10, framing 0x08, parity 0x04, overrun 0x02
    std::uint8_t line_state_seen = 0;  // every line-state error bit reported since last taken
    bool suspended = false;            // FLOWCONTROL-SUSPEND: hold our output until RESUME
    std::uint32_t malformed = 0;       // subnegotiations dropped as too long or wrong
};

class TelnetDecoder {
public:
    // Takes `count` bytes as they came from the server. The device's data is
    // left in place at the start of `bytes` and its length returned; never
    // more than `count`. A command cut off at the end of `bytes` is finished
    // by the next call.
    std::size_t Decode(std::uint8_t *bytes, std::size_t count);

    // Negotiation answers the server is owed, in order; the caller sends them
    // and clears the string. Bounded: a server that floods requests gets
    // answers only where an option's state changes, and never more than a
    // few kilobytes unsent.
    std::string &Answers() { return answers_; }
    const ComPortReports &Reports() const { return reports_; }
    ComPortReports &Reports() { return reports_; }

private:
    enum class State { kData, kCommand, kOption, kSubOption, kSub, kSubCommand, kSubDiscard, kSubDiscardCommand };
    // One option's state on each side, as agreed so far.
    struct OptionState {
        bool ours = false;    // we do it (WILL answered with DO)
        bool theirs = false;  // they do it (DO answered with WILL)
    };

    void TakeOptionRequest(std::uint8_t verb, std::uint8_t option);
    void Answer(std::uint8_t verb, std::uint8_t option);
    void EndSubnegotiation();

    State state_ = State::kData;
    std::uint8_t verb_ = 0;
    OptionState options_[256];
    bool asked_ours_[256] = {};      // we sent WILL and await the answer
    bool asked_theirs_[256] = {};    // we sent DO and await the answer
    bool refused_ours_[256] = {};    // answered WONT once; not again
    bool refused_theirs_[256] = {};  // answered DONT once; not again
    std::uint8_t sub_option_ = 0;
    std::uint8_t sub_[64] = {};
    std::size_t sub_length_ = 0;
    std::string answers_;
    ComPortReports reports_;
    friend std::string OpeningNegotiation(TelnetDecoder *decoder);
};

// What we first send: BINARY and SUPPRESS-GO-AHEAD both ways, and our wish
// to use Com Port Control. `decoder` notes what was asked, so that the
// server's agreement is not answered again.
std::string OpeningNegotiation(TelnetDecoder *decoder);
// `count` data bytes with every IAC doubled, appended to `out`.
void AppendEscaped(const std::uint8_t *bytes, std::size_t count, std::string *out);
// A Com Port Control subnegotiation with a one-byte or a four-byte value.
std::string ComPortCommandBytes(ComPortCommand command, std::uint8_t value);
std::string ComPortBaudRate(std::uint32_t baud_rate);

}  // namespace portkit::net

#endif
