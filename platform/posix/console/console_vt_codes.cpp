#include "platform/posix/console/console_vt_codes.h"

#include <array>

namespace portkit::posix {

namespace {

// What the Windows console shows for the C0 controls (0x00 as a blank).
constexpr char16_t kControlGlyphs[32] = {
    u' ',      u'\u263A', u'\u263B', u'\u2665', u'\u2666', u'\u2663', u'\u2660', u'\u2022',
    u'\u25D8', u'\u25CB', u'\u25D9', u'\u2642', u'\u2640', u'\u266A', u'\u266B', u'\u263C',
    u'\u25BA', u'\u25C4', u'\u2195', u'\u203C', u'\u00B6', u'\u00A7', u'\u25AC', u'\u21A8',
    u'\u2191', u'\u2193', u'\u2192', u'\u2190', u'\u221F', u'\u2194', u'\u25B2', u'\u25BC',
};

// CP437 from 0x80 on: accented letters, box drawing, Greek and mathematics.
constexpr char16_t kHighGlyphs[128] = {
    u'\u00C7', u'\u00FC', u'\u00E9', u'\u00E2', u'\u00E4', u'\u00E0', u'\u00E5', u'\u00E7', u'\u00EA', u'\u00EB',
    u'\u00E8', u'\u00EF', u'\u00EE', u'\u00EC', u'\u00C4', u'\u00C5', u'\u00C9', u'\u00E6', u'\u00C6', u'\u00F4',
    u'\u00F6', u'\u00F2', u'\u00FB', u'\u00F9', u'\u00FF', u'\u00D6', u'\u00DC', u'\u00A2', u'\u00A3', u'\u00A5',
    u'\u20A7', u'\u0192', u'\u00E1', u'\u00ED', u'\u00F3', u'\u00FA', u'\u00F1', u'\u00D1', u'\u00AA', u'\u00BA',
    u'\u00BF', u'\u2310', u'\u00AC', u'\u00BD', u'\u00BC', u'\u00A1', u'\u00AB', u'\u00BB', u'\u2591', u'\u2592',
    u'\u2593', u'\u2502', u'\u2524', u'\u2561', u'\u2562', u'\u2556', u'\u2555', u'\u2563', u'\u2551', u'\u2557',
    u'\u255D', u'\u255C', u'\u255B', u'\u2510', u'\u2514', u'\u2534', u'\u252C', u'\u251C', u'\u2500', u'\u253C',
    u'\u255E', u'\u255F', u'\u255A', u'\u2554', u'\u2569', u'\u2566', u'\u2560', u'\u2550', u'\u256C', u'\u2567',
    u'\u2568', u'\u2564', u'\u2565', u'\u2559', u'\u2558', u'\u2552', u'\u2553', u'\u256B', u'\u256A', u'\u2518',
    u'\u250C', u'\u2588', u'\u2584', u'\u258C', u'\u2590', u'\u2580', u'\u03B1', u'\u00DF', u'\u0393', u'\u03C0',
    u'\u03A3', u'\u03C3', u'\u00B5', u'\u03C4', u'\u03A6', u'\u0398', u'\u03A9', u'\u03B4', u'\u221E', u'\u03C6',
    u'\u03B5', u'\u2229', u'\u2261', u'\u00B1', u'\u2265', u'\u2264', u'\u2320', u'\u2321', u'\u00F7', u'\u2248',
    u'\u00B0', u'\u2219', u'\u00B7', u'\u221A', u'\u207F', u'\u00B2', u'\u25A0', u'\u00A0',
};

constexpr char32_t kDeleteGlyph = u'\u2302';

constexpr char32_t CodePointOf(unsigned char byte) {
    if (byte < 0x20) return kControlGlyphs[byte];
    if (byte == 0x7F) return kDeleteGlyph;
    if (byte >= 0x80) return kHighGlyphs[byte - 0x80];
    return byte;
}

constexpr VtBytes Utf8Of(char32_t code_point) {
    VtBytes bytes{};
    if (code_point < 0x80) {
        bytes.text[0] = static_cast<char>(code_point);
        bytes.length = 1;
    } else if (code_point < 0x800) {
        bytes.text[0] = static_cast<char>(0xC0 | (code_point >> 6));
        bytes.text[1] = static_cast<char>(0x80 | (code_point & 0x3F));
        bytes.length = 2;
    } else {
        bytes.text[0] = static_cast<char>(0xE0 | (code_point >> 12));
        bytes.text[1] = static_cast<char>(0x80 | ((code_point >> 6) & 0x3F));
        bytes.text[2] = static_cast<char>(0x80 | (code_point & 0x3F));
        bytes.length = 3;
    }
    return bytes;
}

constexpr VtBytes SingleByteOf(unsigned char byte) {
    // C0, DEL and C1 would act on the terminal; 0x00 is the console's blank.
    const bool control = byte < 0x20 || (byte >= 0x7F && byte < 0xA0);
    VtBytes bytes{};
    bytes.text[0] = byte == 0 ? ' ' : control ? '?' : static_cast<char>(byte);
    bytes.length = 1;
    return bytes;
}

template <typename Make>
constexpr std::array<VtBytes, 256> TableOf(Make make) {
    std::array<VtBytes, 256> table{};
    for (unsigned byte = 0; byte < 256; ++byte) table[byte] = make(static_cast<unsigned char>(byte));
    return table;
}

constexpr auto kUtf8Glyphs = TableOf([](unsigned char byte) { return Utf8Of(CodePointOf(byte)); });
constexpr auto kSingleByteGlyphs = TableOf(SingleByteOf);

// The console's colour bits (blue 1, green 2, red 4) as an ANSI colour
// number (red 1, green 2, blue 4).
constexpr int AnsiColour(unsigned bits) {
    return static_cast<int>(((bits & 1u) << 2) | (bits & 2u) | ((bits & 4u) >> 2));
}

constexpr void AppendNumber(VtBytes &bytes, int number) {
    if (number >= 100) bytes.text[bytes.length++] = static_cast<char>('0' + number / 100);
    if (number >= 10) bytes.text[bytes.length++] = static_cast<char>('0' + number / 10 % 10);
    bytes.text[bytes.length++] = static_cast<char>('0' + number % 10);
}

// "ESC [ 0 ; fg ; bg m": the reset clears whatever else the terminal had on.
constexpr VtBytes SgrOf(unsigned char attribute) {
    const int foreground = ((attribute & 0x08u) != 0 ? 90 : 30) + AnsiColour(attribute & 0x07u);
    const int background = ((attribute & 0x80u) != 0 ? 100 : 40) + AnsiColour((attribute >> 4) & 0x07u);
    VtBytes bytes{};
    for (const char c : {'\x1b', '[', '0', ';'}) bytes.text[bytes.length++] = c;
    AppendNumber(bytes, foreground);
    bytes.text[bytes.length++] = ';';
    AppendNumber(bytes, background);
    bytes.text[bytes.length++] = 'm';
    return bytes;
}

constexpr auto kColourSgrs = TableOf(SgrOf);

void AppendDecimal(std::string &out, int number) {
    char digits[12];
    int count = 0;
    do {
        digits[count++] = static_cast<char>('0' + number % 10);
        number /= 10;
    } while (number > 0);
    while (count > 0) out.push_back(digits[--count]);
}

}  // namespace

char32_t Cp437CodePoint(unsigned char byte) { return CodePointOf(byte); }

const VtBytes &GlyphBytes(GlyphSet glyphs, unsigned char byte) {
    return glyphs == GlyphSet::kUtf8 ? kUtf8Glyphs[byte] : kSingleByteGlyphs[byte];
}

const VtBytes &ColourSgr(std::uint16_t attribute) { return kColourSgrs[attribute & 0xFFu]; }

void AppendCursorPosition(std::string &out, int row, int col) {
    out.append("\x1b[", 2);
    AppendDecimal(out, row + 1);
    if (col > 0) {
        out.push_back(';');
        AppendDecimal(out, col + 1);
    }
    out.push_back('H');
}

}  // namespace portkit::posix
