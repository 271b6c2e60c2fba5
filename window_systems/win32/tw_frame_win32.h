// The text windows' frame on Win32: a window of class "FrameClass" with the
// File and Window menus around an MDI client that holds the text windows.
#ifndef PORTKIT_WINDOW_SYSTEMS_WIN32_TW_FRAME_WIN32_H
#define PORTKIT_WINDOW_SYSTEMS_WIN32_TW_FRAME_WIN32_H

#include "window_systems/win32/tw_windows_win32.h"

#include "portkit/textwin.h"

namespace portkit::win32 {

constexpr char kFrameClass[] = "FrameClass";

// Both window classes; false after telling the user which one failed.
bool RegisterTWClasses(HINSTANCE instance);
// The menu bar with its File and Window pop-ups, kept in `data`.
bool BuildTWMenus(TWInstanceData &data);
void DestroyTWMenus(TWInstanceData &data);
// Creates and shows the frame, which makes its MDI client; false on failure.
bool OpenTWFrame(TWInstanceData &data, const char *title);

}  // namespace portkit::win32

#endif
