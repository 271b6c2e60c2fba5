// Text that came from the other end of a line, made safe to show: a control
// byte in it must not reach the user's terminal, where it could move the
// cursor, set a title or write to the clipboard.
#ifndef PORTKIT_PORT_ESCAPED_TEXT_H
#define PORTKIT_PORT_ESCAPED_TEXT_H

#include <cstddef>
#include <string>
#include <string_view>

namespace portkit {

// `text` with every C0 byte (0x00-0x1F), DEL (0x7F) and C1 byte (0x80-0x9F)
// written as \xHH; everything else as it is, so escaping twice changes
// nothing. At most `limit` characters, cut only between whole escapes.
std::string EscapeControls(std::string_view text, std::size_t limit = std::string::npos);

}  // namespace portkit

#endif
