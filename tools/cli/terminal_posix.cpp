#include <sys/ioctl.h>
#include <unistd.h>

#include "tools/cli/terminal.h"

namespace portkit::tool {

bool StderrIsTerminal() { return isatty(STDERR_FILENO) == 1; }

bool StdinIsTerminal() { return isatty(STDIN_FILENO) == 1; }

int StderrColumns() {
    winsize size{};
    if (ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
    return 80;
}

}  // namespace portkit::tool
