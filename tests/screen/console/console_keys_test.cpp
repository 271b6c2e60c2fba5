// The console's key translation and colour attribute rules.
#include <gtest/gtest.h>

#include "screen/console/console_attributes.h"
#include "screen/console/console_keys.h"

namespace portkit::screen {
namespace {

constexpr unsigned kVkShift = 0x10, kVkControl = 0x11, kVkMenu = 0x12, kVkReturn = 0x0D, kVkClear = 0x0C,
                   kVkNext = 0x22, kVkUp = 0x26, kVkDelete = 0x2E, kVkF1 = 0x70, kVkF10 = 0x79, kVkF11 = 0x7A,
                   kVkF12 = 0x7B;
constexpr std::uint32_t kCtrl = kLeftCtrl, kAlt = kLeftAlt;

struct KeyCase {
    const char *name;
    unsigned virtual_key;
    unsigned char character;
    std::uint32_t state;
    int code;
};

constexpr KeyCase kKeys[] = {
    {"F1", kVkF1, 0, 0, 0x3B00},
    {"Shift+F10", kVkF10, 0, kShift, 0x5D00},
    {"Ctrl+Shift+F1", kVkF1, 0, kCtrl | kShift, 0x5E00},
    {"Alt+Ctrl+F1", kVkF1, 0, kAlt | kCtrl, 0x6800},
    {"right Alt+F10", kVkF10, 0, kRightAlt, 0x7100},
    {"F11", kVkF11, 0, 0, 0x8500},
    {"Shift+F11", kVkF11, 0, kShift, 0x8700},
    {"right Ctrl+F12", kVkF12, 0, kRightCtrl, 0x8A00},
    {"Alt+F12", kVkF12, 0, kAlt, 0x8C00},
    {"Shift+Up", kVkUp, 0, kShift, 0x4800},
    {"Ctrl+Up", kVkUp, 0, kCtrl, 0x8D00},
    {"Alt+Up", kVkUp, 0, kAlt, -1},
    {"Clear", kVkClear, 0, 0, 0x4C00},
    {"Ctrl+Page Down", kVkNext, 0, kCtrl, 0x7600},
    {"Delete", kVkDelete, 0, 0, 0x10000},
    {"Shift+Delete", kVkDelete, 0, kShift, 0x10000},
    {"Ctrl+Delete", kVkDelete, 0, kCtrl, 0x9300},
    {"Alt+A", 'A', 'a', kAlt, 0x1E00},
    {"Alt+Shift+M", 'M', 'M', kAlt | kShift, 0x3200},
    {"right Alt+Z", 'Z', 'z', kRightAlt, 0x2C00},
    {"Alt+1", '1', '1', kAlt, 0x7800},
    {"Alt+9", '9', '9', kAlt, 0x8000},
    {"Alt+0", '0', '0', kAlt, 0x8100},
    {"Alt+Enter", kVkReturn, 13, kAlt, 13},
    {"Shift alone", kVkShift, 0, kShift, -1},
    {"Ctrl alone", kVkControl, 0, kCtrl, -1},
    {"Alt alone", kVkMenu, 0, kAlt, -1},
    {"Ctrl+A", 'A', 1, kCtrl, 1},
    {"Shift+A", 'A', 'A', kShift, 'A'},
    {"1", '1', '1', 0, '1'},
    {"Enter", kVkReturn, 13, 0, 13},
    {"a character above 127", 0xDE, 0xE4, 0, 0xE4},
};

TEST(ConsoleKeys, TranslatesByKeyAndModifiers) {
    for (const KeyCase &key : kKeys) {
        EXPECT_EQ(TranslateConsoleKey(key.virtual_key, key.character, key.state), key.code) << key.name;
    }
}

TEST(ConsoleAttributes, ColourChangesKeepIntensityAndTheOtherHalf) {
    constexpr std::uint16_t kNormal = 0x17;                 // white on blue
    EXPECT_EQ(WithForeground(WithBold(kNormal), 1), 0x1C);  // bright red on blue
    EXPECT_EQ(WithBackground(0x8F, 3), 0xEF);               // blink bit and bright white kept
    EXPECT_EQ(WithForeground(0xF8, 6), 0xFB);
    // ANSI order to the console's blue 1, green 2, red 4, colour numbers taken mod 8.
    constexpr std::uint16_t kConsoleBits[8] = {0, 4, 2, 6, 1, 5, 3, 7};
    for (int colour = 0; colour < 16; ++colour) {
        EXPECT_EQ(WithForeground(0, colour), kConsoleBits[colour % 8]) << colour;
        EXPECT_EQ(WithBackground(0, colour), kConsoleBits[colour % 8] << 4) << colour;
    }
}

}  // namespace
}  // namespace portkit::screen
