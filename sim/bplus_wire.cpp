#include "sim/bplus_wire.h"

#include <cstdio>

namespace portkit::sim::bplus {

namespace {

std::uint32_t StartValue(CheckMethod method) {
    switch (method) {
        case CheckMethod::kChecksum:
            return 0;
        case CheckMethod::kCrc32:
            return 0xFFFFFFFFu;
        default:
            return 0xFFFF;
    }
}

// Bit at a time: slow, but plainly the textbook definitions.
std::uint32_t Step(CheckMethod method, std::uint32_t value, unsigned char byte) {
    switch (method) {
        case CheckMethod::kChecksum:
            value <<= 1;
            if (value > 255) value = (value & 255) + 1;
            value += byte;
            if (value > 255) value = (value & 255) + 1;
            return value;
        case CheckMethod::kCrc16:
            value ^= static_cast<std::uint32_t>(byte) << 8;
            for (int bit = 0; bit < 8; ++bit) value = (value & 0x8000) ? (value << 1) ^ 0x1021 : value << 1;
            return value & 0xFFFF;
        case CheckMethod::kCrcCcitt:
            value ^= byte;
            for (int bit = 0; bit < 8; ++bit) value = (value & 1) ? (value >> 1) ^ 0x8408 : value >> 1;
            return value;
        case CheckMethod::kCrc32:
            value ^= byte;
            for (int bit = 0; bit < 8; ++bit) value = (value & 1) ? (value >> 1) ^ 0xEDB88320u : value >> 1;
            return value;
    }
    return value;
}

int SlotOf(unsigned char c) {
    if (c < 0x20) return c;
    if (c >= 0x80 && c < 0xA0) return 32 + (c - 0x80);
    return -1;
}

std::string Hex(unsigned char c) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", c);
    return text;
}

// Check bytes below 0x20 follow the quote set; a CRC-32's last two only below 0x14.
bool CheckByteQuoted(const QuoteSet &quote, CheckMethod method, std::size_t index, unsigned char value) {
    const unsigned limit = (method == CheckMethod::kCrc32 && index >= 2) ? 0x14 : 0x20;
    return value < limit && quote.Marks(value);
}

}  // namespace

BlockCheck::BlockCheck(CheckMethod method) : method_(method), value_(StartValue(method)) {}

void BlockCheck::Add(unsigned char byte) { value_ = Step(method_, value_, byte); }

int BlockCheck::Length() const {
    switch (method_) {
        case CheckMethod::kChecksum:
            return 1;
        case CheckMethod::kCrc32:
            return 4;
        default:
            return 2;
    }
}

std::string BlockCheck::Final() const {
    switch (method_) {
        case CheckMethod::kChecksum:
            return std::string(1, static_cast<char>(value_));
        case CheckMethod::kCrc16:
            return {static_cast<char>(value_ >> 8), static_cast<char>(value_ & 0xFF)};
        case CheckMethod::kCrcCcitt: {
            const std::uint32_t sent = ~value_ & 0xFFFF;
            return {static_cast<char>(sent & 0xFF), static_cast<char>(sent >> 8)};
        }
        case CheckMethod::kCrc32: {
            const std::uint32_t sent = ~value_;
            std::string bytes;
            for (int i = 0; i < 4; ++i) bytes += static_cast<char>((sent >> (8 * i)) & 0xFF);
            return bytes;
        }
    }
    return {};
}

bool BlockCheck::Verify(const std::string &received) const {
    if (static_cast<int>(received.size()) != Length()) return false;
    if (method_ == CheckMethod::kChecksum) return static_cast<unsigned char>(received[0]) == value_;
    std::uint32_t value = value_;
    for (const char c : received) value = Step(method_, value, static_cast<unsigned char>(c));
    switch (method_) {
        case CheckMethod::kCrc16:
            return value == 0;
        case CheckMethod::kCrcCcitt:
            return value == 0xF0B8;
        default:
            return value == 0xDEBB20E3u;
    }
}

QuoteSet QuoteSet::Default() {
    QuoteSet set;
    for (const unsigned char c :
         {kEtx, kEnq, kDle, static_cast<unsigned char>(0x11), static_cast<unsigned char>(0x13), kNak})
        set.Mark(c);
    return set;
}

QuoteSet QuoteSet::All() {
    QuoteSet set;
    set.marked_.fill(true);
    return set;
}

QuoteSet QuoteSet::FromBitmap(const std::string &eight_bytes) {
    QuoteSet set;
    for (std::size_t i = 0; i < 8 && i < eight_bytes.size(); ++i) {
        for (int j = 0; j < 8; ++j) {
            if (static_cast<unsigned char>(eight_bytes[i]) & (0x80 >> j)) set.marked_[8 * i + j] = true;
        }
    }
    return set;
}

void QuoteSet::Mark(unsigned char c) {
    if (const int slot = SlotOf(c); slot >= 0) marked_[slot] = true;
}

bool QuoteSet::Marks(unsigned char c) const {
    const int slot = SlotOf(c);
    return slot >= 0 && marked_[slot];
}

void QuoteSet::Merge(const QuoteSet &other) {
    for (std::size_t i = 0; i < marked_.size(); ++i) marked_[i] = marked_[i] || other.marked_[i];
}

std::string QuoteSet::Bitmap() const {
    std::string bytes(8, '\0');
    for (std::size_t slot = 0; slot < marked_.size(); ++slot) {
        if (marked_[slot]) bytes[slot / 8] = static_cast<char>(bytes[slot / 8] | (0x80 >> (slot % 8)));
    }
    return bytes;
}

std::string Quote(unsigned char c) {
    const unsigned char shifted = c < 0x20 ? c + 0x40 : c - 0x20;
    return {static_cast<char>(kDle), static_cast<char>(shifted)};
}

unsigned char Unquote(unsigned char c) { return static_cast<unsigned char>((c >= 0x60 ? c + 0x80 : c) & 0x9F); }

std::string EncodePacket(int sequence, const std::string &data, CheckMethod method, const QuoteSet &quote, bool spoil) {
    const char digit = static_cast<char>('0' + sequence);
    BlockCheck check(method);
    std::string wire{static_cast<char>(kDle), 'B', digit};
    check.Add(static_cast<unsigned char>(digit));
    for (const char c : data) {
        const auto byte = static_cast<unsigned char>(c);
        check.Add(byte);
        wire += quote.Marks(byte) ? Quote(byte) : std::string(1, c);
    }
    wire += static_cast<char>(kEtx);
    check.Add(kEtx);
    std::string check_bytes = check.Final();
    if (spoil) check_bytes[0] = static_cast<char>(check_bytes[0] ^ 0x01);
    for (std::size_t i = 0; i < check_bytes.size(); ++i) {
        const auto byte = static_cast<unsigned char>(check_bytes[i]);
        wire += CheckByteQuoted(quote, method, i, byte) ? Quote(byte) : std::string(1, check_bytes[i]);
    }
    return wire;
}

std::string TransportParameters::Encode() const {
    std::string bytes{'+',
                      static_cast<char>(send_window),
                      static_cast<char>(receive_window),
                      static_cast<char>(block_units),
                      static_cast<char>(check_method),
                      static_cast<char>(quote_level_code),
                      static_cast<char>(byte_6)};
    bytes += quote.Bitmap();
    bytes += {static_cast<char>(download_resume), static_cast<char>(byte_16), static_cast<char>(byte_17)};
    return bytes;
}

TransportParameters TransportParameters::Decode(const std::string &data) {
    std::string padded = data;
    if (padded.size() < 18) padded.resize(18, '\0');
    const auto at = [&padded](std::size_t i) { return static_cast<int>(static_cast<unsigned char>(padded[i])); };
    TransportParameters parameters;
    parameters.send_window = at(1);
    parameters.receive_window = at(2);
    parameters.block_units = at(3);
    parameters.check_method = at(4);
    parameters.quote_level_code = at(5);
    parameters.byte_6 = at(6);
    parameters.quote = QuoteSet::FromBitmap(padded.substr(7, 8));
    parameters.download_resume = at(15);
    parameters.byte_16 = at(16);
    parameters.byte_17 = at(17);
    return parameters;
}

void WireReader::Expect(CheckMethod method, const QuoteSet &required, std::size_t max_data) {
    method_ = method;
    required_ = required;
    max_data_ = max_data;
}

WireEvent WireReader::Bad(std::string problem) {
    state_ = State::kIdle;
    WireEvent event;
    event.kind = WireEvent::kBadPacket;
    event.sequence = sequence_;
    event.data = data_;
    event.problem = std::move(problem);
    return event;
}

WireEvent WireReader::FinishPacket() {
    state_ = State::kIdle;
    BlockCheck check(method_);
    check.Add(static_cast<unsigned char>('0' + sequence_));
    for (const char c : data_) check.Add(static_cast<unsigned char>(c));
    check.Add(kEtx);
    if (!check.Verify(check_)) return Bad("bad check");
    if (!problem_.empty()) return Bad(problem_);
    WireEvent event;
    event.kind = WireEvent::kPacket;
    event.sequence = sequence_;
    event.data = data_;
    return event;
}

WireEvent WireReader::Feed(unsigned char byte) {
    WireEvent event;
    switch (state_) {
        case State::kIdle:
            if (byte == kDle)
                state_ = State::kAfterDle;
            else if (byte == kNak)
                event.kind = WireEvent::kNak;
            else if (byte == kEnq)
                event.kind = WireEvent::kEnq;
            else {
                event.kind = WireEvent::kStray;
                event.byte = byte;
            }
            return event;
        case State::kAfterDle:
            state_ = State::kIdle;
            if (byte >= '0' && byte <= '9') {
                event.kind = WireEvent::kAck;
                event.sequence = byte - '0';
            } else if (byte == ';') {
                event.kind = WireEvent::kDleSemicolon;
            } else if (byte == 'B') {
                state_ = State::kSequence;
            } else {
                event.kind = WireEvent::kStray;
                event.byte = byte;
            }
            return event;
        case State::kSequence:
            if (byte < '0' || byte > '9') return Bad("sequence character " + Hex(byte) + " is not a digit");
            sequence_ = byte - '0';
            data_.clear();
            check_.clear();
            problem_.clear();
            state_ = State::kData;
            return event;
        case State::kData:
            if (byte == kDle)
                state_ = State::kDataQuoted;
            else if (byte == kEtx)
                state_ = State::kCheck;
            else if (data_.size() >= max_data_)
                return Bad("packet data longer than " + std::to_string(max_data_) + " bytes");
            else {
                if (required_.Marks(byte) && problem_.empty()) problem_ = "data byte " + Hex(byte) + " not quoted";
                data_ += static_cast<char>(byte);
            }
            return event;
        case State::kDataQuoted:
            if (data_.size() >= max_data_)
                return Bad("packet data longer than " + std::to_string(max_data_) + " bytes");
            data_ += static_cast<char>(Unquote(byte));
            state_ = State::kData;
            return event;
        case State::kCheck:
            if (byte == kDle) {
                state_ = State::kCheckQuoted;
                return event;
            }
            if (CheckByteQuoted(required_, method_, check_.size(), byte) && problem_.empty())
                problem_ = "check byte " + Hex(byte) + " not quoted";
            check_ += static_cast<char>(byte);
            break;
        case State::kCheckQuoted:
            check_ += static_cast<char>(Unquote(byte));
            state_ = State::kCheck;
            break;
    }
    if (static_cast<int>(check_.size()) == BlockCheck(method_).Length()) return FinishPacket();
    return event;
}

}  // namespace portkit::sim::bplus
