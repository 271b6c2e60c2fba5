#include <windows.h>

#include <cstdio>

#include "tools/term/console_handles.h"

namespace portkit::tool {

bool GetConsoleHandles(ConsoleHandles *handles) {
    HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD mode = 0;
    if (input == INVALID_HANDLE_VALUE || output == INVALID_HANDLE_VALUE || !GetConsoleMode(input, &mode)) {
        std::fprintf(stderr, "portkit term: there is no console to run the terminal in\n");
        return false;
    }
    handles->input = input;
    handles->output = output;
    return true;
}

}  // namespace portkit::tool
