#include <windows.h>

#include <cstdio>
#include <io.h>

#include "tools/cli/terminal.h"

namespace portkit::tool {

bool StderrIsTerminal() { return _isatty(_fileno(stderr)) != 0; }

bool StdinIsTerminal() { return _isatty(_fileno(stdin)) != 0; }

int StderrColumns() {
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (GetConsoleScreenBufferInfo(GetStdHandle(STD_ERROR_HANDLE), &info)) {
        return info.srWindow.Right - info.srWindow.Left + 1;
    }
    return 80;
}

}  // namespace portkit::tool
