#include "emulation/utf8_cp437.h"

#include <algorithm>
#include <array>
#include <utility>

#include "screen/cp437.h"

namespace portkit::emulation {

namespace {

// The upper half of CP437 by code point, for a binary search.
using GlyphIndex = std::array<std::pair<char16_t, unsigned char>, 128>;

constexpr GlyphIndex MakeGlyphIndex() {
    GlyphIndex index{};
    for (unsigned i = 0; i < 128; ++i)
        index[i] = {screen::Cp437ToUnicode(static_cast<unsigned char>(0x80 + i)), static_cast<unsigned char>(0x80 + i)};
    std::sort(index.begin(), index.end());
    return index;
}

constexpr GlyphIndex kGlyphIndex = MakeGlyphIndex();

}  // namespace

std::int32_t Utf8Decoder::Feed(unsigned char byte) {
    if (remaining_ > 0) {
        if ((byte & 0xC0u) != 0x80u) {
            remaining_ = 0;
            return kBroken;
        }
        code_ = (code_ << 6) | (byte & 0x3Fu);
        if (--remaining_ > 0) return kPending;
        const bool valid = code_ >= least_ && code_ <= 0x10FFFFu && (code_ < 0xD800u || code_ > 0xDFFFu);
        return valid ? static_cast<std::int32_t>(code_) : kBroken;
    }
    if (byte < 0x80u) return byte;
    // C0 and C1 would be overlong two-byte forms; F5 on lies past U+10FFFF.
    if (byte >= 0xC2u && byte <= 0xDFu) {
        code_ = byte & 0x1Fu, least_ = 0x80u, remaining_ = 1;
    } else if (byte >= 0xE0u && byte <= 0xEFu) {
        code_ = byte & 0x0Fu, least_ = 0x800u, remaining_ = 2;
    } else if (byte >= 0xF0u && byte <= 0xF4u) {
        code_ = byte & 0x07u, least_ = 0x10000u, remaining_ = 3;
    } else {
        return kBroken;  // a stray continuation byte or one never used
    }
    return kPending;
}

unsigned char Cp437FromCodePoint(std::int32_t code_point) {
    if (code_point >= 0x20 && code_point < 0x7F) return static_cast<unsigned char>(code_point);
    if (code_point < 0xA0 || code_point > 0xFFFF) return kReplacement;
    const auto key = static_cast<char16_t>(code_point);
    const auto *found = std::lower_bound(kGlyphIndex.begin(), kGlyphIndex.end(), key,
                                         [](const auto &entry, char16_t wanted) { return entry.first < wanted; });
    return found != kGlyphIndex.end() && found->first == key ? found->second : kReplacement;
}

// VT100 special graphics from 0x5F to 0x7E. The scan lines, the control
// pictures and not-equal have no CP437 glyph.
unsigned char LineDrawingCharacter(unsigned char c) {
    constexpr unsigned char kSet[32] = {
        ' ',  0x04, 0xB1, '?',  '?',  '?',  '?',  0xF8,  // _ ` a b c d e f
        0xF1, '?',  '?',  0xD9, 0xBF, 0xDA, 0xC0, 0xC5,  // g h i j k l m n
        '?',  '?',  0xC4, '?',  '?',  0xC3, 0xB4, 0xC1,  // o p q r s t u v
        0xC2, 0xB3, 0xF3, 0xF2, 0xE3, '?',  0x9C, 0xFA,  // w x y z { | } ~
    };
    return c >= 0x5F && c <= 0x7E ? kSet[c - 0x5F] : c;
}

}  // namespace portkit::emulation
