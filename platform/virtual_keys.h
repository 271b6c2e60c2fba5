// Windows virtual-key codes: the one list of their values for the code that
// does not take them from <windows.h> (the screens' key tables, the X11
// windows and the POSIX console). Letters and digits are their upper-case
// ASCII codes and have no name here.
#ifndef PORTKIT_PLATFORM_VIRTUAL_KEYS_H
#define PORTKIT_PLATFORM_VIRTUAL_KEYS_H

#include <cstdint>

namespace portkit::vk {

constexpr std::uint16_t kBack = 0x08, kTab = 0x09, kClear = 0x0C, kReturn = 0x0D, kShift = 0x10, kControl = 0x11,
                        kMenu = 0x12, kEscape = 0x1B, kSpace = 0x20, kPrior = 0x21, kNext = 0x22, kEnd = 0x23,
                        kHome = 0x24, kLeft = 0x25, kUp = 0x26, kRight = 0x27, kDown = 0x28, kInsert = 0x2D,
                        kDelete = 0x2E;
// Function keys; F1 to F12 are consecutive.
constexpr std::uint16_t kF1 = 0x70, kF2 = 0x71, kF3 = 0x72, kF4 = 0x73, kF5 = 0x74, kF6 = 0x75, kF7 = 0x76, kF8 = 0x77,
                        kF9 = 0x78, kF10 = 0x79, kF11 = 0x7A, kF12 = 0x7B;
// Keypad keys and the punctuation keys of a US keyboard.
constexpr std::uint16_t kNumpad0 = 0x60, kMultiply = 0x6A, kAdd = 0x6B, kSeparator = 0x6C, kSubtract = 0x6D,
                        kDecimal = 0x6E, kDivide = 0x6F, kOem1 = 0xBA, kOemPlus = 0xBB, kOemComma = 0xBC,
                        kOemMinus = 0xBD, kOemPeriod = 0xBE, kOem2 = 0xBF, kOem3 = 0xC0, kOem4 = 0xDB, kOem5 = 0xDC,
                        kOem6 = 0xDD, kOem7 = 0xDE;

}  // namespace portkit::vk

#endif
