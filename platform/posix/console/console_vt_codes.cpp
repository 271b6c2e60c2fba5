#include "platform/posix/console/console_vt_codes.h"

#include <array>

#include "platform/cp437_glyphs.h"

namespace portkit::posix {

namespace {

// What the Windows console shows for the C0 controls (0x00 as a blank).
constexpr char16_t kControlGlyphs[32] = {
    u' ',      u'\u263A', u'\u263B', u'\u2665', u'\u2666', u'\u2663', u'\u2660', u'\u2022',
    u'\u25D8', u'\u25CB', u'\u25D9', u'\u2642', u'\u2640', u'\u266A', u'\u266B', u'\u263C',
    u'\u25BA', u'\u25C4', u'\u2195', u'\u203C', u'\u00B6', u'\u00A7', u'\u25AC', u'\u21A8',
    u'\u2191', u'\u2193', u'\u2192', u'\u2190', u'\u221F', u'\u2194', u'\u25B2', u'\u25BC',
};

constexpr char32_t kDeleteGlyph = u'\u2302';

constexpr char32_t CodePointOf(unsigned char byte) {
    if (byte < 0x20) return kControlGlyphs[byte];
    if (byte == 0x7F) return kDeleteGlyph;
    if (byte >= 0x80) return kCp437HighGlyphs[byte - 0x80];
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
