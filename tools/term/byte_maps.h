// Byte maps in the manner of picocom's --imap and --omap: line ends and
// erase keys translated on their way to the screen or to the far end.
#ifndef PORTKIT_TOOLS_TERM_BYTE_MAPS_H
#define PORTKIT_TOOLS_TERM_BYTE_MAPS_H

#include <optional>
#include <string>
#include <string_view>

namespace portkit::tool {

// One bit a map; a set of them applies to each byte in this order of test.
enum ByteMap : unsigned {
    kMapCrLf = 1u << 0,    // CR becomes LF
    kMapCrCrLf = 1u << 1,  // CR becomes CR LF
    kMapIgnCr = 1u << 2,   // CR dropped
    kMapLfCr = 1u << 3,    // LF becomes CR
    kMapLfCrLf = 1u << 4,  // LF becomes CR LF
    kMapIgnLf = 1u << 5,   // LF dropped
    kMapBsDel = 1u << 6,   // BS becomes DEL
    kMapDelBs = 1u << 7,   // DEL becomes BS
};

// "crlf,delbs" as a set of maps; the empty text is no map. Nothing, with
// the offending name in `unknown`, when a name is not one of them.
std::optional<unsigned> ParseByteMaps(std::string_view text, std::string *unknown);

// The names of every map, for messages.
const char *ByteMapNames();

// `bytes` with the maps applied to each byte.
std::string ApplyByteMaps(std::string_view bytes, unsigned maps);

}  // namespace portkit::tool

#endif
