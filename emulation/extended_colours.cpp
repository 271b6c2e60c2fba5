// SGR in the extended mode: modes are kept apart from colours, and the
// 256-colour and direct-colour forms are read whole and brought to the
// nearest of the 16 colours.
#include <cstdint>

#include "emulation/extended_ansi.h"

namespace portkit::emulation {

namespace {

struct Rgb {
    int red, green, blue;
};

// xterm's 16 colours.
constexpr Rgb kPalette[16] = {
    {0, 0, 0},     {205, 0, 0},     {0, 205, 0},     {205, 205, 0},   {0, 0, 238}, {205, 0, 205},
    {0, 205, 205}, {229, 229, 229}, {127, 127, 127}, {255, 0, 0},     {0, 255, 0}, {255, 255, 0},
    {92, 92, 255}, {255, 0, 255},   {0, 255, 255},   {255, 255, 255},
};

std::uint8_t NearestColour(Rgb wanted) {
    std::uint8_t best = 0;
    long best_distance = -1;
    for (std::uint8_t i = 0; i < 16; ++i) {
        const long red = wanted.red - kPalette[i].red, green = wanted.green - kPalette[i].green,
                   blue = wanted.blue - kPalette[i].blue;
        const long distance = red * red + green * green + blue * blue;
        if (best_distance < 0 || distance < best_distance) best = i, best_distance = distance;
    }
    return best;
}

// The 256-colour palette: the 16, a 6x6x6 cube, then 24 greys.
std::uint8_t IndexedColour(int index) {
    if (index < 16) return static_cast<std::uint8_t>(index);
    if (index >= 232) {
        const int grey = 8 + 10 * (index - 232);
        return NearestColour({grey, grey, grey});
    }
    constexpr int kLevels[6] = {0, 95, 135, 175, 215, 255};
    const int cube = index - 16;
    return NearestColour({kLevels[cube / 36], kLevels[cube / 6 % 6], kLevels[cube % 6]});
}

// Reads the colour of 38 or 48 at `*i`, moving `*i` to its last parameter;
// false when the form is unknown or cut short.
bool ExtendedColour(const ExtendedAnsi &ansi, int *i, std::uint8_t *colour) {
    const int kind = *i + 1 < ansi.param_count ? ansi.params[*i + 1] : -1;
    if (kind == 5 && *i + 2 < ansi.param_count) {
        if (ansi.params[*i + 2] > 255) return false;
        *colour = IndexedColour(ansi.params[*i + 2]);
        *i += 2;
        return true;
    }
    if (kind == 2 && *i + 4 < ansi.param_count) {
        const int *rgb = &ansi.params[*i + 2];
        if (rgb[0] > 255 || rgb[1] > 255 || rgb[2] > 255) return false;
        *colour = NearestColour({rgb[0], rgb[1], rgb[2]});
        *i += 4;
        return true;
    }
    return false;
}

// The SGR numbers that turn each mode on and off.
struct ModeSwitch {
    int on, also_on, off;
    std::uint8_t mode;
};
constexpr ModeSwitch kModeSwitches[] = {
    {1, 1, 22, kModeBold},    {4, 4, 24, kModeUnderline}, {5, 6, 25, kModeBlink},
    {7, 7, 27, kModeReverse}, {8, 8, 28, kModeInvisible},
};

void SetModes(Pen &pen, std::uint8_t on, std::uint8_t off) {
    pen.modes = static_cast<std::uint8_t>((pen.modes | on) & ~off);
}

}  // namespace

void SelectGraphicRendition(ExtendedAnsi &ansi) {
    Pen &pen = ansi.screen.cursor.pen;
    if (ansi.param_count == 0) pen = Pen{};
    for (int i = 0; i < ansi.param_count; ++i) {
        const int value = ansi.params[i];
        std::uint8_t colour = 0;
        if (value == 38 || value == 48) {
            // The rest of an unreadable colour is not taken for attributes.
            if (!ExtendedColour(ansi, &i, &colour)) return;
            if (value == 38) pen.foreground = colour;
            if (value == 48) pen.background = colour;
            continue;
        }
        if (value >= 30 && value <= 37) pen.foreground = static_cast<std::uint8_t>(value - 30);
        if (value >= 90 && value <= 97) pen.foreground = static_cast<std::uint8_t>(value - 90 + 8);
        if (value >= 40 && value <= 47) pen.background = static_cast<std::uint8_t>(value - 40);
        if (value >= 100 && value <= 107) pen.background = static_cast<std::uint8_t>(value - 100 + 8);
        if (value == 0) pen = Pen{};
        if (value == 39) pen.foreground = kDefaultColour;
        if (value == 49) pen.background = kDefaultColour;
        // Faint, italic, strike-through and the like are not shown.
        for (const ModeSwitch &mode : kModeSwitches) {
            if (value == mode.on || value == mode.also_on) SetModes(pen, mode.mode, 0);
            if (value == mode.off) SetModes(pen, 0, mode.mode);
        }
    }
}

}  // namespace portkit::emulation
