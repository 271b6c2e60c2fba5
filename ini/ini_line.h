// What a line of the file means, and which names and values a written line
// carries back unchanged. The reader and PBAddKey share these rules so that
// the store never holds what its own file would read back differently.
#ifndef PORTKIT_INI_INI_LINE_H
#define PORTKIT_INI_INI_LINE_H

#include <string_view>

namespace portkit::ini {

// "[name]": the name is everything between the first and last character.
bool IsSectionLine(std::string_view line);

// Whether "[section]" reads back as a line naming `section`. A null fits no
// line: it would come back as an empty name or value.
bool SectionFitsLine(const char *section);
// Whether "key=value" reads back as that key with that value.
bool KeyFitsLine(const char *key, const char *value);

}  // namespace portkit::ini

#endif
