// Pieces shared by the Hayes modem calls.
#ifndef PORTKIT_MODEM_MODEM_INTERNAL_H
#define PORTKIT_MODEM_MODEM_INTERNAL_H

#include <array>
#include <cstddef>
#include <cstdio>
#include <cstring>

#include "port/port_internal.h"
#include "portkit/modem.h"
#include "portkit/timedio.h"

namespace portkit::modem {

constexpr int kCR = '\r';

// Command buffers, terminating zero included: a register assignment, a dial
// command, everything else and the reply lines.
constexpr std::size_t kRegisterCommandSize = 12;
constexpr std::size_t kDialCommandSize = 50;
constexpr std::size_t kCommandSize = 40;
constexpr int kReplyLineSize = 40;

// An AT command built in a fixed buffer. Anything that would not fit marks
// the command as overflowed instead of being cut, so a caller can refuse it
// before a byte goes out.
template <std::size_t Size>
class CommandLine {
public:
    CommandLine &Append(const char *text) {
        const std::size_t length = std::strlen(text);
        if (overflowed_ || length > Size - 1 - length_) {
            overflowed_ = true;
            return *this;
        }
        std::memcpy(text_.data() + length_, text, length);
        length_ += length;
        text_[length_] = '\0';
        return *this;
    }

    CommandLine &AppendDecimal(int value) {
        char digits[16];
        std::snprintf(digits, sizeof digits, "%d", value);
        return Append(digits);
    }

    bool Overflowed() const { return overflowed_; }
    const char *Text() const { return text_.data(); }

private:
    std::array<char, Size> text_{};
    std::size_t length_ = 0;
    bool overflowed_ = false;
};

}  // namespace portkit::modem

#endif
