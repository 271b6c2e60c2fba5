// Standard handles and console modes over terminals. A descriptor drawn on
// (and the standard output and error) has the output modes of its screen
// model; any other has input modes, held in its terminal's settings.
#include <termios.h>
#include <unistd.h>

#include <cstdint>

#include "platform/posix/console/console_input_modes.h"
#include "platform/posix/console/console_registry.h"
#include "platform/posix/console/win32_console.h"

namespace portkit::win32_imitation {

namespace {

HANDLE HandleOf(int fd) { return reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(fd)); }

bool HasOutputModes(int fd) {
    const posix::ConsoleSlot *slot = posix::FindSlot(fd);
    return (slot != nullptr && slot->screen != nullptr) || fd == STDOUT_FILENO || fd == STDERR_FILENO;
}

}  // namespace

HANDLE GetStdHandle(DWORD which) {
    switch (which) {
        case STD_INPUT_HANDLE:
            return HandleOf(STDIN_FILENO);
        case STD_OUTPUT_HANDLE:
            return HandleOf(STDOUT_FILENO);
        case STD_ERROR_HANDLE:
            return HandleOf(STDERR_FILENO);
        default:
            return INVALID_HANDLE_VALUE;
    }
}

BOOL GetConsoleMode(HANDLE console, DWORD *mode) {
    const int fd = posix::DescriptorOf(console);
    if (mode == nullptr || fd < 0) return FALSE;
    if (HasOutputModes(fd)) {
        posix::ConsoleSlot *slot = posix::ScreenSlot(fd);
        if (slot == nullptr) return FALSE;
        *mode = slot->screen->mode();
        posix::SendOutput(*slot);  // what a first use sends; the mode is known either way
        return TRUE;
    }
    posix::ConsoleSlot *slot = posix::InputSlot(fd);
    if (slot == nullptr) return FALSE;
    if (slot->input->mode_set) {
        *mode = slot->input->mode;
        return TRUE;
    }
    termios current{};
    if (tcgetattr(fd, &current) != 0) return FALSE;
    *mode = posix::InputModeOf(current);
    return TRUE;
}

BOOL SetConsoleMode(HANDLE console, DWORD mode) {
    const int fd = posix::DescriptorOf(console);
    if (fd < 0) return FALSE;
    if (HasOutputModes(fd)) {
        posix::ConsoleSlot *slot = posix::ScreenSlot(fd);
        if (slot == nullptr) return FALSE;
        slot->screen->SetMode(mode, slot->out);
        return posix::SendOutput(*slot) ? TRUE : FALSE;
    }
    posix::ConsoleSlot *slot = posix::InputSlot(fd);
    if (slot == nullptr || !posix::ApplyInputMode(fd, mode)) return FALSE;
    posix::ConsoleInput &input = *slot->input;
    input.mode = mode;
    input.mode_set = true;
    input.keys_at_once = (mode & (ENABLE_LINE_INPUT | ENABLE_ECHO_INPUT)) == 0;
    return TRUE;
}

}  // namespace portkit::win32_imitation
