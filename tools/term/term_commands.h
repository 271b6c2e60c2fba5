// What the keys after the command key do in `portkit term`.
#ifndef PORTKIT_TOOLS_TERM_TERM_COMMANDS_H
#define PORTKIT_TOOLS_TERM_TERM_COMMANDS_H

#include "tools/term/term_display.h"
#include "tools/term/term_session.h"

namespace portkit::tool {

struct TermState {
    PortStructure *port;
    TermDisplay *display;
    const TermSettings *settings;
    bool dtr = true;
    bool rts = true;
};

enum class CommandOutcome { kCarryOn, kQuit };

// Waits for the key after the command key and does what it says.
CommandOutcome RunCommandKey(TermState &state);

// Receives what the far end's ZMODEM sender started, into the current directory.
void ReceiveStartedZmodem(TermState &state);

// Answers a CompuServe B+ host's ENQ, or runs the transfer its DLE B began.
void AnswerBPlusHost(TermState &state, bool started);

// The help text of the command key.
const char *CommandKeyHelp();

}  // namespace portkit::tool

#endif
