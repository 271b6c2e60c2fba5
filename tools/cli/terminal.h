// What the tool needs to know about the terminal its messages go to.
#ifndef PORTKIT_TOOLS_CLI_TERMINAL_H
#define PORTKIT_TOOLS_CLI_TERMINAL_H

namespace portkit::tool {

// True when standard error is a terminal (so lines may be redrawn in place).
bool StderrIsTerminal();

// Width of that terminal in columns; 80 when it cannot be told.
int StderrColumns();

// True when standard input is a terminal, where a question can be answered.
bool StdinIsTerminal();

}  // namespace portkit::tool

#endif
