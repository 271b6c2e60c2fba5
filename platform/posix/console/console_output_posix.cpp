// The console's screen buffer calls over a terminal: each call updates the
// screen model and sends the terminal what it takes to match, in one write.
#include <algorithm>

#include "platform/posix/console/console_registry.h"
#include "platform/posix/console/win32_console.h"

namespace portkit::win32_imitation {

namespace {

using posix::ConsoleScreen;
using posix::ConsoleSlot;

ConsoleSlot *OutputSlot(HANDLE output) { return posix::ScreenSlot(posix::DescriptorOf(output)); }

// For calls that draw nothing themselves: what a first use sends the
// terminal goes out, but a terminal that is gone does not make them fail.
BOOL Answer(ConsoleSlot &slot, bool answer) {
    posix::SendOutput(slot);
    return answer ? TRUE : FALSE;
}

template <typename Fill>
BOOL FillCells(HANDLE output, COORD start, DWORD *written, Fill fill) {
    if (written != nullptr) *written = 0;
    ConsoleSlot *slot = OutputSlot(output);
    if (slot == nullptr) return FALSE;
    ConsoleScreen &screen = *slot->screen;
    const bool inside = start.X >= 0 && start.X < screen.cols() && start.Y >= 0 && start.Y < screen.rows();
    const std::size_t filled = inside ? fill(screen, slot->out) : 0;
    const bool sent = posix::SendOutput(*slot);
    if (written != nullptr) *written = static_cast<DWORD>(filled);
    return inside && sent ? TRUE : FALSE;
}

}  // namespace

BOOL SetConsoleTextAttribute(HANDLE output, WORD attribute) {
    ConsoleSlot *slot = OutputSlot(output);
    if (slot == nullptr) return FALSE;
    slot->screen->SetAttribute(attribute);
    return Answer(*slot, true);
}

BOOL GetConsoleScreenBufferInfo(HANDLE output, CONSOLE_SCREEN_BUFFER_INFO *info) {
    ConsoleSlot *slot = OutputSlot(output);
    if (slot == nullptr || info == nullptr) return FALSE;
    const ConsoleScreen &screen = *slot->screen;
    const auto rows = static_cast<SHORT>(screen.rows());
    const auto cols = static_cast<SHORT>(screen.cols());
    info->dwSize = {cols, rows};
    info->dwCursorPosition = {static_cast<SHORT>(screen.cursor_col()), static_cast<SHORT>(screen.cursor_row())};
    info->wAttributes = screen.attribute();
    info->srWindow = {0, 0, static_cast<SHORT>(cols - 1), static_cast<SHORT>(rows - 1)};
    info->dwMaximumWindowSize = {cols, rows};
    return Answer(*slot, true);
}

BOOL FillConsoleOutputCharacterA(HANDLE output, CHAR c, DWORD length, COORD start, DWORD *written) {
    return FillCells(output, start, written, [&](ConsoleScreen &screen, std::string &out) {
        return screen.FillCharacters(static_cast<unsigned char>(c), length, start.Y, start.X, out);
    });
}

BOOL FillConsoleOutputAttribute(HANDLE output, WORD attribute, DWORD length, COORD start, DWORD *written) {
    return FillCells(output, start, written, [&](ConsoleScreen &screen, std::string &out) {
        return screen.FillAttributes(attribute, length, start.Y, start.X, out);
    });
}

BOOL SetConsoleCursorPosition(HANDLE output, COORD position) {
    ConsoleSlot *slot = OutputSlot(output);
    if (slot == nullptr) return FALSE;
    // Moved on the terminal when something is drawn or keys are awaited.
    return Answer(*slot, slot->screen->MoveCursor(position.Y, position.X));
}

BOOL WriteConsoleA(HANDLE output, const void *buffer, DWORD length, DWORD *written, void * /*reserved*/) {
    if (written != nullptr) *written = 0;
    ConsoleSlot *slot = OutputSlot(output);
    if (slot == nullptr || (buffer == nullptr && length > 0)) return FALSE;
    slot->screen->Write(static_cast<const unsigned char *>(buffer), length, slot->out);
    if (!posix::SendOutput(*slot)) return FALSE;
    if (written != nullptr) *written = length;
    return TRUE;
}

}  // namespace portkit::win32_imitation
