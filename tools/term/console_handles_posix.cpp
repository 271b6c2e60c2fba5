#include <unistd.h>

#include <cstdio>

#include "portkit/screen.h"
#include "tools/term/console_handles.h"

namespace portkit::tool {

bool GetConsoleHandles(ConsoleHandles *handles) {
    if (isatty(STDIN_FILENO) != 1 || isatty(STDOUT_FILENO) != 1) {
        std::fprintf(stderr, "portkit term: --ansi needs a terminal on standard input and output\n");
        return false;
    }
    handles->input = PORTKIT_CONSOLE_FD(STDIN_FILENO);
    handles->output = PORTKIT_CONSOLE_FD(STDOUT_FILENO);
    return true;
}

}  // namespace portkit::tool
