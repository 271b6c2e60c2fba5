// The glyphs of code page 437 from 0x80 on, as Unicode code points: what a
// PC console shows for those bytes. The POSIX console draws them on a UTF-8
// terminal; the ANSI emulator maps UTF-8 input back onto them.
#ifndef PORTKIT_PLATFORM_CP437_GLYPHS_H
#define PORTKIT_PLATFORM_CP437_GLYPHS_H

namespace portkit {

// Accented letters, box drawing, Greek and mathematics: 0x80 to 0xFF, 32
// a line.
inline constexpr char16_t kCp437HighGlyphs[129] =
    u"ÇüéâäàåçêëèïîìÄÅÉæÆôöòûùÿÖÜ¢£¥₧ƒ"
    u"áíóúñÑªº¿⌐¬½¼¡«»░▒▓│┤╡╢╖╕╣║╗╝╜╛┐"
    u"└┴┬├─┼╞╟╚╔╩╦╠═╬╧╨╤╥╙╘╒╓╫╪┘┌█▄▌▐▀"
    u"αßΓπΣσµτΦΘΩδ∞φε∩≡±≥≤⌠⌡÷≈°∙·√ⁿ²■\u00A0";

}  // namespace portkit

#endif
