// The text windows' modal dialogs on X: the line dialog (prompt, edit field,
// OK and Cancel) and the message box (text and OK), each a transient
// window of the frame that runs the display's events until it closes.
#ifndef PORTKIT_WINDOW_SYSTEMS_X11_TW_DIALOG_X11_H
#define PORTKIT_WINDOW_SYSTEMS_X11_TW_DIALOG_X11_H

#include <X11/Xlib.h>

#include <string>

#include "window_systems/x11/connection_x11.h"

namespace portkit::x11 {

// True for OK (`line` then holds the text, at most `limit` characters),
// false for Cancel, Escape or the close box.
bool RunTWLineDialog(X11Connection &connection, ::Window owner, const char *caption, const char *prompt, int limit,
                     std::string &line);
void RunTWMessageBox(X11Connection &connection, ::Window owner, const char *caption, const char *text);

}  // namespace portkit::x11

#endif
