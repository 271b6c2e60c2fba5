// The terminal window's attribute byte: foreground in bits 0 to 3 (bit 3 the
// bright half), background in bits 4 to 6, blink in bit 7; colours in ANSI
// order.
#ifndef PORTKIT_SCREEN_TERMINAL_WINDOW_DSTERM_ATTRIBUTES_H
#define PORTKIT_SCREEN_TERMINAL_WINDOW_DSTERM_ATTRIBUTES_H

#include <cstdint>

namespace portkit::screen {

constexpr std::uint8_t kDSTermNormal = 0x07, kDSTermReverse = 0x70, kDSTermInvisible = 0x00;
constexpr std::uint8_t kDSTermBright = 0x08, kDSTermBlink = 0x80;

struct Rgb {
    std::uint8_t red, green, blue;
    friend constexpr bool operator==(Rgb, Rgb) = default;
};

constexpr Rgb DSTermForegroundColour(unsigned index) {
    constexpr Rgb kColours[16] = {
        {0, 0, 0}, {128, 0, 0}, {0, 128, 0}, {128, 128, 0}, {0, 0, 128}, {128, 0, 128}, {0, 128, 128}, {210, 210, 210},
        {0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {255, 255, 0}, {0, 0, 255}, {255, 0, 255}, {0, 255, 255}, {255, 255, 255}};
    return kColours[index % 16u];
}

// Light grey text becomes white paper: the background half has no grey.
constexpr Rgb DSTermBackgroundColour(unsigned index) {
    return index % 8u == 7u ? Rgb{255, 255, 255} : DSTermForegroundColour(index % 8u);
}

constexpr unsigned ForegroundIndex(std::uint8_t attribute) { return attribute & 0x0Fu; }
constexpr unsigned BackgroundIndex(std::uint8_t attribute) { return (attribute >> 4) & 0x07u; }
constexpr bool Blinks(std::uint8_t attribute) { return (attribute & kDSTermBlink) != 0; }

// The bright bit stays, so bold set before a colour change survives it.
constexpr std::uint8_t WithDSTermForeground(std::uint8_t attribute, int colour) {
    return static_cast<std::uint8_t>((attribute & ~0x07u) | (static_cast<unsigned>(colour) % 8u));
}

// The blink bit stays.
constexpr std::uint8_t WithDSTermBackground(std::uint8_t attribute, int colour) {
    return static_cast<std::uint8_t>((attribute & ~0x70u) | ((static_cast<unsigned>(colour) % 8u) << 4));
}

}  // namespace portkit::screen

#endif
