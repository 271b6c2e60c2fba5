// `portkit term`: an interactive terminal on a port, with a command key.
#ifndef PORTKIT_TOOLS_TERM_TERM_SESSION_H
#define PORTKIT_TOOLS_TERM_TERM_SESSION_H

#include <functional>
#include <string>

#include "portkit/port.h"
#include "tools/term/term_features.h"

namespace portkit::tool {

struct TermSettings {
    std::string device;     // as the user named it
    std::string line_text;  // "115200 8N1, no flow control", for messages
    bool ansi = false;
    bool window = false;  // the ANSI emulator in a terminal window
    int rows = 25, cols = 80;
    bool utf8 = false;  // the emulator's input is UTF-8, not CP437
    bool echo = false;
    bool autozmodem = true;
    bool bplus = false;  // answer a CompuServe B+ host: ENQ and DLE B are otherwise plain bytes
    bool reconnect = false;
    std::string log_path;  // empty: no log
    LineChoice line;       // what line_text says
    TermFeatures features;
};

// Opens the device again after it went away; null while it is not back.
using Reopen = std::function<PortStructure *()>;

// Runs the terminal on `port` until the user quits (exit 0), the keyboard
// closes (0), or the line goes away without --reconnect (1). Closes the port.
int RunTerminalSession(PortStructure *port, const TermSettings &settings, const Reopen &reopen);

}  // namespace portkit::tool

#endif
