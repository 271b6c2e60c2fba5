// The console attribute rules of the display operations.
#ifndef PORTKIT_SCREEN_CONSOLE_CONSOLE_ATTRIBUTES_H
#define PORTKIT_SCREEN_CONSOLE_CONSOLE_ATTRIBUTES_H

#include <cstdint>

namespace portkit::screen {

// The console's three colour bits (blue 1, green 2, red 4) of an ANSI
// colour number, taken modulo 8.
constexpr std::uint16_t ConsoleColourBits(int colour) {
    constexpr std::uint16_t kBits[8] = {0, 4, 2, 6, 1, 5, 3, 7};
    return kBits[static_cast<unsigned>(colour) % 8u];
}

constexpr std::uint16_t WithForeground(std::uint16_t attribute, int colour) {
    return static_cast<std::uint16_t>((attribute & ~0x07u) | ConsoleColourBits(colour));
}

constexpr std::uint16_t WithBackground(std::uint16_t attribute, int colour) {
    return static_cast<std::uint16_t>((attribute & ~0x70u) | (ConsoleColourBits(colour) << 4));
}

constexpr std::uint16_t WithBold(std::uint16_t attribute) { return static_cast<std::uint16_t>(attribute | 0x08u); }

}  // namespace portkit::screen

#endif
