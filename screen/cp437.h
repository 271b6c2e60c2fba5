// The IBM PC character set (code page 437) in Unicode: the glyph the Windows
// console and the terminal window show for each byte of a cell, the C0
// controls included (0x00 shows as a blank).
#ifndef PORTKIT_SCREEN_CP437_H
#define PORTKIT_SCREEN_CP437_H

#include <array>
#include <iterator>

namespace portkit::screen {

namespace cp437_detail {

// The C0 controls as the console shows them; 0x00 is a blank.
constexpr char16_t kControlGlyphs[] = u" ☺☻♥♦♣♠•◘○◙♂♀♪♫☼►◄↕‼¶§▬↨↑↓→←∟↔▲▼";

constexpr char16_t kDeleteGlyph = u'\u2302';

// From 0x80 on: accented letters, box drawing, Greek and mathematics (0xFF
// is the no-break space).
constexpr char16_t kHighGlyphs[] =
    u"ÇüéâäàåçêëèïîìÄÅÉæÆôöòûùÿÖÜ¢£¥₧ƒ"        // 0x80
    u"áíóúñÑªº¿⌐¬½¼¡«»░▒▓│┤╡╢╖╕╣║╗╝╜╛┐"        // 0xA0
    u"└┴┬├─┼╞╟╚╔╩╦╠═╬╧╨╤╥╙╘╒╓╫╪┘┌█▄▌▐▀"        // 0xC0
    u"αßΓπΣσµτΦΘΩδ∞φε∩≡±≥≤⌠⌡÷≈°∙·√ⁿ²■\u00A0";  // 0xE0

static_assert(std::size(kControlGlyphs) == 32 + 1 && std::size(kHighGlyphs) == 128 + 1);

constexpr std::array<char16_t, 256> MakeTable() {
    std::array<char16_t, 256> table{};
    for (unsigned byte = 0; byte < 256; ++byte) {
        table[byte] = byte < 0x20    ? kControlGlyphs[byte]
                      : byte == 0x7F ? kDeleteGlyph
                      : byte >= 0x80 ? kHighGlyphs[byte - 0x80]
                                     : static_cast<char16_t>(byte);
    }
    return table;
}

}  // namespace cp437_detail

inline constexpr std::array<char16_t, 256> kCp437Unicode = cp437_detail::MakeTable();

constexpr char16_t Cp437ToUnicode(unsigned char byte) { return kCp437Unicode[byte]; }

}  // namespace portkit::screen

#endif
