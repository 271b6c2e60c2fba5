// TWGetLine's dialog, built in memory: a prompt over a one-line edit field.
#ifndef PORTKIT_WINDOW_SYSTEMS_WIN32_TW_LINE_DIALOG_WIN32_H
#define PORTKIT_WINDOW_SYSTEMS_WIN32_TW_LINE_DIALOG_WIN32_H

#include "window_systems/win32/tw_windows_win32.h"

namespace portkit::win32 {

constexpr int kLineEditId = 101;
constexpr int kLinePromptId = 102;

// Runs the dialog owned by `owner`: OK (Enter) copies at most `limit`
// characters and a terminator into `buffer`, Cancel (Esc, the close box)
// leaves it as it is. False when the dialog could not be built.
bool RunTWLineDialog(HINSTANCE instance, HWND owner, const char *caption, const char *prompt, char *buffer, int limit);

}  // namespace portkit::win32

#endif
