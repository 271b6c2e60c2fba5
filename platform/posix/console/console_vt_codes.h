// The bytes a VT/xterm terminal is sent to show console cells: the glyph of
// each console character, the SGR sequence of each colour attribute, and
// cursor positioning.
#ifndef PORTKIT_PLATFORM_POSIX_CONSOLE_CONSOLE_VT_CODES_H
#define PORTKIT_PLATFORM_POSIX_CONSOLE_CONSOLE_VT_CODES_H

#include <cstdint>
#include <string>

namespace portkit::posix {

// A short byte string kept inline, so tables of them need no allocation.
struct VtBytes {
    char text[15];
    std::uint8_t length;
};

// How the terminal shows characters outside printable ASCII: as the CP437
// glyphs the Windows console shows, in UTF-8, or (on a terminal of another
// character set) the byte itself where that is safe and '?' where the
// terminal would take it as a control.
enum class GlyphSet { kUtf8, kSingleByte };

// Unicode code point of the glyph the Windows console shows for a byte.
char32_t Cp437CodePoint(unsigned char byte);

// The terminal's bytes for the console character `byte`.
const VtBytes &GlyphBytes(GlyphSet glyphs, unsigned char byte);

// The SGR sequence of a console attribute's colours (its low eight bits).
const VtBytes &ColourSgr(std::uint16_t attribute);

inline void Append(std::string &out, const VtBytes &bytes) { out.append(bytes.text, bytes.length); }

// CUP to a 0-based row and column.
void AppendCursorPosition(std::string &out, int row, int col);

// Autowrap (DECAWM) on or off.
inline const char *AutowrapSequence(bool on) { return on ? "\x1b[?7h" : "\x1b[?7l"; }

// Scroll region reset to the whole screen, cursor home: the terminal state
// a new screen model starts from.
constexpr char kStartSequence[] = "\x1b[r\x1b[H";

// What leaving the terminal to others puts back: plain colours, autowrap
// on, cursor shown.
constexpr char kRestoreSequence[] = "\x1b[0m\x1b[?7h\x1b[?25h";

}  // namespace portkit::posix

#endif
