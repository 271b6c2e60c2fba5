// UTF-8 input decoded to the CP437 characters the screen's cells hold, and
// the VT100 line-drawing set mapped to CP437 box characters.
#ifndef PORTKIT_EMULATION_UTF8_CP437_H
#define PORTKIT_EMULATION_UTF8_CP437_H

#include <cstdint>

namespace portkit::emulation {

// What stands for a character that has no CP437 glyph, and for each
// malformed UTF-8 sequence.
constexpr unsigned char kReplacement = '?';

// A UTF-8 decoder fed one byte at a time.
class Utf8Decoder {
public:
    static constexpr std::int32_t kPending = -1;  // more bytes to come
    static constexpr std::int32_t kBroken = -2;   // a malformed sequence ended

    bool Open() const { return remaining_ != 0; }
    // A code point, kPending, or kBroken. A byte that breaks an open
    // sequence gives kBroken and must then be fed again on its own.
    std::int32_t Feed(unsigned char byte);
    void Drop() { remaining_ = 0; }

private:
    std::uint32_t code_ = 0;
    std::uint32_t least_ = 0;  // below this the sequence was overlong
    int remaining_ = 0;
};

// The CP437 character of a code point, kReplacement when it has none (and
// for controls, which cells never hold).
unsigned char Cp437FromCodePoint(std::int32_t code_point);

// The CP437 character the line-drawing set shows for a character.
unsigned char LineDrawingCharacter(unsigned char c);

}  // namespace portkit::emulation

#endif
