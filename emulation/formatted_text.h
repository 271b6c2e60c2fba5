// The room the printf-style calls of the emulator and of the screens it
// draws on format their text into: a line of the widest screen, 132
// columns, NUL included. Text beyond it is cut.
#ifndef PORTKIT_EMULATION_FORMATTED_TEXT_H
#define PORTKIT_EMULATION_FORMATTED_TEXT_H

#include <cstddef>

namespace portkit::emulation {

constexpr std::size_t kFormattedTextSize = 132;

}  // namespace portkit::emulation

#endif
