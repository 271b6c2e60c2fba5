// What the keys after the command key do in `portkit term`.
#ifndef PORTKIT_TOOLS_TERM_TERM_COMMANDS_H
#define PORTKIT_TOOLS_TERM_TERM_COMMANDS_H

#include <string>

#include "tools/term/session_log.h"
#include "tools/term/term_display.h"
#include "tools/term/term_session.h"

namespace portkit::tool {

struct TermState {
    PortStructure *port = nullptr;
    TermDisplay *display = nullptr;
    const TermSettings *settings = nullptr;
    bool dtr = true;
    bool rts = true;
    LineChoice line{};             // in force on the port now
    TermFeatures *live = nullptr;  // what the display follows
    SessionLog *log = nullptr;
    std::string modem_line_failure;  // why DTR or RTS could not be set, once it could not
};

enum class CommandOutcome { kCarryOn, kQuit };

// Waits for the key after the command key and does what it says.
CommandOutcome RunCommandKey(TermState &state);

// Receives what the far end's ZMODEM sender started, into the current directory.
void ReceiveStartedZmodem(TermState &state);

// Answers a CompuServe B+ host's ENQ, or runs the transfer its DLE B began.
void AnswerBPlusHost(TermState &state, bool started);

// The help text of the command key `key`.
std::string CommandKeyHelp(unsigned char key);

// The library's reason for `code` on `port`: its name for the code, and the
// system's words when the system gave some.
std::string LibraryReason(PortStructure *port, int code);

}  // namespace portkit::tool

#endif
