// The line settings in force on the terminal's port, which Ctrl-T c changes.
#ifndef PORTKIT_TOOLS_TERM_LINE_CHOICE_H
#define PORTKIT_TOOLS_TERM_LINE_CHOICE_H

#include <string>

namespace portkit::tool {

struct LineChoice {
    long baud = 115200;
    char parity = 'N';
    int data = 8;
    int stop = 1;
    std::string flow = "none";  // none, rtscts or xonxoff

    // "115200 8N1, no flow control".
    std::string Text() const;
};

}  // namespace portkit::tool

#endif
