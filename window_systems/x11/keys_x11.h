// X key presses to the terminal window's key codes.
#ifndef PORTKIT_WINDOW_SYSTEMS_X11_KEYS_X11_H
#define PORTKIT_WINDOW_SYSTEMS_X11_KEYS_X11_H

#include <X11/Xlib.h>

#include <cstdint>

namespace portkit::x11 {

constexpr int kMaxCodesPerKey = 8;

// The key codes one key press gives, into `codes`; returns how many. A key
// without a character gives one code through the console's key table, any
// other key its characters (none for a modifier by itself).
int KeyCodesOf(XKeyEvent *event, int (&codes)[kMaxCodesPerKey]);

// The console's control-key state bits (Shift, Ctrl) of X modifier bits.
std::uint32_t ControlStateOf(unsigned modifier_state);

// The Windows virtual-key code the console's key table knows a key by, for
// the keys without a character; 0 for any other.
unsigned VirtualKeyOf(KeySym keysym);

}  // namespace portkit::x11

#endif
