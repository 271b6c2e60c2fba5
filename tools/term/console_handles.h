// The handles of the process's console, as the library's console backend takes them.
#ifndef PORTKIT_TOOLS_TERM_CONSOLE_HANDLES_H
#define PORTKIT_TOOLS_TERM_CONSOLE_HANDLES_H

#include "portkit/emulator.h"

namespace portkit::tool {

struct ConsoleHandles {
    EmulatorHandle input;
    EmulatorHandle output;
};

// Null handles, with the reason on stderr, when there is no console.
bool GetConsoleHandles(ConsoleHandles *handles);

}  // namespace portkit::tool

#endif
