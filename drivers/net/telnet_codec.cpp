#include "drivers/net/telnet_codec.h"

#include <cstring>

namespace portkit::net {
namespace {

constexpr std::uint8_t kIac = 255;
constexpr std::uint8_t kDont = 254;
constexpr std::uint8_t kDo = 253;
constexpr std::uint8_t kWont = 252;
constexpr std::uint8_t kWill = 251;
constexpr std::uint8_t kSb = 250;
constexpr std::uint8_t kSe = 240;

constexpr std::uint8_t kBinary = 0;
constexpr std::uint8_t kSuppressGoAhead = 3;
constexpr std::uint8_t kComPortOption = 44;

constexpr std::size_t kMostAnswersHeld = 4096;

// The options we take from the server, and those we do ourselves.
bool WantTheirs(std::uint8_t option) { return option == kBinary || option == kSuppressGoAhead; }
bool WantOurs(std::uint8_t option) {
    return option == kBinary || option == kSuppressGoAhead || option == kComPortOption;
}

std::string Verb(std::uint8_t verb, std::uint8_t option) {
    return std::string{static_cast<char>(kIac), static_cast<char>(verb), static_cast<char>(option)};
}

void AppendValueByte(std::uint8_t byte, std::string *out) {
    out->push_back(static_cast<char>(byte));
    if (byte == kIac) out->push_back(static_cast<char>(kIac));
}

std::string Subnegotiation(ComPortCommand command, const std::uint8_t *value, std::size_t length) {
    std::string bytes{static_cast<char>(kIac), static_cast<char>(kSb), static_cast<char>(kComPortOption),
                      static_cast<char>(command)};
    for (std::size_t i = 0; i < length; ++i) AppendValueByte(value[i], &bytes);
    bytes.push_back(static_cast<char>(kIac));
    bytes.push_back(static_cast<char>(kSe));
    return bytes;
}

}  // namespace

std::size_t TelnetDecoder::Decode(std::uint8_t *bytes, std::size_t count) {
    std::size_t kept = 0;
    std::size_t at = 0;
    while (at < count) {
        if (state_ == State::kData) {
            // Plain data runs up to the next IAC, moved down as one piece.
            const void *found = std::memchr(bytes + at, kIac, count - at);
            const std::size_t end =
                found != nullptr ? static_cast<std::size_t>(static_cast<const std::uint8_t *>(found) - bytes) : count;
            if (kept != at) std::memmove(bytes + kept, bytes + at, end - at);
            kept += end - at;
            at = end;
            if (at < count) {
                state_ = State::kCommand;
                ++at;
            }
            continue;
        }
        const std::uint8_t byte = bytes[at++];
        switch (state_) {
            case State::kData:
                break;
            case State::kCommand:
                if (byte == kIac) {
                    bytes[kept++] = kIac;
                    state_ = State::kData;
                } else if (byte >= kWill && byte <= kDont) {
                    verb_ = byte;
                    state_ = State::kOption;
                } else if (byte == kSb) {
                    state_ = State::kSubOption;
                } else {
                    state_ = State::kData;  // NOP, GA, a stray SE...: nothing for us
                }
                break;
            case State::kOption:
                TakeOptionRequest(verb_, byte);
                state_ = State::kData;
                break;
            case State::kSubOption:
                sub_option_ = byte;
                sub_length_ = 0;
                state_ = State::kSub;
                break;
            case State::kSub:
            case State::kSubCommand:
                if (state_ == State::kSub && byte == kIac) {
                    state_ = State::kSubCommand;
                    break;
                }
                if (state_ == State::kSubCommand && byte == kSe) {
                    EndSubnegotiation();
                    state_ = State::kData;
                    break;
                }
                if (state_ == State::kSubCommand && byte != kIac) {
                    // IAC and anything but SE or IAC: the subnegotiation was
                    // never closed; the byte starts a command of its own.
                    ++reports_.malformed;
                    state_ = State::kCommand;
                    --at;
                    break;
                }
                if (sub_length_ == sizeof sub_) {
                    ++reports_.malformed;  // too long for any report: skipped to its end
                    state_ = State::kSubDiscard;
                    break;
                }
                sub_[sub_length_++] = byte;
                state_ = State::kSub;
                break;
            case State::kSubDiscard:
                if (byte == kIac) state_ = State::kSubDiscardCommand;
                break;
            case State::kSubDiscardCommand:
                if (byte == kSe) {
                    state_ = State::kData;
                } else if (byte == kIac) {
                    state_ = State::kSubDiscard;
                } else {
                    state_ = State::kCommand;
                    --at;
                }
                break;
        }
    }
    return kept;
}

void TelnetDecoder::Answer(std::uint8_t verb, std::uint8_t option) {
    if (answers_.size() + 3 <= kMostAnswersHeld) answers_ += Verb(verb, option);
}

// Answers only where an option's state changes, so a repeated or flooded
// request gets one answer at most (RFC 1143's rule against loops).
void TelnetDecoder::TakeOptionRequest(std::uint8_t verb, std::uint8_t option) {
    OptionState &state = options_[option];
    switch (verb) {
        case kWill:
            if (asked_theirs_[option]) {
                asked_theirs_[option] = false;
                state.theirs = true;
            } else if (!state.theirs && !refused_theirs_[option]) {
                state.theirs = WantTheirs(option);
                refused_theirs_[option] = !state.theirs;
                Answer(state.theirs ? kDo : kDont, option);
            }
            break;
        case kWont:
            asked_theirs_[option] = false;
            if (state.theirs) {
                state.theirs = false;
                Answer(kDont, option);
            }
            break;
        case kDo:
            if (asked_ours_[option]) {
                asked_ours_[option] = false;
                state.ours = true;
            } else if (!state.ours && !refused_ours_[option]) {
                state.ours = WantOurs(option);
                refused_ours_[option] = !state.ours;
                Answer(state.ours ? kWill : kWont, option);
            }
            if (option == kComPortOption) reports_.com_port_agreed = state.ours;
            break;
        case kDont:
            asked_ours_[option] = false;
            if (state.ours) {
                state.ours = false;
                Answer(kWont, option);
            }
            if (option == kComPortOption) reports_.com_port_agreed = false;
            break;
        default:
            break;
    }
}

void TelnetDecoder::EndSubnegotiation() {
    if (sub_option_ != kComPortOption || sub_length_ == 0) return;
    const std::uint8_t command = sub_[0];
    const std::uint8_t *value = sub_ + 1;
    const std::size_t length = sub_length_ - 1;
    if (command < kServerReply) return;  // a server's reports only
    switch (static_cast<ComPortCommand>(command - kServerReply)) {
        case kSetBaudRate:
            if (length == 4) {
                reports_.baud_rate = (std::uint32_t{value[0]} << 24) | (std::uint32_t{value[1]} << 16) |
                                     (std::uint32_t{value[2]} << 8) | value[3];
            }
            break;
        case kFlowControlSuspend:
            reports_.suspended = true;
            break;
        case kFlowControlResume:
            reports_.suspended = false;
            break;
        default:
            if (length != 1) break;
            switch (static_cast<ComPortCommand>(command - kServerReply)) {
                case kSetDataSize:
                    reports_.data_size = value[0];
                    break;
                case kSetParity:
                    reports_.parity = value[0];
                    break;
                case kSetStopSize:
                    reports_.stop_size = value[0];
                    break;
                case kSetControl:
                    reports_.control = value[0];
                    break;
                case kNotifyLineState:
                    reports_.line_state = value[0];
                    reports_.line_state_seen |= value[0] & kLineStateErrors;
                    break;
                case kNotifyModemState:
                    reports_.modem_state = value[0];
                    break;
                default:
                    break;  // signature, masks and purges: nothing to keep
            }
            break;
    }
}

std::string OpeningNegotiation(TelnetDecoder *decoder) {
    std::string bytes;
    for (std::uint8_t option : {kBinary, kSuppressGoAhead}) {
        bytes += Verb(kWill, option) + Verb(kDo, option);
        decoder->asked_ours_[option] = true;
        decoder->asked_theirs_[option] = true;
    }
    bytes += Verb(kWill, kComPortOption);
    decoder->asked_ours_[kComPortOption] = true;
    return bytes;
}

void AppendEscaped(const std::uint8_t *bytes, std::size_t count, std::string *out) {
    std::size_t at = 0;
    while (at < count) {
        const void *found = std::memchr(bytes + at, kIac, count - at);
        const std::size_t end =
            found != nullptr ? static_cast<std::size_t>(static_cast<const std::uint8_t *>(found) - bytes) + 1 : count;
        out->append(reinterpret_cast<const char *>(bytes + at), end - at);
        if (found != nullptr) out->push_back(static_cast<char>(kIac));
        at = end;
    }
}

std::string ComPortCommandBytes(ComPortCommand command, std::uint8_t value) {
    return Subnegotiation(command, &value, 1);
}

std::string ComPortBaudRate(std::uint32_t baud_rate) {
    const std::uint8_t value[4] = {static_cast<std::uint8_t>(baud_rate >> 24),
                                   static_cast<std::uint8_t>(baud_rate >> 16),
                                   static_cast<std::uint8_t>(baud_rate >> 8), static_cast<std::uint8_t>(baud_rate)};
    return Subnegotiation(kSetBaudRate, value, sizeof value);
}

}  // namespace portkit::net
