// What a Windows console reports for the keys a terminal sends: virtual-key
// code, character and control-key state, for a byte typed alone and for the
// pieces of the escape sequences of xterm, tmux, rxvt and the Linux console.
#ifndef PORTKIT_PLATFORM_POSIX_CONSOLE_CONSOLE_KEY_TABLE_H
#define PORTKIT_PLATFORM_POSIX_CONSOLE_CONSOLE_KEY_TABLE_H

#include <cstdint>

namespace portkit::posix {

struct DecodedKey {
    std::uint16_t virtual_key;
    unsigned char character;
    std::uint32_t control_state;

    bool operator==(const DecodedKey &) const = default;
};

// The key of a byte that is not part of a sequence (US keyboard layout).
DecodedKey KeyOfByte(unsigned char byte);

// The key of a sequence's final byte: CSI or SS3 followed by A B C D (the
// arrows), H F (Home, End), E G (keypad 5), P Q R S (F1 to F4), and CSI Z
// (Shift+Tab). False for any other byte.
bool KeyOfFinal(unsigned char final, DecodedKey *key);

// The key of "CSI number ~": editing keys and F1 to F12, with rxvt's and
// the Linux console's numbers for Shift+F3 to Shift+F10.
bool KeyOfNumber(int number, DecodedKey *key);

// The keypad in application mode: SS3 j to y and SS3 M (Enter).
bool KeyOfKeypad(unsigned char final, DecodedKey *key);

// The control-key state of an xterm modifier parameter (1 + Shift 1,
// Alt 2, Ctrl 4, Meta 8).
std::uint32_t ModifierState(int parameter);

// The control-key state of rxvt's final bytes of an editing or function
// key: '~' none, '$' Shift, '^' Ctrl, '@' Ctrl+Shift.
std::uint32_t RxvtModifierState(unsigned char final);

}  // namespace portkit::posix

#endif
