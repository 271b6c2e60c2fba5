// Turns a console key press into the emulator's key code.
#ifndef PORTKIT_SCREEN_CONSOLE_CONSOLE_KEYS_H
#define PORTKIT_SCREEN_CONSOLE_CONSOLE_KEYS_H

#include <cstdint>

namespace portkit::screen {

// Control-key state bits of a console key event.
constexpr std::uint32_t kRightAlt = 0x0001, kLeftAlt = 0x0002, kRightCtrl = 0x0004, kLeftCtrl = 0x0008, kShift = 0x0010;

// The key code of a press of virtual key `virtual_key` that the console
// gave the character `character` (0 for none), or -1 for no key (a Shift,
// Ctrl or Alt key by itself).
int TranslateConsoleKey(unsigned virtual_key, unsigned char character, std::uint32_t control_state);

}  // namespace portkit::screen

#endif
