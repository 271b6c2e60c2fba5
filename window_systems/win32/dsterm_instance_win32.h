// What the terminal windows of one InitDSTerm instance share on Win32: the
// fonts and the blink timer, both alive while the instance has a window open.
#ifndef PORTKIT_WINDOW_SYSTEMS_WIN32_DSTERM_INSTANCE_WIN32_H
#define PORTKIT_WINDOW_SYSTEMS_WIN32_DSTERM_INSTANCE_WIN32_H

#include <windows.h>

#include "screen/terminal_window/dsterm_model.h"

namespace portkit::win32 {

struct DSTermInstanceWin32 {
    HINSTANCE instance;
    int slot;  // in the instance table
    UINT_PTR blink_timer = 0;
    HFONT font = nullptr, underlined_font = nullptr;
    bool added_font_file = false;
    TEXTMETRICA metrics{};
};

// The instance a window of class "DSTerm" was created for; null when that
// instance never called InitDSTerm.
DSTermInstanceWin32 *DSTermInstanceFor(HINSTANCE instance);

// The fonts for the instance's first window, and their cell; released with
// its last window.
void OpenDSTermFonts(DSTermInstanceWin32 &instance);
void CloseDSTermFonts(DSTermInstanceWin32 &instance);
screen::CellMetrics DSTermCell(const DSTermInstanceWin32 &instance);

void StartDSTermBlinkTimer(DSTermInstanceWin32 &instance, int interval_ms);
void StopDSTermBlinkTimer(DSTermInstanceWin32 &instance);

}  // namespace portkit::win32

#endif
