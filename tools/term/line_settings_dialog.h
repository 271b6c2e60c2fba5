// Ctrl-T c: the line's speed, parity, data bits, stop bits and flow control
// asked one at a time, each shown as it is now for the user to edit, and
// put in force on the port at once.
#ifndef PORTKIT_TOOLS_TERM_LINE_SETTINGS_DIALOG_H
#define PORTKIT_TOOLS_TERM_LINE_SETTINGS_DIALOG_H

#include "tools/term/term_commands.h"

namespace portkit::tool {

// kQuit when the user left the dialog for the command key's q.
CommandOutcome ChangeLineSettings(TermState &state);

}  // namespace portkit::tool

#endif
