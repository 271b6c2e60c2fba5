// What of a ZMODEM transfer the far end starts stays off the screen in
// pass-through mode: its start header, and the headers that still come
// after the transfer ends (a sender's ZFIN and "OO" once the receiver has
// finished, after a skipped file say).
#ifndef PORTKIT_TOOLS_TERM_ZMODEM_SCREEN_TEXT_H
#define PORTKIT_TOOLS_TERM_ZMODEM_SCREEN_TEXT_H

#include <string>
#include <string_view>

namespace portkit::tool {

// How many bytes at the end of `text` could be the start of a ZMODEM
// header ("**", CAN, "B", hex digits): held back until the next read shows
// whether they are.
std::size_t ZmodemHeaderStartLength(std::string_view text);

// The ZMODEM headers and "OO" that follow a finished transfer, taken off
// the received bytes until anything else comes.
class ZmodemTrailFilter {
public:
    void Arm() { state_ = State::kFrameStart; }
    bool Armed() const { return state_ != State::kOff; }
    // `bytes` without the trail; once a byte is no part of one, it and all
    // after it pass, with a header begun and broken off.
    std::string Filter(std::string_view bytes);
    void Disarm() { state_ = State::kOff; }

private:
    enum class State { kOff, kFrameStart, kSecondPad, kType, kHex, kCr, kLf, kSecondO };
    // False when `c` does not go on the frame begun.
    bool Step(char c);
    // Moves to `next` when the byte is the one `wanted`.
    bool Expect(bool wanted, State next);

    State state_ = State::kOff;
    int hex_left_ = 0;
    std::string frame_;  // the frame so far, shown after all if it breaks off
};

}  // namespace portkit::tool

#endif
