// The console's input queue over a terminal: keys are read as they come,
// without ever waiting, and decoded into key events.
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <vector>

#include "platform/platform.h"
#include "platform/posix/console/console_input_modes.h"
#include "platform/posix/console/console_registry.h"
#include "platform/posix/console/win32_console.h"

namespace portkit::win32_imitation {

namespace {

using posix::ConsoleInput;
using posix::ConsoleSlot;
using posix::DecodedKey;

constexpr std::size_t kReadChunk = 256;

INPUT_RECORD KeyEventOf(const DecodedKey &key) {
    INPUT_RECORD event{};
    event.EventType = KEY_EVENT;
    KEY_EVENT_RECORD &press = event.Event.KeyEvent;
    press.bKeyDown = TRUE;
    press.wRepeatCount = 1;
    press.wVirtualKeyCode = key.virtual_key;
    press.uChar.AsciiChar = static_cast<CHAR>(key.character);
    press.dwControlKeyState = key.control_state;
    return event;
}

// Key events are read as keys are typed, whatever the line and echo modes
// (as on Windows, where they govern only line reads): the terminal stops
// collecting lines and echoing once events are asked for.
void PassKeysAtOnce(ConsoleSlot &slot) {
    ConsoleInput &input = *slot.input;
    if (input.keys_at_once) return;
    input.keys_at_once = true;
    termios current{};
    if (tcgetattr(slot.fd, &current) != 0) return;  // not a terminal: bytes come as they are
    const DWORD mode = input.mode_set ? input.mode : posix::InputModeOf(current);
    posix::ApplyInputMode(slot.fd, mode & ~(ENABLE_LINE_INPUT | ENABLE_ECHO_INPUT));
}

// Reads what the terminal has (when fewer than `wanted` events wait) and
// queues the keys it completes. False if fd is not open.
bool TakeTerminalInput(ConsoleSlot &slot, std::size_t wanted) {
    ConsoleInput &input = *slot.input;
    const std::uint32_t now = platform::TickCount();
    std::vector<DecodedKey> keys;
    while (input.events.size() + keys.size() < wanted) {
        pollfd readable{slot.fd, POLLIN, 0};
        if (poll(&readable, 1, 0) < 0) break;
        if ((readable.revents & POLLNVAL) != 0) return false;
        if ((readable.revents & POLLIN) == 0) break;
        unsigned char bytes[kReadChunk];
        const ssize_t n = read(slot.fd, bytes, sizeof bytes);
        if (n <= 0) break;
        input.decoder.Feed(bytes, static_cast<std::size_t>(n), now, keys);
        if (static_cast<std::size_t>(n) < sizeof bytes) break;
    }
    input.decoder.Poll(now, keys);
    for (const DecodedKey &key : keys) input.events.push_back(KeyEventOf(key));
    return true;
}

BOOL TakeEvents(HANDLE console, INPUT_RECORD *records, DWORD length, DWORD *count, bool remove) {
    if (count == nullptr || (records == nullptr && length > 0)) return FALSE;
    *count = 0;
    ConsoleSlot *slot = posix::InputSlot(posix::DescriptorOf(console));
    if (slot == nullptr) return FALSE;
    posix::ShowCursors();  // the visible cursor is where the screen says while keys are awaited
    PassKeysAtOnce(*slot);
    if (!TakeTerminalInput(*slot, length)) return FALSE;
    auto &events = slot->input->events;
    const auto taken = static_cast<DWORD>(std::min<std::size_t>(length, events.size()));
    std::copy_n(events.begin(), taken, records);
    if (remove) events.erase(events.begin(), events.begin() + taken);
    *count = taken;
    return TRUE;
}

}  // namespace

BOOL PeekConsoleInputA(HANDLE input, INPUT_RECORD *records, DWORD length, DWORD *read) {
    return TakeEvents(input, records, length, read, false);
}

BOOL ReadConsoleInputA(HANDLE input, INPUT_RECORD *records, DWORD length, DWORD *read) {
    return TakeEvents(input, records, length, read, true);
}

}  // namespace portkit::win32_imitation
