// The command key's switches of what the screen shows, and of the log.
#ifndef PORTKIT_TOOLS_TERM_TERM_VIEW_COMMANDS_H
#define PORTKIT_TOOLS_TERM_TERM_VIEW_COMMANDS_H

#include "tools/term/term_commands.h"

namespace portkit::tool {

void ToggleHexView(TermState &state);
void ToggleTimestamps(TermState &state);
// Received LF shown as CR LF (imap lfcrlf), or as it comes.
void ToggleLfCrLf(TermState &state);
// Opens a log, switches it to another file, or closes it, as the user says.
void LogCommand(TermState &state);

}  // namespace portkit::tool

#endif
