// The rules of an INI line. Names and values are taken as they stand, blanks
// included, so only line ends, the '=' that ends a key and a key that could
// open a [section] line keep text from reading back.
#include "ini/ini_line.h"

#include <cstring>

namespace portkit::ini {
namespace {

bool HasLineEnd(const char *text) { return std::strpbrk(text, "\r\n") != nullptr; }

}  // namespace

bool IsSectionLine(std::string_view line) { return line.size() >= 2 && line.front() == '[' && line.back() == ']'; }

bool SectionFitsLine(const char *section) {
    // ']' and '[' inside the name are fine: only the line's ends mark it.
    return section != nullptr && !HasLineEnd(section);
}

bool KeyFitsLine(const char *key, const char *value) {
    if (key == nullptr || value == nullptr) return false;
    if (HasLineEnd(key) || HasLineEnd(value)) return false;
    // The key ends at the first '='; one opening with '[' may make a section
    // line, with this value or a later one.
    return std::strchr(key, '=') == nullptr && key[0] != '[';
}

}  // namespace portkit::ini
