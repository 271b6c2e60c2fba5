// Conversions between the screen logic's pixel and colour values and GDI's,
// and the modifier keys in the console's control-key bits, shared by the
// Win32 windows.
#ifndef PORTKIT_WINDOW_SYSTEMS_WIN32_GDI_VALUES_WIN32_H
#define PORTKIT_WINDOW_SYSTEMS_WIN32_GDI_VALUES_WIN32_H

#include <windows.h>

#include <cstdint>

#include "screen/console/console_keys.h"
#include "screen/terminal_window/dsterm_surface.h"

namespace portkit::win32 {

inline RECT RectOf(const screen::PixelRect &area) { return {area.left, area.top, area.right, area.bottom}; }
inline COLORREF ColourOf(screen::Rgb colour) { return RGB(colour.red, colour.green, colour.blue); }

// Shift and Ctrl as they are now, for a key-down being handled.
inline std::uint32_t ControlState() {
    std::uint32_t state = 0;
    if (GetKeyState(VK_SHIFT) < 0) state |= screen::kShift;
    if (GetKeyState(VK_CONTROL) < 0) state |= screen::kLeftCtrl;
    return state;
}

}  // namespace portkit::win32

#endif
