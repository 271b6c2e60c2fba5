#include <windows.h>

#include <cstdlib>
#include <string>

#include "tools/term/user_terminal.h"

namespace portkit::tool {
namespace {

#ifndef ENABLE_VIRTUAL_TERMINAL_PROCESSING
#define ENABLE_VIRTUAL_TERMINAL_PROCESSING 0x0004
#endif

struct SavedConsole {
    bool saved = false;
    bool raw = false;
    DWORD input_mode = 0;
    DWORD output_mode = 0;
};
SavedConsole console;
std::string typed;  // bytes of keys read but not yet taken
bool keyboard_closed = false;

HANDLE Input() { return GetStdHandle(STD_INPUT_HANDLE); }
HANDLE Output() { return GetStdHandle(STD_OUTPUT_HANDLE); }

void MakeRaw() {
    SetConsoleMode(Input(), 0);
    SetConsoleMode(Output(), console.output_mode | ENABLE_PROCESSED_OUTPUT | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
    console.raw = true;
}

// The bytes an xterm sends for the keys that have no character.
const char *SequenceOf(WORD virtual_key) {
    switch (virtual_key) {
        case VK_UP:
            return "\x1b[A";
        case VK_DOWN:
            return "\x1b[B";
        case VK_RIGHT:
            return "\x1b[C";
        case VK_LEFT:
            return "\x1b[D";
        case VK_HOME:
            return "\x1b[H";
        case VK_END:
            return "\x1b[F";
        case VK_INSERT:
            return "\x1b[2~";
        case VK_DELETE:
            return "\x1b[3~";
        case VK_PRIOR:
            return "\x1b[5~";
        case VK_NEXT:
            return "\x1b[6~";
        case VK_F1:
            return "\x1bOP";
        case VK_F2:
            return "\x1bOQ";
        case VK_F3:
            return "\x1bOR";
        case VK_F4:
            return "\x1bOS";
        default:
            return nullptr;
    }
}

void TakeConsoleEvents() {
    DWORD waiting = 0;
    while (GetNumberOfConsoleInputEvents(Input(), &waiting) && waiting > 0) {
        INPUT_RECORD event;
        DWORD read = 0;
        if (!ReadConsoleInputA(Input(), &event, 1, &read) || read == 0) {
            keyboard_closed = true;
            return;
        }
        if (event.EventType != KEY_EVENT || !event.Event.KeyEvent.bKeyDown) continue;
        const KEY_EVENT_RECORD &key = event.Event.KeyEvent;
        for (WORD repeat = 0; repeat < key.wRepeatCount; ++repeat) {
            if (key.uChar.AsciiChar != 0) {
                typed.push_back(key.uChar.AsciiChar);
            } else if (const char *sequence = SequenceOf(key.wVirtualKeyCode)) {
                typed.append(sequence);
            }
        }
    }
}

}  // namespace

bool EnterRawTerminal() {
    if (!console.saved) {
        if (!GetConsoleMode(Input(), &console.input_mode)) return false;
        GetConsoleMode(Output(), &console.output_mode);
        console.saved = true;
        std::atexit(LeaveRawTerminal);
    }
    MakeRaw();
    return true;
}

void LeaveRawTerminal() {
    if (!console.raw) return;
    console.raw = false;
    SetConsoleMode(Input(), console.input_mode);
    SetConsoleMode(Output(), console.output_mode);
}

void PauseRawTerminal() { LeaveRawTerminal(); }

void ResumeRawTerminal() {
    if (console.saved) MakeRaw();
}

void SuspendTerminal() {}

std::size_t ReadKeyBytes(char *buffer, std::size_t size) {
    TakeConsoleEvents();
    const std::size_t count = typed.size() < size ? typed.size() : size;
    typed.copy(buffer, count);
    typed.erase(0, count);
    return count;
}

void WaitForKeyOrPort(PortStructure *, int milliseconds) { WaitForKey(milliseconds); }

bool WaitForKey(int milliseconds) {
    if (!typed.empty()) return true;
    return WaitForSingleObject(Input(), static_cast<DWORD>(milliseconds)) == WAIT_OBJECT_0;
}

void WriteScreen(std::string_view bytes) {
    while (!bytes.empty()) {
        DWORD written = 0;
        if (!WriteFile(Output(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) || written == 0) {
            return;
        }
        bytes.remove_prefix(written);
    }
}

bool KeyboardClosed() { return keyboard_closed; }

}  // namespace portkit::tool
