// The terminal window's keys: characters as they are, and key-down events of
// the keys without a character through the console's key table.
#ifndef PORTKIT_SCREEN_TERMINAL_WINDOW_DSTERM_KEYS_H
#define PORTKIT_SCREEN_TERMINAL_WINDOW_DSTERM_KEYS_H

#include <cstdint>

namespace portkit::screen {

// The key code of a key-down of Windows virtual key `virtual_key` with the
// console's control-key state bits (console_keys.h): F1 to F12, Home, End,
// Page Up/Down, the arrows, Insert, Delete and keypad Clear, in the Plain,
// Shift or Ctrl column (Ctrl wins; Alt is ignored). -1 for any other key:
// those arrive as characters.
int DSTermKeyDownCode(unsigned virtual_key, std::uint32_t control_state);

}  // namespace portkit::screen

#endif
