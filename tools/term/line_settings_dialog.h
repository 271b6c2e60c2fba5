// Ctrl-T c: the line's speed, parity, data bits, stop bits and flow control
// asked one at a time, each shown as it is now for the user to edit, and
// put in force on the port at once.
#ifndef PORTKIT_TOOLS_TERM_LINE_SETTINGS_DIALOG_H
#define PORTKIT_TOOLS_TERM_LINE_SETTINGS_DIALOG_H

#include "tools/term/term_commands.h"

namespace portkit::tool {

// Puts `line` in force on a port that has `before`; 0, or the library's
// code for what it refused.
int ApplyLine(PortStructure *port, const LineChoice &line, const LineChoice &before);

// kQuit when the user left the dialog for the command key's q.
CommandOutcome ChangeLineSettings(TermState &state);

}  // namespace portkit::tool

#endif
