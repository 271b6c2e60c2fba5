#include "screen/terminal_window/dsterm_keys.h"

#include "screen/console/console_keys.h"

namespace portkit::screen {

int DSTermKeyDownCode(unsigned virtual_key, std::uint32_t control_state) {
    // Without Alt and without a character the console table answers only
    // for the keys that have no character.
    return TranslateConsoleKey(virtual_key, 0, control_state & ~(kLeftAlt | kRightAlt));
}

}  // namespace portkit::screen
