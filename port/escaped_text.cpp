#include "port/escaped_text.h"

namespace portkit {
namespace {

bool IsControl(unsigned char byte) { return byte < 0x20 || byte == 0x7F || (byte >= 0x80 && byte <= 0x9F); }

}  // namespace

std::string EscapeControls(std::string_view text, std::size_t limit) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string shown;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (!IsControl(byte)) {
            if (shown.size() + 1 > limit) break;
            shown.push_back(c);
            continue;
        }
        if (shown.size() + 4 > limit) break;
        shown += "\\x";
        shown.push_back(kHex[byte >> 4]);
        shown.push_back(kHex[byte & 0x0F]);
    }
    return shown;
}

}  // namespace portkit
