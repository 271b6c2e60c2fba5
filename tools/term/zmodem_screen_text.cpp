#include "tools/term/zmodem_screen_text.h"

#include <cctype>

namespace portkit::tool {
namespace {

constexpr char kPad = '*', kZdle = 0x18, kXon = 0x11;
constexpr int kHeaderHexDigits = 14;  // type, four flag bytes, CRC-16

bool IsHexDigit(char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0 && !std::isupper(c); }

}  // namespace

std::size_t ZmodemHeaderStartLength(std::string_view text) {
    // Back over hex digits and a B, to a CAN, and the pads before it.
    std::size_t start = text.size();
    while (start > 0 && IsHexDigit(text[start - 1]) && text.size() - start < kHeaderHexDigits) --start;
    if (start > 0 && text[start - 1] == 'B') --start;
    const bool digits_or_b = start < text.size();
    if (start > 0 && text[start - 1] == kZdle) {
        --start;
    } else if (digits_or_b) {
        return 0;  // hex digits with no CAN before them are text
    }
    for (int pads = 0; pads < 2 && start > 0 && text[start - 1] == kPad; ++pads) --start;
    return text.size() - start;
}

bool ZmodemTrailFilter::Expect(bool wanted, State next) {
    if (wanted) state_ = next;
    return wanted;
}

bool ZmodemTrailFilter::Step(char c) {
    switch (state_) {
        case State::kFrameStart:
            if (c == kXon || c == '\r' || c == '\n' || c == '\x8a') return true;  // between frames
            if (c == 'O') {
                state_ = State::kSecondO;
                return true;
            }
            // The transfer may have read a header's pads, or its CAN too.
            if (c == kZdle) {
                state_ = State::kType;
            } else if (c == 'B') {
                state_ = State::kHex;
                hex_left_ = kHeaderHexDigits;
            } else if (c == kPad) {
                state_ = State::kSecondPad;
            } else {
                return false;
            }
            return true;
        case State::kSecondPad:
            if (c == kPad) return true;
            if (c != kZdle) return false;
            state_ = State::kType;
            return true;
        case State::kType:
            hex_left_ = kHeaderHexDigits;
            return Expect(c == 'B', State::kHex);
        case State::kHex:
            if (!IsHexDigit(c)) return false;
            if (--hex_left_ == 0) state_ = State::kCr;
            return true;
        case State::kCr:
            return Expect(c == '\r', State::kLf);
        case State::kLf:
            return Expect(c == '\n' || c == '\x8a', State::kFrameStart);
        case State::kSecondO:
            return Expect(c == 'O', State::kFrameStart);
        case State::kOff:
            break;
    }
    return false;
}

std::string ZmodemTrailFilter::Filter(std::string_view bytes) {
    std::string shown;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (state_ == State::kOff) {
            shown.append(bytes.substr(i));
            break;
        }
        const char c = bytes[i];
        if (Step(c)) {
            frame_ = state_ == State::kFrameStart ? std::string() : frame_ + c;
            continue;
        }
        shown += frame_;
        shown.push_back(c);
        frame_.clear();
        state_ = State::kOff;
    }
    return shown;
}

}  // namespace portkit::tool
